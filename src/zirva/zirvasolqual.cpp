// Quality of a stored solution: objective values, primal and dual violations per item and their maxima, the
// information items of a solution, and the solution summaries.
//
// Measures, with w the weight of the solution (0 for a certificate, else 1) and sg = +1 for minimization, -1 for
// maximization (the dual values of a maximization are nonpositive on the sides they belong to):
//   primal objective  c'xx + w cfix + w 0.5 x'Qx + sum <C_j, X_j>
//   pviolcon_i        max(bound violation of xc_i against w blc_i / w buc_i, |(A xx)_i + quadratic and matrix
//                     terms - xc_i|)
//   pviolvar_j        bound violation of xx_j against w blx_j / w bux_j
//   pviolitg          max over integer variables of the distance of xx_j from the nearest integer
//   dual objective    sum over the existing sides of blc slc - buc suc + blx slx - bux sux, + w cfix + w times the
//                     quadratic part (bounds are the dual's costs: a primal infeasibility certificate is measured
//                     by exactly this value)
//   dviolcon_i        max(|y_i - slc_i + suc_i|, sign violation of slc_i and suc_i)
//   dviolvar_j        max(|w c_j + w (Qx)_j - (A'y)_j - slx_j + sux_j - snx_j|, sign violation of slx_j, sux_j)
// where the sign violation of a dual value is max(0, -sg s) when its side exists and |s| when it does not.
// The older per-item measures are these same numbers: pbi = pviolcon / pviolvar, dbi = dviolcon / dviolvar,
// pcni = pviolcone, dcni = dviolcone, inti = the integrality distance; the equality residuals are part of the
// bound measures here, so peqi and deqi are 0 like maxpeqi and maxdeqi of ZRV_getsolutioninf.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory_resource>
#include <string>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/report.h"
#include "zirva/solstore.h"

using namespace zrv;

