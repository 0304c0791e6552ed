// A complete copy of a task's problem for comparisons: shape, bounds, objective, matrix, types, names,
// quadratic terms and cones.
#pragma once
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "zirva.h"
#include "zirva/env.h"

namespace mpstest {

struct Snapshot {
  int32_t numcon = 0, numvar = 0, sense = 0;
  double cfix = 0;
  std::vector<int32_t> bkc, bkx, vartype;
  std::vector<double> blc, buc, blx, bux, c;
  std::vector<std::tuple<int32_t, int32_t, double>> a;  // (column, row, value), sorted
  std::vector<std::string> conname, varname;
  std::string objname, taskname;
  std::vector<std::tuple<int32_t, int32_t, int32_t, double>> q;  // (row or -1, i, j, value), sorted
  std::vector<std::tuple<int32_t, double, std::vector<int32_t>>> cones;
};

inline Snapshot snapshot(ZRVtask_t t) {
  Snapshot s;
  zrv::Problem& p = *t->prob;
  s.numcon = p.numcon, s.numvar = p.numvar, s.sense = p.sense, s.cfix = p.cfix;
  for (int32_t i = 0; i < p.numcon; ++i) {
    ZRVboundkeye bk;
    double bl, bu;
    ZRV_getconbound(t, i, &bk, &bl, &bu);
    s.bkc.push_back(bk), s.blc.push_back(bl), s.buc.push_back(bu);
    s.conname.emplace_back(t->names->name(zrv::NameClass::Con, i));
  }
  for (int32_t j = 0; j < p.numvar; ++j) {
    ZRVboundkeye bk;
    double bl, bu;
    ZRV_getvarbound(t, j, &bk, &bl, &bu);
    s.bkx.push_back(bk), s.blx.push_back(bl), s.bux.push_back(bu);
    s.c.push_back(p.c[j]);
    s.vartype.push_back(p.vartype[j]);
    s.varname.emplace_back(t->names->name(zrv::NameClass::Var, j));
    int64_t nz = 0;
    p.A.vector_nnz(zrv::SpDim::Cols, j, &nz);
    std::vector<int32_t> sub(nz);
    std::vector<double> val(nz);
    p.A.get_vector(zrv::SpDim::Cols, j, &nz, sub.data(), val.data());
    for (int64_t k = 0; k < nz; ++k) s.a.emplace_back(j, sub[k], val[k]);
  }
  std::sort(s.a.begin(), s.a.end());
  s.objname = std::string(t->names->objective_name());
  s.taskname = std::string(t->names->task_name());
  auto add_q = [&](int32_t k) {
    int64_t nz = 0, surp, got = 0;
    k < 0 ? ZRV_getnumqobjnz64(t, &nz) : ZRV_getnumqconknz64(t, k, &nz);
    std::vector<int32_t> qi(nz), qj(nz);
    std::vector<double> qv(nz);
    surp = nz;
    k < 0 ? ZRV_getqobj64(t, nz, &surp, &got, qi.data(), qj.data(), qv.data())
          : ZRV_getqconk64(t, k, nz, &surp, &got, qi.data(), qj.data(), qv.data());
    for (int64_t e = 0; e < got; ++e) s.q.emplace_back(k, qi[e], qj[e], qv[e]);
  };
  add_q(-1);
  for (int32_t i = 0; i < p.numcon; ++i) add_q(i);
  std::sort(s.q.begin(), s.q.end());
  int32_t numcone = 0;
  ZRV_getnumcone(t, &numcone);
  for (int32_t k = 0; k < numcone; ++k) {
    ZRVconetypee ct;
    double par;
    int32_t n = 0;
    ZRV_getconeinfo(t, k, &ct, &par, &n);
    std::vector<int32_t> sub(n);
    ZRV_getcone(t, k, &ct, &par, &n, sub.data());
    s.cones.emplace_back(ct, par, sub);
  }
  return s;
}

}  // namespace mpstest
