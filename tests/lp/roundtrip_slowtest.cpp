// Every Netlib and Maros-Meszaros file: read from MPS, written as LP, read back; the two problems must agree up to
// what the LP format itself changes: names it cannot hold become generic, the objective constant becomes a fixed
// variable CFIX in front, a coefficient within 1e-15 of +-1 and a bound within 1e-17 of -1, 0, 1 become exact, and
// a variable range with equal ends reads back as fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/lpformat.h"

namespace {

double coef(double v) { return std::fabs(v - 1) <= 1e-15 ? 1.0 : std::fabs(v + 1) <= 1e-15 ? -1.0 : v; }
double bound(double v) {
  for (double k : {-1.0, 0.0, 1.0})
    if (std::fabs(v - k) <= 1e-17) return k;
  return v;
}

using Entries = std::vector<std::tuple<int32_t, int32_t, double>>;

// Row i of A (k >= 0, quadratic = false) or the quadratic term of constraint k / the objective (k = -1), as
// written: variables shifted by `shift`, values through the writer's rules (products are written doubled).
Entries entries(ZRVtask_t t, int32_t k, bool quadratic, int32_t shift, bool as_written) {
  int64_t nz = 0;
  if (!quadratic) {
    int32_t n32 = 0;
    ZRV_getarownumnz(t, k, &n32);
    nz = n32;
  } else if (k < 0) {
    ZRV_getnumqobjnz64(t, &nz);
  } else {
    ZRV_getnumqconknz64(t, k, &nz);
  }
  std::vector<int32_t> si(nz + 1), sj(nz + 1);
  std::vector<double> v(nz + 1);
  int64_t surp = nz, num = 0;
  int32_t n32 = 0;
  if (!quadratic)
    ZRV_getarow(t, k, &n32, sj.data(), v.data());
  else if (k < 0)
    ZRV_getqobj64(t, nz, &surp, &num, si.data(), sj.data(), v.data());
  else
    ZRV_getqconk64(t, k, nz, &surp, &num, si.data(), sj.data(), v.data());
  Entries out;
  for (int64_t q = 0; q < nz; ++q) {
    double w = v[q];
    if (as_written) w = !quadratic || si[q] == sj[q] ? coef(w) : coef(2 * w) / 2;
    out.emplace_back(quadratic ? si[q] + shift : 0, sj[q] + shift, w);
  }
  std::sort(out.begin(), out.end());
  return out;
}

void compare(ZRVtask_t a, ZRVtask_t b) {
  int32_t m = 0, n = 0, mb = 0, nb = 0;
  ZRV_getnumcon(a, &m), ZRV_getnumvar(a, &n), ZRV_getnumcon(b, &mb), ZRV_getnumvar(b, &nb);
  double cfix = 0, c0 = 0;
  ZRV_getcfix(a, &cfix);
  const int32_t s = cfix != 0.0 ? 1 : 0;  // CFIX in front
  ASSERT_EQ(mb, m);
  ASSERT_EQ(nb, n + s);
  ZRVobjsensee sa, sb;
  ZRV_getobjsense(a, &sa), ZRV_getobjsense(b, &sb);
  EXPECT_EQ(sa, sb);
  std::string_view on = a->names->objective_name();
  EXPECT_EQ(b->names->objective_name(), zrv::lp_name_writable(on, false) ? on : "obj");
  if (s) {
    ZRV_getcj(b, 0, &c0);
    EXPECT_EQ(b->names->name(zrv::NameClass::Var, 0), "CFIX");
    EXPECT_EQ(c0, 1.0);
    EXPECT_TRUE(b->prob->bkx[0] == ZRV_BK_FX && b->prob->blx[0] == bound(cfix));
  }
  // Bound key and values of item i of a (j + shift in b).
  auto same_bound = [](ZRVtask_t a, ZRVtask_t b, bool con, int32_t i, int32_t shift) {
    ZRVboundkeye ka, kb;
    double la, ua, lb, ub;
    (con ? ZRV_getconbound : ZRV_getvarbound)(a, i, &ka, &la, &ua);
    (con ? ZRV_getconbound : ZRV_getvarbound)(b, i + shift, &kb, &lb, &ub);
    if (!con && ka == ZRV_BK_RA && bound(la) == bound(ua)) ka = ZRV_BK_FX;
    return ka == kb && (!zrv::bk_has_lower(ka) || lb == bound(la)) && (!zrv::bk_has_upper(ka) || ub == bound(ua));
  };
  int bad = 0;
  for (int32_t j = 0; j < n && bad < 5; ++j) {
    std::string_view na = a->names->name(zrv::NameClass::Var, j);
    double ca, cb;
    ZRV_getcj(a, j, &ca), ZRV_getcj(b, j + s, &cb);
    ZRVvariabletypee ta, tb;
    ZRV_getvartype(a, j, &ta), ZRV_getvartype(b, j + s, &tb);
    if (!same_bound(a, b, false, j, s) || cb != coef(ca) || ta != tb ||
        (zrv::lp_name_writable(na, true) && b->names->name(zrv::NameClass::Var, j + s) != na))
      ADD_FAILURE() << "variable " << j << " '" << na << "'", ++bad;
  }
  for (int32_t i = 0; i < m && bad < 5; ++i) {
    std::string_view na = a->names->name(zrv::NameClass::Con, i);
    if (!same_bound(a, b, true, i, 0) || entries(a, i, false, s, true) != entries(b, i, false, 0, false) ||
        entries(a, i, true, s, true) != entries(b, i, true, 0, false) ||
        (zrv::lp_name_writable(na, false) && b->names->name(zrv::NameClass::Con, i) != na))
      ADD_FAILURE() << "constraint " << i << " '" << na << "'", ++bad;
  }
  EXPECT_EQ(entries(a, -1, true, s, true), entries(b, -1, true, 0, false));
}

void round_trip_folder(const char* folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(ZIRVA_DATA_DIR) / folder)) {
    std::string name = e.path().filename().string();
    if (name.find(".mps") != std::string::npos || name.find(".qps") != std::string::npos) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  const std::string lp = std::string("lp_roundtrip_") + folder + ".lp";
  for (const fs::path& p : files) {
    SCOPED_TRACE(p.filename().string());
    ZRVtask_t a = nullptr, b = nullptr;
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &a), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &b), ZRV_RES_OK);
    ASSERT_EQ(ZRV_readdataformat(a, p.c_str(), ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_FREE), ZRV_RES_OK);
    ASSERT_EQ(ZRV_writedata(a, lp.c_str()), ZRV_RES_OK);
    ASSERT_EQ(ZRV_readdataformat(b, lp.c_str(), ZRV_DATA_FORMAT_LP, ZRV_COMPRESS_NONE), ZRV_RES_OK);
    compare(a, b);
    ZRV_deletetask(&a);
    ZRV_deletetask(&b);
  }
  std::remove(lp.c_str());
  ZRV_deleteenv(&env);
}

}  // namespace

TEST(LpRoundTrip, Netlib) { round_trip_folder("netlib"); }
TEST(LpRoundTrip, MarosMeszaros) { round_trip_folder("maros-meszaros"); }
