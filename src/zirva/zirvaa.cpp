// The constraint matrix A and the linear objective (c, cfix, sense) of a task: argument and coefficient checks
// with their reports, the notifications of the solution store, and one call into the sparse matrix per request.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/info.h"
#include "zirva/modules.h"
#include "zirva/problem.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

#define SP_STATUS(t, s) report_sp_status((t), static_cast<int32_t>(s), __FILE__, __LINE__)

struct ItemName {
  char buf[ZRV_MAX_STR_LEN + 1];
};

const char* con_name(ZRVtask_s* t, int32_t i, ItemName& n) { return item_name(t, ITEM_CON, i, n.buf, sizeof n.buf); }
const char* var_name(ZRVtask_s* t, int32_t j, ItemName& n) { return item_name(t, ITEM_VAR, j, n.buf, sizeof n.buf); }

SprMat& amat(ZRVtask_s* t) { return t->prob->A; }
int32_t count(ZRVtask_s* t, SpDim d) { return d == SpDim::Rows ? t->prob->numcon : t->prob->numvar; }

// Runs the body of an operation on A; every change of the pool size it causes is counted in the information
// item STO_NUM_A_REALLOC.
template <class F>
int32_t on_matrix(ZRVtask_s* t, F&& body) {
  return guarded(t, [&]() -> int32_t {
    const int64_t before = amat(t).pool_reallocs();
    const int32_t r = body();
    const int64_t grown = amat(t).pool_reallocs() - before;
    if (grown > 0) {
      const int64_t n = inf_getint(t, ZRV_IINF_STO_NUM_A_REALLOC) + grown;
      inf_setint(t, ZRV_IINF_STO_NUM_A_REALLOC, static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)));
    }
    return r;
  });
}

// ---- argument checks -----------------------------------------------------------------------------------------

int32_t check_index(ZRVtask_s* t, int64_t k, int32_t n, const char* arg) {
  if (k < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, k, arg);
  if (k >= n) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_LARGE, k, arg);
  return ZRV_RES_OK;
}

int32_t check_slice(ZRVtask_s* t, int32_t first, int32_t last, int32_t n) {
  if (first < 0) return ZRV_REPORT(t, ZRV_RES_ERR_FIRST, first);
  if (last < 0 || last > n) return ZRV_REPORT(t, ZRV_RES_ERR_LAST, last);
  return ZRV_RES_OK;
}

int32_t null_pointer(ZRVtask_s* t, const char* arg) { return ZRV_REPORT(t, ZRV_RES_ERR_NULL_POINTER, arg); }

// A count handed out through a 32-bit argument.
int32_t put_count32(ZRVtask_s* t, int64_t v, int32_t* out) {
  if (v > INT32_MAX) return ZRV_REPORT(t, ZRV_RES_ERR_INT64_TO_INT32_CAST);
  if (out) *out = static_cast<int32_t>(v);
  return ZRV_RES_OK;
}

// ---- coefficient checks --------------------------------------------------------------------------------------

// NaN and huge values are errors; with `warn`, a large value gives its warning (which fails only when the
// response function turns it into a failure).
int32_t check_aij(ZRVtask_s* t, int32_t i, int32_t j, double a, bool warn) {
  ItemName ni, nj;
  if (std::isnan(a))
    return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_AIJ, con_name(t, i, ni), i, var_name(t, j, nj), j);
  const double m = std::fabs(a);
  if (m >= t->dpar[ZRV_DPAR_DATA_TOL_AIJ_HUGE])
    return ZRV_REPORT(t, ZRV_RES_ERR_HUGE_AIJ, a, con_name(t, i, ni), i, var_name(t, j, nj), j);
  if (warn && m >= t->dpar[ZRV_DPAR_DATA_TOL_AIJ_LARGE])
    return ZRV_REPORT(t, ZRV_RES_WRN_LARGE_AIJ, a, con_name(t, i, ni), i, var_name(t, j, nj), j);
  return ZRV_RES_OK;
}