namespace {

enum class Kind { PCon, PVar, PBarvar, PCone, DCon, DVar, DBarvar, DCone, Itg, ZeroCon, ZeroVar };

bool kind_is_dual(Kind k) { return k == Kind::DCon || k == Kind::DVar || k == Kind::DBarvar || k == Kind::DCone; }

int32_t kind_count(ZRVtask_s* t, Kind k) {
  switch (k) {
    case Kind::PCon:
    case Kind::DCon:
    case Kind::ZeroCon: return t->prob->numcon;
    case Kind::PBarvar:
    case Kind::DBarvar: return t->sols->numbarvar();
    case Kind::PCone:
    case Kind::DCone: return t->sols->numcone;
    default: return t->prob->numvar;
  }
}

double bound_violation(double x, int32_t bk, double bl, double bu, double w) {
  double v = 0.0;
  if (bk_has_lower(bk)) v = std::max(v, w * bl - x);
  if (bk_has_upper(bk)) v = std::max(v, x - w * bu);
  return v;
}

double sign_violation(double s, bool side, double sg) { return side ? std::max(0.0, -sg * s) : std::fabs(s); }

double sense_sign(ZRVtask_s* t) { return t->prob->sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE ? -1.0 : 1.0; }

// r = A x (numcon entries) or r = A'y (numvar entries), read in the matrix's current orientation.
int32_t multiply(ZRVtask_s* t, const double* x, double* r, bool transposed) {
  SprMat& A = t->prob->A;
  const int32_t m = t->prob->numcon, n = t->prob->numvar;
  std::fill(r, r + (transposed ? n : m), 0.0);
  SpDim d = A.orientation();
  SpStatus st = A.lock(d);
  if (st != SpStatus::Ok) return report_sp_status(t, static_cast<int32_t>(st), __FILE__, __LINE__);
  // Vectors of the stored orientation scatter into r when they run across it, and dot with x when along it.
  bool scatter = (d == SpDim::Cols) != transposed;
  int32_t nvec = d == SpDim::Cols ? n : m;
  for (int32_t k = 0; k < nvec; ++k) {
    SpVecView v = A.vector(k);
    if (scatter) {
      double xk = x[k];
      if (xk == 0.0) continue;
      for (int64_t p = 0; p < v.nz; ++p) r[v.sub[p]] += v.val[p] * xk;
    } else {
      double s = 0.0;
      for (int64_t p = 0; p < v.nz; ++p) s += v.val[p] * x[v.sub[p]];
      r[k] = s;
    }
  }
  A.unlock();
  return ZRV_RES_OK;
}

// Every per-item measure of one kind for a defined solution into v (kind_count entries).
int32_t compute(ZRVtask_s* t, int32_t w, Kind k, pvec<double>& v) {
  const Problem& p = *t->prob;
  const SolStore& st = *t->sols;
  Solution& s = sol_of(t, w);
  const double wt = solution_weight(s), sg = sense_sign(t);
  const int32_t cnt = kind_count(t, k);
  v.assign(static_cast<size_t>(cnt), 0.0);
  switch (k) {
    case Kind::PCon: {
      if (int32_t r = multiply(t, s.xx.data(), v.data(), false)) return r;
      quad_constraint_add(t, s.xx.data(), v.data());
      if (w == ZRV_SOL_ITR) barvar_constraint_add(t, s.barx.data(), v.data());
      for (int32_t i = 0; i < cnt; ++i) {
        size_t q = static_cast<size_t>(i);
        double eq = std::fabs(v[q] - s.xc[q]);
        v[q] = std::max(bound_violation(s.xc[q], p.bkc[q], p.blc[q], p.buc[q], wt), eq);
      }
      break;
    }
    case Kind::PVar:
      for (int32_t j = 0; j < cnt; ++j) {
        size_t q = static_cast<size_t>(j);
        v[q] = bound_violation(s.xx[q], p.bkx[q], p.blx[q], p.bux[q], wt);
      }
      break;
    case Kind::Itg:
      for (int32_t j = 0; j < cnt; ++j) {
        size_t q = static_cast<size_t>(j);
        if (p.vartype[q] == ZRV_VAR_TYPE_INT) v[q] = std::fabs(s.xx[q] - std::nearbyint(s.xx[q]));
      }
      break;
    case Kind::PBarvar:
      if (w == ZRV_SOL_ITR)
        for (int32_t j = 0; j < cnt; ++j)
          v[static_cast<size_t>(j)] = barvar_primal_violation(t, j, s.barx.data() + st.baroff[static_cast<size_t>(j)]);
      break;
    case Kind::PCone:
      for (int32_t c = 0; c < cnt; ++c) v[static_cast<size_t>(c)] = cone_primal_violation(t, c, s.xx.data());
      break;
    case Kind::DCon:
      for (int32_t i = 0; i < cnt; ++i) {
        size_t q = static_cast<size_t>(i);
        double r = std::fabs(s.y[q] - s.slc[q] + s.suc[q]);
        r = std::max(r, sign_violation(s.slc[q], bk_has_lower(p.bkc[q]), sg));
        v[q] = std::max(r, sign_violation(s.suc[q], bk_has_upper(p.bkc[q]), sg));
      }
      break;
    case Kind::DVar: {
      if (int32_t r = multiply(t, s.y.data(), v.data(), true)) return r;
      for (int32_t j = 0; j < cnt; ++j) v[static_cast<size_t>(j)] = wt * p.c[static_cast<size_t>(j)] - v[static_cast<size_t>(j)];
      quad_gradient_add(t, s.xx.data(), s.y.data(), wt, v.data());
      for (int32_t j = 0; j < cnt; ++j) {
        size_t q = static_cast<size_t>(j);
        double r = v[q] - s.slx[q] + s.sux[q] - (w == ZRV_SOL_ITR ? s.snx[q] : 0.0);
        r = std::max(std::fabs(r), sign_violation(s.slx[q], bk_has_lower(p.bkx[q]), sg));
        v[q] = std::max(r, sign_violation(s.sux[q], bk_has_upper(p.bkx[q]), sg));
      }
      break;
    }
    case Kind::DBarvar:
      if (w == ZRV_SOL_ITR)
        for (int32_t j = 0; j < cnt; ++j)
          v[static_cast<size_t>(j)] =
              barvar_dual_violation(t, j, wt, s.y.data(), s.bars.data() + st.baroff[static_cast<size_t>(j)]);
      break;
    case Kind::DCone:
      if (w == ZRV_SOL_ITR)
        for (int32_t c = 0; c < cnt; ++c) v[static_cast<size_t>(c)] = cone_dual_violation(t, c, s.snx.data());
      break;
    case Kind::ZeroCon:
    case Kind::ZeroVar: break;
  }
  return ZRV_RES_OK;
}

int32_t maximum(ZRVtask_s* t, int32_t w, Kind k, pvec<double>& work, double* out) {
  if (int32_t r = compute(t, w, k, work)) return r;
  double m = 0.0;
  for (double x : work) m = std::max(m, x);
  *out = m;
  return ZRV_RES_OK;
}

double primal_objective(ZRVtask_s* t, int32_t w) {
  const Problem& p = *t->prob;
  Solution& s = sol_of(t, w);
  const double wt = solution_weight(s);
  double v = 0.0;
  for (int32_t j = 0; j < p.numvar; ++j) v += p.c[static_cast<size_t>(j)] * s.xx[static_cast<size_t>(j)];
  v += wt * p.cfix + wt * quad_objective_value(t, s.xx.data());
  if (w == ZRV_SOL_ITR) v += barvar_objective_value(t, s.barx.data());
  return v;
}

double dual_objective(ZRVtask_s* t, int32_t w) {
  const Problem& p = *t->prob;
  Solution& s = sol_of(t, w);
  const double wt = solution_weight(s);
  double v = 0.0;
  for (int32_t i = 0; i < p.numcon; ++i) {
    size_t q = static_cast<size_t>(i);
    if (bk_has_lower(p.bkc[q])) v += p.blc[q] * s.slc[q];
    if (bk_has_upper(p.bkc[q])) v -= p.buc[q] * s.suc[q];
  }
  for (int32_t j = 0; j < p.numvar; ++j) {
    size_t q = static_cast<size_t>(j);
    if (bk_has_lower(p.bkx[q])) v += p.blx[q] * s.slx[q];
    if (bk_has_upper(p.bkx[q])) v -= p.bux[q] * s.sux[q];
  }
  return v + wt * p.cfix + wt * quad_dual_objective_term(t, s.xx.data(), s.y.data());
}

struct Info {
  double pobj = 0, pviolcon = 0, pviolvar = 0, pviolbarvar = 0, pviolcone = 0, pviolitg = 0;
  double dobj = 0, dviolcon = 0, dviolvar = 0, dviolbarvar = 0, dviolcone = 0;
};

// All maxima of a defined solution; the dual ones stay 0 for the integer solution.
int32_t solution_info(ZRVtask_s* t, int32_t w, Info& f) {
  pvec<double> work(&mem(t));
  f = Info{};
  f.pobj = primal_objective(t, w);
  if (int32_t r = maximum(t, w, Kind::PCon, work, &f.pviolcon)) return r;
  if (int32_t r = maximum(t, w, Kind::PVar, work, &f.pviolvar)) return r;
  if (int32_t r = maximum(t, w, Kind::PBarvar, work, &f.pviolbarvar)) return r;
  if (int32_t r = maximum(t, w, Kind::PCone, work, &f.pviolcone)) return r;
  if (int32_t r = maximum(t, w, Kind::Itg, work, &f.pviolitg)) return r;
  if (w == ZRV_SOL_ITG) return ZRV_RES_OK;
  f.dobj = dual_objective(t, w);
  if (int32_t r = maximum(t, w, Kind::DCon, work, &f.dviolcon)) return r;
  if (int32_t r = maximum(t, w, Kind::DVar, work, &f.dviolvar)) return r;
  if (int32_t r = maximum(t, w, Kind::DBarvar, work, &f.dviolbarvar)) return r;
  return maximum(t, w, Kind::DCone, work, &f.dviolcone);
}

int32_t check_solution(ZRVtask_s* t, int32_t w) {
  if (int32_t r = sol_check_whichsol(t, w)) return r;
  return sol_check_defined(t, w);
}

// The per-item getters: whichsol, the listed indices, definition; then the measures of the listed items.
int32_t list_get(ZRVtask_s* t, int32_t w, Kind k, int32_t num, const int32_t* sub, double* out) {
  if (int32_t r = sol_check_whichsol(t, w)) return r;
  if (kind_is_dual(k) && w == ZRV_SOL_ITG) return ZRV_REPORT(t, ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  if (num > 0 && !sub) return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, "sub");
  const int32_t cnt = kind_count(t, k);
  for (int32_t q = 0; q < num; ++q) {
    if (sub[q] < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(sub[q]), "sub");
    if (sub[q] >= cnt) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, static_cast<int64_t>(sub[q]), "sub");
  }
  if (int32_t r = sol_check_defined(t, w)) return r;
  if (!out || num <= 0) return ZRV_RES_OK;
  return guarded(t, [&]() -> int32_t {
    pvec<double> work(&mem(t));
    if (int32_t r = compute(t, w, k, work)) return r;
    for (int32_t q = 0; q < num; ++q) out[q] = work[static_cast<size_t>(sub[q])];
    return ZRV_RES_OK;
  });
}

