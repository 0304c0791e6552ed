// Every Netlib and Maros-Meszaros file: read from MPS, written as LP, read back; the two problems must agree up to
// what the LP format itself changes: names it cannot hold become generic, the objective constant becomes a fixed
// variable CFIX in front, a coefficient within 1e-15 of +-1 and a bound within 1e-17 of -1, 0, 1 become exact, and
// a variable range with equal ends reads back as fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/lpformat.h"

namespace {

namespace fs = std::filesystem;

double coef_written(double v) {
  if (std::fabs(v - 1.0) <= 1e-15) return 1.0;
  if (std::fabs(v + 1.0) <= 1e-15) return -1.0;
  return v;
}
double bound_written(double v) {
  for (double k : {-1.0, 0.0, 1.0})
    if (std::fabs(v - k) <= 1e-17) return k;
  return v;
}

struct Entry {
  int32_t i, j;
  double v;
  bool operator<(const Entry& o) const { return i != o.i ? i < o.i : j < o.j; }
};

std::vector<Entry> row(ZRVtask_t t, int32_t i, int32_t shift) {
  int32_t nz = 0;
  ZRV_getarownumnz(t, i, &nz);
  std::vector<int32_t> sub(nz);
  std::vector<double> val(nz);
  ZRV_getarow(t, i, &nz, sub.data(), val.data());
  std::vector<Entry> out;
  for (int32_t k = 0; k < nz; ++k) out.push_back({i, sub[k] + shift, val[k]});
  std::sort(out.begin(), out.end());
  return out;
}

// Quadratic term of the objective (k = -1) or of constraint k, sorted, variables shifted.
std::vector<Entry> quad(ZRVtask_t t, int32_t k, int32_t shift) {
  int64_t nz = 0;
  if (k < 0)
    ZRV_getnumqobjnz64(t, &nz);
  else
    ZRV_getnumqconknz64(t, k, &nz);
  std::vector<int32_t> si(nz), sj(nz);
  std::vector<double> sv(nz);
  int64_t surp = nz, num = 0;
  if (nz > 0) {
    if (k < 0)
      ZRV_getqobj64(t, nz, &surp, &num, si.data(), sj.data(), sv.data());
    else
      ZRV_getqconk64(t, k, nz, &surp, &num, si.data(), sj.data(), sv.data());
  }
  std::vector<Entry> out;
  for (int64_t q = 0; q < nz; ++q) out.push_back({si[q] + shift, sj[q] + shift, sv[q]});
  std::sort(out.begin(), out.end());
  return out;
}
// A product's value is written doubled and halved on reading.
double quad_written(const Entry& e) { return e.i == e.j ? coef_written(e.v) : coef_written(2.0 * e.v) / 2.0; }

void compare(ZRVtask_t a, ZRVtask_t b, const std::string& file) {
  SCOPED_TRACE(file);
  int32_t m = 0, n = 0, mb = 0, nb = 0;
  ZRV_getnumcon(a, &m), ZRV_getnumvar(a, &n), ZRV_getnumcon(b, &mb), ZRV_getnumvar(b, &nb);
  double cfix = 0;
  ZRV_getcfix(a, &cfix);
  const int32_t s = cfix != 0.0 ? 1 : 0;  // CFIX in front
  ASSERT_EQ(mb, m);
  ASSERT_EQ(nb, n + s);
  ZRVobjsensee sa, sb;
  ZRV_getobjsense(a, &sa), ZRV_getobjsense(b, &sb);
  EXPECT_EQ(sa, sb);
  if (s) {
    EXPECT_EQ(b->names->name(zrv::NameClass::Var, 0), "CFIX");
    ZRVboundkeye bk;
    double bl, bu, c0;
    ZRV_getvarbound(b, 0, &bk, &bl, &bu);
    ZRV_getcj(b, 0, &c0);
    EXPECT_EQ(bk, ZRV_BK_FX);
    EXPECT_EQ(bl, bound_written(cfix));
    EXPECT_EQ(c0, 1.0);
  }
  std::string_view on = a->names->objective_name();
  EXPECT_EQ(b->names->objective_name(), zrv::lp_name_writable(on, false) ? on : "obj");
  int mismatches = 0;
  for (int32_t j = 0; j < n && mismatches < 5; ++j) {
    std::string_view na = a->names->name(zrv::NameClass::Var, j);
    if (zrv::lp_name_writable(na, true) && b->names->name(zrv::NameClass::Var, j + s) != na) ++mismatches;
    ZRVboundkeye ka, kb;
    double la, ua, lb, ub, ca, cb;
    ZRV_getvarbound(a, j, &ka, &la, &ua), ZRV_getvarbound(b, j + s, &kb, &lb, &ub);
    if (ka == ZRV_BK_RA && bound_written(la) == bound_written(ua)) ka = ZRV_BK_FX;
    ZRV_getcj(a, j, &ca), ZRV_getcj(b, j + s, &cb);
    ZRVvariabletypee ta, tb;
    ZRV_getvartype(a, j, &ta), ZRV_getvartype(b, j + s, &tb);
    bool same = ka == kb && cb == coef_written(ca) && ta == tb && (!zrv::bk_has_lower(ka) || lb == bound_written(la)) &&
                (!zrv::bk_has_upper(ka) || ub == bound_written(ua));
    if (!same) {
      ++mismatches;
      ADD_FAILURE() << "variable " << j << ": bk " << ka << "/" << kb << " l " << la << "/" << lb << " u " << ua << "/"
                    << ub << " c " << ca << "/" << cb;
    }
  }
  EXPECT_EQ(mismatches, 0);
  for (int32_t i = 0; i < m && mismatches < 5; ++i) {
    std::string_view na = a->names->name(zrv::NameClass::Con, i);
    if (zrv::lp_name_writable(na, false) && b->names->name(zrv::NameClass::Con, i) != na) ++mismatches;
    ZRVboundkeye ka, kb;
    double la, ua, lb, ub;
    ZRV_getconbound(a, i, &ka, &la, &ua), ZRV_getconbound(b, i, &kb, &lb, &ub);
    bool same = ka == kb && (!zrv::bk_has_lower(ka) || lb == bound_written(la)) &&
                (!zrv::bk_has_upper(ka) || ub == bound_written(ua));
    std::vector<Entry> ra = row(a, i, s), rb = row(b, i, 0);
    same = same && ra.size() == rb.size();
    for (size_t k = 0; same && k < ra.size(); ++k) same = ra[k].j == rb[k].j && rb[k].v == coef_written(ra[k].v);
    std::vector<Entry> qa = quad(a, i, s), qb = quad(b, i, 0);
    same = same && qa.size() == qb.size();
    for (size_t k = 0; same && k < qa.size(); ++k)
      same = qa[k].i == qb[k].i && qa[k].j == qb[k].j && qb[k].v == quad_written(qa[k]);
    if (!same) {
      ++mismatches;
      ADD_FAILURE() << "constraint " << i << ": bk " << ka << "/" << kb << " l " << la << "/" << lb << " u " << ua
                    << "/" << ub << " nz " << ra.size() << "/" << rb.size() << " qnz " << qa.size() << "/" << qb.size();
    }
  }
  std::vector<Entry> qa = quad(a, -1, s), qb = quad(b, -1, 0);
  ASSERT_EQ(qa.size(), qb.size());
  for (size_t k = 0; k < qa.size(); ++k) {
    EXPECT_EQ(qb[k].i, qa[k].i);
    EXPECT_EQ(qb[k].j, qa[k].j);
    EXPECT_EQ(qb[k].v, quad_written(qa[k]));
  }
  EXPECT_EQ(mismatches, 0);
}

void round_trip_folder(const char* folder) {
  const fs::path dir = fs::path(ZIRVA_DATA_DIR) / folder;
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.find(".mps") != std::string::npos || name.find(".qps") != std::string::npos ||
        name.find(".SIF") != std::string::npos)
      files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  ZRVenv_t env = nullptr;
  ASSERT_EQ(ZRV_makeenv(&env, nullptr), ZRV_RES_OK);
  const std::string lp = std::string("lp_roundtrip_") + folder + ".lp";
  for (const fs::path& p : files) {
    ZRVtask_t a = nullptr, b = nullptr;
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &a), ZRV_RES_OK);
    ASSERT_EQ(ZRV_maketask(env, 0, 0, &b), ZRV_RES_OK);
    // The task limits let every value of the files through (some hold large coefficients).
    for (ZRVtask_t t : {a, b}) ZRV_putdouparam(t, ZRV_DPAR_DATA_TOL_AIJ_HUGE, 1e300);
    ASSERT_EQ(ZRV_readdataformat(a, p.c_str(), ZRV_DATA_FORMAT_MPS, ZRV_COMPRESS_FREE), ZRV_RES_OK) << p;
    ASSERT_EQ(ZRV_writedata(a, lp.c_str()), ZRV_RES_OK) << p;
    ASSERT_EQ(ZRV_readdataformat(b, lp.c_str(), ZRV_DATA_FORMAT_LP, ZRV_COMPRESS_NONE), ZRV_RES_OK) << p;
    compare(a, b, p.filename().string());
    ZRV_deletetask(&a);
    ZRV_deletetask(&b);
  }
  std::remove(lp.c_str());
  ZRV_deleteenv(&env);
}

}  // namespace

TEST(LpRoundTrip, Netlib) { round_trip_folder("netlib"); }
TEST(LpRoundTrip, MarosMeszaros) { round_trip_folder("maros-meszaros"); }