int32_t check_cj(ZRVtask_s* t, int32_t j, double cj) {
  ItemName n;
  if (std::isnan(cj)) return ZRV_REPORT(t, ZRV_RES_ERR_NAN_IN_C, var_name(t, j, n), j);
  const double m = std::fabs(cj);
  if (m > t->dpar[ZRV_DPAR_DATA_TOL_C_HUGE]) return ZRV_REPORT(t, ZRV_RES_ERR_HUGE_C, cj, var_name(t, j, n), j);
  if (m > t->dpar[ZRV_DPAR_DATA_TOL_CJ_LARGE])
    return ZRV_REPORT(t, ZRV_RES_WRN_LARGE_CJ, cj, var_name(t, j, n), j);
  return ZRV_RES_OK;
}

// ---- A: single entries ---------------------------------------------------------------------------------------

int32_t put_aij(ZRVtask_s* t, int32_t i, int32_t j, double a) {
  if (int32_t r = check_index(t, i, t->prob->numcon, "i")) return r;
  if (int32_t r = check_index(t, j, t->prob->numvar, "j")) return r;
  if (int32_t r = check_aij(t, i, j, a, true)) return r;
  sol_column_changed(t, j);
  if (std::fabs(a) < t->dpar[ZRV_DPAR_DATA_TOL_AIJ]) a = 0.0;
  return SP_STATUS(t, amat(t).put_element(i, j, a));
}

template <class N>
int32_t put_aij_list(ZRVtask_s* t, N num, const int32_t* subi, const int32_t* subj, const double* val) {
  if (num <= 0) return ZRV_RES_OK;
  if (!subi) return null_pointer(t, "subi");
  if (!subj) return null_pointer(t, "subj");
  if (!val) return null_pointer(t, "valij");
  for (N q = 0; q < num; ++q)
    if (int32_t r = put_aij(t, subi[q], subj[q], val[q])) return r;
  return ZRV_RES_OK;
}

// ---- A: vectors ----------------------------------------------------------------------------------------------

// How a vector's entries are named in messages: the single-vector forms name their argument ("subj", "subi"),
// the list and slice forms give the vector's position in the call and the entry's position in the vector.
struct EntryArg {
  const char* single = nullptr;
  int32_t vecpos = -1;
  char buf[64];
  const char* name(int64_t entry) {
    if (single) return single;
    std::snprintf(buf, sizeof buf, "(asub+aptrb[%d])[%lld]", vecpos, static_cast<long long>(entry));
    return buf;
  }
};

// Replaces row (d = Rows) or column k by sub/val[0..nz-1]. Every entry index is checked; NaN and huge values
// are refused whatever the form, so no put can store them. `listform` adds the checks of the list and slice
// forms: the large-value warning and the near-zero count with its warning after the vector is stored.
// Duplicates are summed; sums of magnitude at most DATA_TOL_AIJ are not stored.
int32_t put_vec(ZRVtask_s* t, SpDim d, int32_t k, int64_t nz, const int32_t* sub, const double* val, EntryArg& arg,
                bool listform) {
  const SpDim other = sp_other(d);
  const int32_t bound = count(t, other);
  const double tol = t->dpar[ZRV_DPAR_DATA_TOL_AIJ];
  int64_t nearzero = 0;
  for (int64_t q = 0; q < nz; ++q) {
    if (int32_t r = check_index(t, sub[q], bound, arg.name(q))) return r;
    const int32_t i = d == SpDim::Rows ? k : sub[q], j = d == SpDim::Rows ? sub[q] : k;
    if (int32_t r = check_aij(t, i, j, val[q], listform)) return r;
    if (std::fabs(val[q]) <= tol) ++nearzero;
  }
  SprMat& A = amat(t);
  if (d == SpDim::Cols) {
    sol_column_changed(t, k);
  } else {
    // Every column the row touches changes: the ones it held and the ones it gets.
    if (SpStatus s = A.lock(SpDim::Rows); s != SpStatus::Ok) return SP_STATUS(t, s);
    const SpVecView old = A.vector(k);
    for (int64_t q = 0; q < old.nz; ++q) sol_column_changed(t, old.sub[q]);
    A.unlock();
    for (int64_t q = 0; q < nz; ++q) sol_column_changed(t, sub[q]);
  }
  const double droptol = std::nextafter(tol, std::numeric_limits<double>::infinity());
  if (SpStatus s = A.put_vector(d, k, nz, sub, val, droptol); s != SpStatus::Ok) return SP_STATUS(t, s);
  if (listform && nearzero > 0) {
    ItemName n;
    if (d == SpDim::Rows) return ZRV_REPORT(t, ZRV_RES_WRN_ZEROS_IN_SPARSE_ROW, nearzero, con_name(t, k, n), k, "A");
    return ZRV_REPORT(t, ZRV_RES_WRN_ZEROS_IN_SPARSE_COL, nearzero, var_name(t, k, n), k, "A");
  }
  return ZRV_RES_OK;
}