int32_t check_accmode(ZRVtask_s* t, int32_t accmode) {
  if (accmode != ZRV_ACC_VAR && accmode != ZRV_ACC_CON) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_ACCMODE, accmode);
  return ZRV_RES_OK;
}

// ---- summaries

void append_format(std::pmr::string& s, const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  s += buf;
}

// The status word, or "INVALID CODE(<code>)" in buf for a code without one.
const char* status_text(const char* word, int32_t code, char (&buf)[48]) {
  if (word) return word;
  std::snprintf(buf, sizeof buf, "INVALID CODE(%d)", code);
  return buf;
}

int32_t one_summary(ZRVtask_s* t, int32_t stream, int32_t w) {
  Solution& s = sol_of(t, w);
  if (t->ipar[ZRV_IPAR_LOG] == 0 || !s.defined) return ZRV_RES_OK;
  Info f;
  if (int32_t r = solution_info(t, w, f)) return r;
  const Problem& p = *t->prob;
  const SolStore& st = *t->sols;
  static const char* const titles[] = {"Interior-point solution summary\n", "Basic solution summary\n",
                                       "Integer solution solution summary\n"};
  std::pmr::string text(titles[w], &mem(t));
  char buf[48];
  text.append("  Problem status  : ").append(status_text(prosta_text(s.prosta), s.prosta, buf)).append("\n");
  text.append("  Solution status : ").append(status_text(solsta_text(s.solsta), s.solsta, buf)).append("\n");
  auto line = [&](const char* what, double obj, double con, double var, double barvar, double cones,
                  const double* itg) {
    char head[64];
    std::snprintf(head, sizeof head, "  %-7s  obj: %-18.10e  Viol.", what, obj);
    text += head;
    if (p.numcon > 0) append_format(text, "  con: %-7.0e", con);
    if (p.numvar > 0) append_format(text, "  var: %-7.0e", var);
    if (st.numbarvar() > 0) append_format(text, "  barvar: %-7.0e", barvar);
    if (st.numcone > 0) append_format(text, "  cones: %-7.0e", cones);
    if (itg && p.numintvar > 0) append_format(text, "  itg: %-7.0e", *itg);
    text += "\n";
  };
  if (s.solsta != ZRV_SOL_STA_PRIM_INFEAS_CER && s.solsta != ZRV_SOL_STA_NEAR_PRIM_INFEAS_CER)
    line("Primal.", f.pobj, f.pviolcon, f.pviolvar, f.pviolbarvar, f.pviolcone, &f.pviolitg);
  if (w != ZRV_SOL_ITG && s.solsta != ZRV_SOL_STA_DUAL_INFEAS_CER && s.solsta != ZRV_SOL_STA_NEAR_DUAL_INFEAS_CER)
    line("Dual.", f.dobj, f.dviolcon, f.dviolvar, f.dviolbarvar, f.dviolcone, nullptr);
  t->streams.write(stream, text.c_str());
  return ZRV_RES_OK;
}