int32_t put_one_vec(ZRVtask_s* t, SpDim d, int32_t k, int32_t nz, const int32_t* sub, const double* val) {
  const bool rows = d == SpDim::Rows;
  if (int32_t r = check_index(t, k, count(t, d), rows ? "i" : "j")) return r;
  if (nz < 0) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_SMALL, static_cast<int64_t>(nz), rows ? "nzi" : "nzj");
  if (nz > 0 && !sub) return null_pointer(t, rows ? "subi" : "subj");
  if (nz > 0 && !val) return null_pointer(t, rows ? "vali" : "valj");
  EntryArg arg;
  arg.single = rows ? "subi" : "subj";
  return put_vec(t, d, k, nz, sub, val, arg, false);
}

// Vector number `pos` of a list or slice call: sub/val[ptrb .. ptre-1] becomes vector k.
template <class P>
int32_t put_listed_vec(ZRVtask_s* t, SpDim d, int32_t pos, int32_t k, P ptrb, P ptre, const int32_t* asub,
                       const double* aval) {
  if (ptre < ptrb) return ZRV_REPORT(t, ZRV_RES_ERR_INV_APTRE, pos);
  if (ptrb < 0) {
    char arg[32];
    std::snprintf(arg, sizeof arg, "ptrb[%d]", pos);
    return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_IS_TOO_SMALL, static_cast<int64_t>(ptrb), arg);
  }
  const int64_t nz = static_cast<int64_t>(ptre) - static_cast<int64_t>(ptrb);
  if (nz > 0 && !asub) return null_pointer(t, "asub");
  if (nz > 0 && !aval) return null_pointer(t, "aval");
  EntryArg arg;
  arg.vecpos = pos;
  const int64_t b = static_cast<int64_t>(ptrb);
  return put_vec(t, d, k, nz, nz > 0 ? asub + b : nullptr, nz > 0 ? aval + b : nullptr, arg, true);
}

template <class P>
int32_t put_vec_list(ZRVtask_s* t, SpDim d, int32_t num, const int32_t* sub, const P* ptrb, const P* ptre,
                     const int32_t* asub, const double* aval) {
  if (num <= 0) return ZRV_RES_OK;
  if (!sub) return null_pointer(t, "sub");
  if (!ptrb) return null_pointer(t, "ptrb");
  if (!ptre) return null_pointer(t, "ptre");
  const int32_t n = count(t, d);
  for (int32_t q = 0; q < num; ++q) {
    if (sub[q] < 0) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_SMALL, sub[q], "sub", q, 0);
    if (sub[q] >= n) return ZRV_REPORT(t, ZRV_RES_ERR_INDEX_ARR_IS_TOO_LARGE, sub[q], "sub", q, n);
    if (int32_t r = put_listed_vec(t, d, q, sub[q], ptrb[q], ptre[q], asub, aval)) return r;
  }
  return ZRV_RES_OK;
}

template <class P>
int32_t put_vec_slice(ZRVtask_s* t, SpDim d, int32_t first, int32_t last, const P* ptrb, const P* ptre,
                      const int32_t* asub, const double* aval) {
  if (int32_t r = check_slice(t, first, last, count(t, d))) return r;
  if (first >= last) return ZRV_RES_OK;
  if (!ptrb) return null_pointer(t, "ptrb");
  if (!ptre) return null_pointer(t, "ptre");
  for (int32_t k = first; k < last; ++k)
    if (int32_t r = put_listed_vec(t, d, k - first, k, ptrb[k - first], ptre[k - first], asub, aval)) return r;
  return ZRV_RES_OK;
}

// ---- A: getters ----------------------------------------------------------------------------------------------

int32_t get_vec_nnz(ZRVtask_s* t, SpDim d, int32_t k, int32_t* nz) {
  if (int32_t r = check_index(t, k, count(t, d), d == SpDim::Rows ? "i" : "j")) return r;
  int64_t n = 0;
  if (SpStatus s = amat(t).vector_nnz(d, k, &n); s != SpStatus::Ok) return SP_STATUS(t, s);
  return put_count32(t, n, nz);
}

int32_t get_vec(ZRVtask_s* t, SpDim d, int32_t k, int32_t* nz, int32_t* sub, double* val) {
  if (int32_t r = check_index(t, k, count(t, d), d == SpDim::Rows ? "i" : "j")) return r;
  int64_t n = 0;
  if (SpStatus s = amat(t).get_vector(d, k, &n, sub, val); s != SpStatus::Ok) return SP_STATUS(t, s);
  return put_count32(t, n, nz);
}

SpDim dim_of_accmode(int32_t accmode) { return accmode == ZRV_ACC_VAR ? SpDim::Cols : SpDim::Rows; }

int32_t get_slice_nnz(ZRVtask_s* t, int32_t accmode, int32_t first, int32_t last, int64_t* nz) {
  const SpDim d = dim_of_accmode(accmode);
  if (int32_t r = check_slice(t, first, last, count(t, d))) return r;
  return SP_STATUS(t, amat(t).slice_nnz(d, first, last, nz));
}

// The surplus on entry: not negative and not beyond the arrays' length.
int32_t check_surplus(ZRVtask_s* t, int64_t maxnumnz, const void* surp, int64_t value) {
  if (!surp) return null_pointer(t, "surp");
  if (value < 0) return ZRV_REPORT(t, ZRV_RES_ERR_NEGATIVE_SURPLUS);
  if (value > maxnumnz) return ZRV_REPORT(t, ZRV_RES_ERR_ARG_IS_TOO_LARGE, value, "surp");
  return ZRV_RES_OK;
}

template <class P>
int32_t get_slice(ZRVtask_s* t, int32_t accmode, int32_t first, int32_t last, P maxnumnz, P* surp, P* ptrb,
                  P* ptre, int32_t* sub, double* val) {
  const SpDim d = dim_of_accmode(accmode);
  if (int32_t r = check_slice(t, first, last, count(t, d))) return r;
  if (int32_t r = check_surplus(t, maxnumnz, surp, surp ? *surp : 0)) return r;
  int64_t s64 = *surp;
  const SpStatus s = amat(t).get_slice<P>(d, first, last, maxnumnz, &s64, ptrb, ptre, sub, val);
  if (s != SpStatus::Ok) return SP_STATUS(t, s);
  *surp = static_cast<P>(s64);
  return ZRV_RES_OK;
}

int32_t get_slice_trip(ZRVtask_s* t, SpDim d, int32_t first, int32_t last, int32_t maxnumnz, int32_t* surp,
                       int32_t* subi, int32_t* subj, double* val) {
  if (int32_t r = check_slice(t, first, last, count(t, d))) return r;
  if (int32_t r = check_surplus(t, maxnumnz, surp, surp ? *surp : 0)) return r;
  int64_t s64 = *surp;
  const SpStatus s = amat(t).get_slice_triplets(d, first, last, maxnumnz, &s64, subi, subj, val);
  if (s != SpStatus::Ok) return SP_STATUS(t, s);
  *surp = static_cast<int32_t>(s64);
  return ZRV_RES_OK;
}