int32_t check_stream(ZRVtask_s* t, int32_t stream) {
  if (!StreamBlock::valid_stream(stream)) return ZRV_REPORT(t, ZRV_RES_ERR_INVALID_STREAM, stream);
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

#define ZRV_VIOL_GETTER(name, kind)                                                                          \
  ZRVrescodee ZRV_##name(ZRVtask_t task, ZRVsoltypee whichsol, ZRVint32t num, const ZRVint32t* sub,          \
                         ZRVrealt* viol) {                                                                   \
    if (int32_t r = check_task(task)) return r;                                                              \
    return list_get(task, whichsol, kind, num, sub, viol);                                                   \
  }
ZRV_VIOL_GETTER(getpviolcon, Kind::PCon)
ZRV_VIOL_GETTER(getpviolvar, Kind::PVar)
ZRV_VIOL_GETTER(getpviolbarvar, Kind::PBarvar)
ZRV_VIOL_GETTER(getpviolcones, Kind::PCone)
ZRV_VIOL_GETTER(getdviolcon, Kind::DCon)
ZRV_VIOL_GETTER(getdviolvar, Kind::DVar)
ZRV_VIOL_GETTER(getdviolbarvar, Kind::DBarvar)
ZRV_VIOL_GETTER(getdviolcones, Kind::DCone)
ZRV_VIOL_GETTER(getpeqi, Kind::ZeroCon)
ZRV_VIOL_GETTER(getpcni, Kind::PCone)
ZRV_VIOL_GETTER(getdcni, Kind::DCone)
ZRV_VIOL_GETTER(getinti, Kind::Itg)
#undef ZRV_VIOL_GETTER