int32_t get_piece_nnz(ZRVtask_s* t, int32_t firsti, int32_t lasti, int32_t firstj, int32_t lastj, int32_t* numnz) {
  if (firsti < 0) return ZRV_REPORT(t, ZRV_RES_ERR_FIRSTI, firsti);
  if (lasti > t->prob->numcon) return ZRV_REPORT(t, ZRV_RES_ERR_LASTI, lasti);
  if (firstj < 0) return ZRV_REPORT(t, ZRV_RES_ERR_FIRSTJ, firstj);
  if (lastj > t->prob->numvar) return ZRV_REPORT(t, ZRV_RES_ERR_LASTJ, lastj);
  int64_t n = 0;
  if (SpStatus s = amat(t).piece_nnz(firsti, lasti, firstj, lastj, &n); s != SpStatus::Ok) return SP_STATUS(t, s);
  return put_count32(t, n, numnz);
}

int32_t put_max_num_anz(ZRVtask_s* t, int64_t maxnumanz) {
  if (maxnumanz < 0) return ZRV_REPORT(t, ZRV_RES_ERR_TOO_SMALL_MAXNUMANZ, maxnumanz);
  const Problem& p = *t->prob;
  if (p.maxnumcon < 1 && p.maxnumvar == 0) return ZRV_RES_OK;
  // Room for one pending update per constraint on top of the requested entries.
  if (maxnumanz > INT64_MAX - p.maxnumcon) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  return SP_STATUS(t, amat(t).set_pool_size(maxnumanz + p.maxnumcon));
}

// ---- objective -----------------------------------------------------------------------------------------------

int32_t put_cj(ZRVtask_s* t, int32_t j, double cj) {
  if (int32_t r = check_index(t, j, t->prob->numvar, "j")) return r;
  if (int32_t r = check_cj(t, j, cj)) return r;
  double& c = t->prob->c[static_cast<size_t>(j)];
  if (c != cj) {
    sol_cj_changed(t, j);
    c = cj;
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" {

// ---- A: puts -------------------------------------------------------------------------------------------------

ZRVrescodee ZRV_putaij(ZRVtask_t task, ZRVint32t i, ZRVint32t j, ZRVrealt aij) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_aij(task, i, j, aij); });
}

ZRVrescodee ZRV_putaijlist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subi, const ZRVint32t* subj,
                           const ZRVrealt* valij) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_aij_list(task, num, subi, subj, valij); });
}

ZRVrescodee ZRV_putaijlist64(ZRVtask_t task, ZRVint64t num, const ZRVint32t* subi, const ZRVint32t* subj,
                             const ZRVrealt* valij) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_aij_list(task, num, subi, subj, valij); });
}

ZRVrescodee ZRV_putacol(ZRVtask_t task, ZRVint32t j, ZRVint32t nzj, const ZRVint32t* subj, const ZRVrealt* valj) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_one_vec(task, SpDim::Cols, j, nzj, subj, valj); });
}

ZRVrescodee ZRV_putarow(ZRVtask_t task, ZRVint32t i, ZRVint32t nzi, const ZRVint32t* subi, const ZRVrealt* vali) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_one_vec(task, SpDim::Rows, i, nzi, subi, vali); });
}

ZRVrescodee ZRV_putacollist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVint32t* ptrb,
                            const ZRVint32t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_list(task, SpDim::Cols, num, sub, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putacollist64(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVint64t* ptrb,
                              const ZRVint64t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_list(task, SpDim::Cols, num, sub, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putarowlist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVint32t* ptrb,
                            const ZRVint32t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_list(task, SpDim::Rows, num, sub, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putarowlist64(ZRVtask_t task, ZRVint32t num, const ZRVint32t* sub, const ZRVint64t* ptrb,
                              const ZRVint64t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_list(task, SpDim::Rows, num, sub, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putacolslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVint32t* ptrb,
                             const ZRVint32t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_slice(task, SpDim::Cols, first, last, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putacolslice64(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVint64t* ptrb,
                               const ZRVint64t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_slice(task, SpDim::Cols, first, last, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putarowslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVint32t* ptrb,
                             const ZRVint32t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_slice(task, SpDim::Rows, first, last, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putarowslice64(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVint64t* ptrb,
                               const ZRVint64t* ptre, const ZRVint32t* asub, const ZRVrealt* aval) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_vec_slice(task, SpDim::Rows, first, last, ptrb, ptre, asub, aval); });
}

ZRVrescodee ZRV_putmaxnumanz(ZRVtask_t task, ZRVint64t maxnumanz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return put_max_num_anz(task, maxnumanz); });
}

// ---- A: gets -------------------------------------------------------------------------------------------------

ZRVrescodee ZRV_getaij(ZRVtask_t task, ZRVint32t i, ZRVint32t j, ZRVrealt* aij) {
  if (aij) *aij = 0.0;
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_index(task, i, task->prob->numcon, "i")) return r;
  if (int32_t r = check_index(task, j, task->prob->numvar, "j")) return r;
  if (aij) *aij = amat(task).get_element(i, j);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getacolnumnz(ZRVtask_t task, ZRVint32t j, ZRVint32t* nzj) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_vec_nnz(task, SpDim::Cols, j, nzj); });
}

ZRVrescodee ZRV_getarownumnz(ZRVtask_t task, ZRVint32t i, ZRVint32t* nzi) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_vec_nnz(task, SpDim::Rows, i, nzi); });
}