ZRVrescodee ZRV_getdeqi(ZRVtask_t task, ZRVsoltypee whichsol, ZRVaccmodee accmode, ZRVint32t num,
                        const ZRVint32t* sub, ZRVrealt* deqi) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  if (whichsol == ZRV_SOL_ITG) return ZRV_REPORT(task, ZRV_RES_ERR_NO_DUAL_FOR_ITG_SOL);
  return list_get(task, whichsol, accmode == ZRV_ACC_CON ? Kind::ZeroCon : Kind::ZeroVar, num, sub, deqi);
}

ZRVrescodee ZRV_getpbi(ZRVtask_t task, ZRVsoltypee whichsol, ZRVaccmodee accmode, ZRVint32t num,
                       const ZRVint32t* sub, ZRVrealt* pbi) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  return list_get(task, whichsol, accmode == ZRV_ACC_CON ? Kind::PCon : Kind::PVar, num, sub, pbi);
}

ZRVrescodee ZRV_getdbi(ZRVtask_t task, ZRVsoltypee whichsol, ZRVaccmodee accmode, ZRVint32t num,
                       const ZRVint32t* sub, ZRVrealt* dbi) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (int32_t r = check_accmode(task, accmode)) return r;
  return list_get(task, whichsol, accmode == ZRV_ACC_CON ? Kind::DCon : Kind::DVar, num, sub, dbi);
}