ZRVrescodee ZRV_getacol(ZRVtask_t task, ZRVint32t j, ZRVint32t* nzj, ZRVint32t* subj, ZRVrealt* valj) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_vec(task, SpDim::Cols, j, nzj, subj, valj); });
}

ZRVrescodee ZRV_getarow(ZRVtask_t task, ZRVint32t i, ZRVint32t* nzi, ZRVint32t* subi, ZRVrealt* vali) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_vec(task, SpDim::Rows, i, nzi, subi, vali); });
}

ZRVrescodee ZRV_getaslicenumnz(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t first, ZRVint32t last,
                               ZRVint32t* numnz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] {
    int64_t n = 0;
    if (int32_t r = get_slice_nnz(task, accmode, first, last, &n)) return r;
    return put_count32(task, n, numnz);
  });
}

ZRVrescodee ZRV_getaslicenumnz64(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t first, ZRVint32t last,
                                 ZRVint64t* numnz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_slice_nnz(task, accmode, first, last, numnz); });
}

ZRVrescodee ZRV_getaslice(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t first, ZRVint32t last, ZRVint32t maxnumnz,
                          ZRVint32t* surp, ZRVint32t* ptrb, ZRVint32t* ptre, ZRVint32t* sub, ZRVrealt* val) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_slice(task, accmode, first, last, maxnumnz, surp, ptrb, ptre, sub, val); });
}

ZRVrescodee ZRV_getaslice64(ZRVtask_t task, ZRVaccmodee accmode, ZRVint32t first, ZRVint32t last,
                            ZRVint64t maxnumnz, ZRVint64t* surp, ZRVint64t* ptrb, ZRVint64t* ptre, ZRVint32t* sub,
                            ZRVrealt* val) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_slice(task, accmode, first, last, maxnumnz, surp, ptrb, ptre, sub, val); });
}

ZRVrescodee ZRV_getapiecenumnz(ZRVtask_t task, ZRVint32t firsti, ZRVint32t lasti, ZRVint32t firstj, ZRVint32t lastj,
                               ZRVint32t* numnz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return get_piece_nnz(task, firsti, lasti, firstj, lastj, numnz); });
}

ZRVrescodee ZRV_getarowslicetrip(ZRVtask_t task, ZRVint32t first, ZRVint32t last, ZRVint32t maxnumnz,
                                 ZRVint32t* surp, ZRVint32t* subi, ZRVint32t* subj, ZRVrealt* val) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task,
                   [&] { return get_slice_trip(task, SpDim::Rows, first, last, maxnumnz, surp, subi, subj, val); });
}

ZRVrescodee ZRV_getacolslicetrip(ZRVtask_t task, ZRVint32t first, ZRVint32t last, ZRVint32t maxnumnz,
                                 ZRVint32t* surp, ZRVint32t* subi, ZRVint32t* subj, ZRVrealt* val) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task,
                   [&] { return get_slice_trip(task, SpDim::Cols, first, last, maxnumnz, surp, subi, subj, val); });
}