ZRVrescodee ZRV_getprimalobj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVrealt* primalobj) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_solution(task, whichsol)) return r;
  return guarded(task, [&] {
    if (primalobj) *primalobj = primal_objective(task, whichsol);
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getdualobj(ZRVtask_t task, ZRVsoltypee whichsol, ZRVrealt* dualobj) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  if (whichsol == ZRV_SOL_ITG) return ZRV_REPORT(task, ZRV_RES_ERR_NO_DUAL_INFO_FOR_ITG_SOL);
  if (int32_t r = sol_check_defined(task, whichsol)) return r;
  return guarded(task, [&] {
    if (dualobj) *dualobj = dual_objective(task, whichsol);
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getsolutioninfo(ZRVtask_t task, ZRVsoltypee whichsol, ZRVrealt* pobj, ZRVrealt* pviolcon,
                                ZRVrealt* pviolvar, ZRVrealt* pviolbarvar, ZRVrealt* pviolcone, ZRVrealt* pviolitg,
                                ZRVrealt* dobj, ZRVrealt* dviolcon, ZRVrealt* dviolvar, ZRVrealt* dviolbarvar,
                                ZRVrealt* dviolcone) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_solution(task, whichsol)) return r;
  return guarded(task, [&]() -> int32_t {
    Info f;
    if (int32_t r = solution_info(task, whichsol, f)) return r;
    const std::pair<double*, double> outs[] = {
        {pobj, f.pobj},         {pviolcon, f.pviolcon}, {pviolvar, f.pviolvar},       {pviolbarvar, f.pviolbarvar},
        {pviolcone, f.pviolcone}, {pviolitg, f.pviolitg}, {dobj, f.dobj},             {dviolcon, f.dviolcon},
        {dviolvar, f.dviolvar}, {dviolbarvar, f.dviolbarvar}, {dviolcone, f.dviolcone}};
    for (auto [dst, v] : outs)
      if (dst) *dst = v;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getsolutioninf(ZRVtask_t task, ZRVsoltypee whichsol, ZRVprostae* prosta, ZRVsolstae* solsta,
                               ZRVrealt* primalobj, ZRVrealt* maxpbi, ZRVrealt* maxpcni, ZRVrealt* maxpeqi,
                               ZRVrealt* maxinti, ZRVrealt* dualobj, ZRVrealt* maxdbi, ZRVrealt* maxdcni,
                               ZRVrealt* maxdeqi) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_solution(task, whichsol)) return r;
  return guarded(task, [&]() -> int32_t {
    Info f;
    if (int32_t r = solution_info(task, whichsol, f)) return r;
    const Solution& s = sol_of(task, whichsol);
    if (prosta) *prosta = s.prosta;
    if (solsta) *solsta = s.solsta;
    const std::pair<double*, double> outs[] = {{primalobj, f.pobj},
                                               {maxpbi, std::max({f.pviolcon, f.pviolvar, f.pviolbarvar})},
                                               {maxpcni, f.pviolcone},
                                               {maxpeqi, 0.0},
                                               {maxinti, f.pviolitg},
                                               {dualobj, f.dobj},
                                               {maxdbi, std::max({f.dviolcon, f.dviolvar, f.dviolbarvar})},
                                               {maxdcni, f.dviolcone},
                                               {maxdeqi, 0.0}};
    for (auto [dst, v] : outs)
      if (dst) *dst = v;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_updatesolutioninfo(ZRVtask_t task, ZRVsoltypee whichsol) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_solution(task, whichsol)) return r;
  return guarded(task, [&]() -> int32_t {
    Info f;
    if (int32_t r = solution_info(task, whichsol, f)) return r;
    const Solution& s = sol_of(task, whichsol);
    switch (whichsol) {
      case ZRV_SOL_ITR:
        inf_setint(task, ZRV_IINF_SOL_ITR_PROSTA, s.prosta);
        inf_setint(task, ZRV_IINF_SOL_ITR_SOLSTA, s.solsta);
        inf_setdou(task, ZRV_DINF_SOL_ITR_PRIMAL_OBJ, f.pobj);
        inf_setdou(task, ZRV_DINF_SOL_ITR_PVIOLCON, f.pviolcon);
        inf_setdou(task, ZRV_DINF_SOL_ITR_PVIOLVAR, f.pviolvar);
        inf_setdou(task, ZRV_DINF_SOL_ITR_PVIOLBARVAR, f.pviolbarvar);
        inf_setdou(task, ZRV_DINF_SOL_ITR_PVIOLCONES, f.pviolcone);
        inf_setdou(task, ZRV_DINF_SOL_ITR_DUAL_OBJ, f.dobj);
        inf_setdou(task, ZRV_DINF_SOL_ITR_DVIOLCON, f.dviolcon);
        inf_setdou(task, ZRV_DINF_SOL_ITR_DVIOLVAR, f.dviolvar);
        inf_setdou(task, ZRV_DINF_SOL_ITR_DVIOLBARVAR, f.dviolbarvar);
        inf_setdou(task, ZRV_DINF_SOL_ITR_DVIOLCONES, f.dviolcone);
        break;
      case ZRV_SOL_BAS:
        inf_setint(task, ZRV_IINF_SOL_BAS_PROSTA, s.prosta);
        inf_setint(task, ZRV_IINF_SOL_BAS_SOLSTA, s.solsta);
        inf_setdou(task, ZRV_DINF_SOL_BAS_PRIMAL_OBJ, f.pobj);
        inf_setdou(task, ZRV_DINF_SOL_BAS_PVIOLCON, f.pviolcon);
        inf_setdou(task, ZRV_DINF_SOL_BAS_PVIOLVAR, f.pviolvar);
        inf_setdou(task, ZRV_DINF_SOL_BAS_DUAL_OBJ, f.dobj);
        inf_setdou(task, ZRV_DINF_SOL_BAS_DVIOLCON, f.dviolcon);
        inf_setdou(task, ZRV_DINF_SOL_BAS_DVIOLVAR, f.dviolvar);
        break;
      default:
        inf_setint(task, ZRV_IINF_SOL_ITG_PROSTA, s.prosta);
        inf_setint(task, ZRV_IINF_SOL_ITG_SOLSTA, s.solsta);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PRIMAL_OBJ, f.pobj);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PVIOLCON, f.pviolcon);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PVIOLVAR, f.pviolvar);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PVIOLBARVAR, f.pviolbarvar);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PVIOLCONES, f.pviolcone);
        inf_setdou(task, ZRV_DINF_SOL_ITG_PVIOLITG, f.pviolitg);
        break;
    }
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_onesolutionsummary(ZRVtask_t task, ZRVstreamtypee whichstream, ZRVsoltypee whichsol) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_stream(task, whichstream)) return r;
  if (int32_t r = sol_check_whichsol(task, whichsol)) return r;
  return guarded(task, [&] { return one_summary(task, whichstream, whichsol); });
}

ZRVrescodee ZRV_solutionsummary(ZRVtask_t task, ZRVstreamtypee whichstream) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_stream(task, whichstream)) return r;
  return guarded(task, [&]() -> int32_t {
    if (task->ipar[ZRV_IPAR_LOG] == 0) return ZRV_RES_OK;
    for (int32_t w : {ZRV_SOL_ITR, ZRV_SOL_BAS, ZRV_SOL_ITG}) {
      if (!sol_of(task, w).defined) continue;
      task->streams.write(whichstream, "\n");
      if (int32_t r = one_summary(task, whichstream, w)) return r;
    }
    return ZRV_RES_OK;
  });
}

}  // extern "C"