ZRVrescodee ZRV_getnumanz(ZRVtask_t task, ZRVint32t* numanz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] {
    int64_t n = 0;
    if (SpStatus s = amat(task).num_nonzeros(&n); s != SpStatus::Ok) return SP_STATUS(task, s);
    return put_count32(task, n, numanz);
  });
}

ZRVrescodee ZRV_getnumanz64(ZRVtask_t task, ZRVint64t* numanz) {
  if (int32_t r = check_task(task)) return r;
  return on_matrix(task, [&] { return SP_STATUS(task, amat(task).num_nonzeros(numanz)); });
}

ZRVrescodee ZRV_getmaxnumanz(ZRVtask_t task, ZRVint32t* maxnumanz) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_count32(task, amat(task).pool_size(), maxnumanz); });
}

ZRVrescodee ZRV_getmaxnumanz64(ZRVtask_t task, ZRVint64t* maxnumanz) {
  if (int32_t r = check_task(task)) return r;
  if (maxnumanz) *maxnumanz = amat(task).pool_size();
  return ZRV_RES_OK;
}

// ---- objective -----------------------------------------------------------------------------------------------

ZRVrescodee ZRV_putcj(ZRVtask_t task, ZRVint32t j, ZRVrealt cj) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&] { return put_cj(task, j, cj); });
}

ZRVrescodee ZRV_putclist(ZRVtask_t task, ZRVint32t num, const ZRVint32t* subj, const ZRVrealt* val) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (num <= 0) return ZRV_RES_OK;
    if (!subj) return null_pointer(task, "subj");
    if (!val) return null_pointer(task, "val");
    for (int32_t q = 0; q < num; ++q)
      if (int32_t r = put_cj(task, subj[q], val[q])) return r;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_putcslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, const ZRVrealt* slice) {
  if (int32_t r = check_task(task)) return r;
  return guarded(task, [&]() -> int32_t {
    if (int32_t r = check_slice(task, first, last, task->prob->numvar)) return r;
    if (first >= last) return ZRV_RES_OK;
    if (!slice) return null_pointer(task, "slice");
    for (int32_t j = first; j < last; ++j)
      if (int32_t r = put_cj(task, j, slice[j - first])) return r;
    return ZRV_RES_OK;
  });
}

ZRVrescodee ZRV_getc(ZRVtask_t task, ZRVrealt* c) {
  if (int32_t r = check_task(task)) return r;
  const Problem& p = *task->prob;
  if (c) std::copy_n(p.c.begin(), p.numvar, c);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getcj(ZRVtask_t task, ZRVint32t j, ZRVrealt* cj) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_index(task, j, task->prob->numvar, "j")) return r;
  if (cj) *cj = task->prob->c[static_cast<size_t>(j)];
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getcslice(ZRVtask_t task, ZRVint32t first, ZRVint32t last, ZRVrealt* c) {
  if (int32_t r = check_task(task)) return r;
  if (int32_t r = check_slice(task, first, last, task->prob->numvar)) return r;
  if (c && first < last) std::copy(task->prob->c.begin() + first, task->prob->c.begin() + last, c);
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putcfix(ZRVtask_t task, ZRVrealt cfix) {
  if (int32_t r = check_task(task)) return r;
  task->prob->cfix = cfix;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getcfix(ZRVtask_t task, ZRVrealt* cfix) {
  if (int32_t r = check_task(task)) return r;
  if (cfix) *cfix = task->prob->cfix;
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_putobjsense(ZRVtask_t task, ZRVobjsensee sense) {
  if (int32_t r = check_task(task)) return r;
  if (sense != ZRV_OBJECTIVE_SENSE_MINIMIZE && sense != ZRV_OBJECTIVE_SENSE_MAXIMIZE)
    return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_OBJECTIVE_SENSE, sense);
  if (task->prob->sense != sense) {
    task->prob->sense = sense;
    sol_objective_sense_changed(task);
  }
  return ZRV_RES_OK;
}

ZRVrescodee ZRV_getobjsense(ZRVtask_t task, ZRVobjsensee* sense) {
  if (int32_t r = check_task(task)) return r;
  if (sense) *sense = task->prob->sense;
  return ZRV_RES_OK;
}

}  // extern "C"
