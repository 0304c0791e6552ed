#include "cpub/sprmat.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace zrv {

namespace {

// Runs f, turning any exception (out of memory, or a size beyond what a container can hold) into Space.
template <class F>
SpStatus guarded(F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return SpStatus::Space;
  }
}

// The caller guarantees valid arguments; a bad one is a fault of the caller, stopped here in release builds.
inline SpStatus invalid() {
  assert(!"sprmat: invalid argument");
  return SpStatus::Invalid;
}

}  // namespace

SprMat::SprMat(std::pmr::memory_resource* mr) noexcept : st_(mr) {}

SpStatus SprMat::init(int32_t maxrows, int32_t maxcols, int64_t poolsize, SpDim orient) noexcept {
  if (maxrows < 0 || maxcols < 0 || poolsize < 0 || lock_) return invalid();
  return guarded([&] {
    st_.init(orient == SpDim::Rows ? maxrows : maxcols, poolsize);
    orient_ = orient;
    nrow_ = ncol_ = 0;
    maxrow_ = maxrows;
    maxcol_ = maxcols;
    return SpStatus::Ok;
  });
}

// ---------------------------------------------------------------------------------------------------------
// Shape

SpStatus SprMat::append(SpDim d, int32_t num) noexcept {
  if (lock_) return SpStatus::Locked;
  if (num < 0) return invalid();
  if (num > capacity(d) - count(d)) return SpStatus::AppendRows;
  if (d == orient_) {
    st_.append_vec(num);
  } else {
    st_.set_num_minor(count(d) + num);
  }
  (d == SpDim::Rows ? nrow_ : ncol_) += num;
  return SpStatus::Ok;
}

SpStatus SprMat::set_capacity(SpDim d, int32_t cap) noexcept {
  if (lock_) return SpStatus::Locked;
  if (cap < count(d)) return SpStatus::MaxsizeTooSmall;
  return guarded([&] {
    if (d == orient_) st_.set_max_vec(cap);
    (d == SpDim::Rows ? maxrow_ : maxcol_) = cap;
    return SpStatus::Ok;
  });
}

SpStatus SprMat::remove(SpDim d, int32_t num, const int32_t* subset) noexcept {
  if (lock_) return SpStatus::Locked;
  if (num < 0 || num > count(d) || (num > 0 && !subset)) return invalid();
  if (num == 0) return SpStatus::Ok;
  return guarded([&] {
    st_.merge();
    const bool ok = d == orient_ ? st_.remove_vectors(num, subset) : st_.remove_minor(num, subset);
    if (!ok) return invalid();
    (d == SpDim::Rows ? nrow_ : ncol_) -= num;
    return SpStatus::Ok;
  });
}

// ---------------------------------------------------------------------------------------------------------
// Pool and orientation

SpStatus SprMat::set_pool_size(int64_t size) noexcept {
  if (lock_) return SpStatus::Locked;
  if (size < 0) return invalid();
  return guarded([&] {
    st_.merge();
    st_.set_pool_size(size);
    return SpStatus::Ok;
  });
}

SpStatus SprMat::commit() noexcept {
  if (st_.npending() == 0) return SpStatus::Ok;
  if (lock_) return SpStatus::Locked;
  return guarded([&] {
    st_.merge();
    return SpStatus::Ok;
  });
}

SpStatus SprMat::orient_impl(SpDim d) {
  if (st_.npending() == 0 && d == orient_) return SpStatus::Ok;
  if (lock_) return SpStatus::Locked;
  st_.merge();
  if (d != orient_) {
    st_.transpose(capacity(d));
    orient_ = d;
    ++ntrans_;
  }
  return SpStatus::Ok;
}

SpStatus SprMat::orient(SpDim d) noexcept {
  return guarded([&] { return orient_impl(d); });
}

// ---------------------------------------------------------------------------------------------------------
// Elements

SpStatus SprMat::put_element(int32_t i, int32_t j, double v) noexcept {
  if (lock_) return SpStatus::Locked;
  if (i < 0 || i >= nrow_ || j < 0 || j >= ncol_) return invalid();
  return guarded([&] {
    if (orient_ == SpDim::Rows) {
      st_.push_pending(i, j, v);
    } else {
      st_.push_pending(j, i, v);
    }
    return SpStatus::Ok;
  });
}

SpStatus SprMat::put_elements(int64_t num, const int32_t* subi, const int32_t* subj, const double* val) noexcept {
  if (num < 0 || (num > 0 && (!subi || !subj || !val))) return invalid();
  for (int64_t t = 0; t < num; ++t) {
    const SpStatus s = put_element(subi[t], subj[t], val[t]);
    if (s != SpStatus::Ok) return s;
  }
  return SpStatus::Ok;
}

double SprMat::get_element(int32_t i, int32_t j) const noexcept {
  if (i < 0 || i >= nrow_ || j < 0 || j >= ncol_) {
    invalid();
    return 0.0;
  }
  return orient_ == SpDim::Rows ? st_.find(i, j) : st_.find(j, i);
}

// ---------------------------------------------------------------------------------------------------------
// Vectors

bool SprMat::valid_subs(int64_t nz, const int32_t* sub, int32_t bound) const {
  for (int64_t t = 0; t < nz; ++t) {
    if (sub[t] < 0 || sub[t] >= bound) return false;
  }
  return true;
}

SpStatus SprMat::put_vector_impl(SpDim d, int32_t k, int64_t nz, const int32_t* sub, const double* val,
                                 double droptol) {
  if (lock_) return SpStatus::Locked;
  if (k < 0 || k >= count(d) || nz < 0 || (nz > 0 && (!sub || !val))) return invalid();
  if (!valid_subs(nz, sub, count(sp_other(d)))) return invalid();
  const SpStatus s = orient_impl(d);
  if (s != SpStatus::Ok) return s;
  st_.put_vector(k, nz, sub, val, droptol);
  return SpStatus::Ok;
}

SpStatus SprMat::put_vector(SpDim d, int32_t k, int64_t nz, const int32_t* sub, const double* val,
                            double droptol) noexcept {
  return guarded([&] { return put_vector_impl(d, k, nz, sub, val, droptol); });
}

template <class P>
SpStatus SprMat::put_vector_list(SpDim d, int32_t num, const int32_t* which, const P* ptrb, const P* ptre,
                                 const int32_t* sub, const double* val, double droptol) noexcept {
  if (num < 0 || (num > 0 && (!which || !ptrb || !ptre))) return invalid();
  for (int32_t t = 0; t < num; ++t) {
    if (ptre[t] < ptrb[t] || ptrb[t] < 0) return invalid();
    const int64_t b = ptrb[t];
    const SpStatus s = guarded([&] {
      return put_vector_impl(d, which[t], ptre[t] - b, sub ? sub + b : nullptr, val ? val + b : nullptr, droptol);
    });
    if (s != SpStatus::Ok) return s;
  }
  return SpStatus::Ok;
}

template <class P>
SpStatus SprMat::put_vector_slice(SpDim d, int32_t first, int32_t last, const P* ptrb, const P* ptre,
                                  const int32_t* sub, const double* val, double droptol) noexcept {
  if (first >= last) return SpStatus::Ok;
  if (first < 0 || last > count(d) || !ptrb || !ptre) return invalid();
  for (int32_t k = first; k < last; ++k) {
    const int32_t t = k - first;
    if (ptre[t] < ptrb[t] || ptrb[t] < 0) return invalid();
    const int64_t b = ptrb[t];
    const SpStatus s = guarded([&] {
      return put_vector_impl(d, k, ptre[t] - b, sub ? sub + b : nullptr, val ? val + b : nullptr, droptol);
    });
    if (s != SpStatus::Ok) return s;
  }
  return SpStatus::Ok;
}

SpStatus SprMat::vector_nnz(SpDim d, int32_t k, int64_t* nz) noexcept {
  if (k < 0 || k >= count(d)) return invalid();
  return guarded([&] {
    const SpStatus s = orient_impl(d);
    if (s != SpStatus::Ok) return s;
    if (nz) *nz = st_.vec_len(k);
    return SpStatus::Ok;
  });
}

SpStatus SprMat::get_vector(SpDim d, int32_t k, int64_t* nz, int32_t* sub, double* val) noexcept {
  if (k < 0 || k >= count(d)) return invalid();
  return guarded([&] {
    const SpStatus s = orient_impl(d);
    if (s != SpStatus::Ok) return s;
    const int64_t len = st_.vec_len(k);
    if (nz) *nz = len;
    if (sub) std::copy_n(st_.vec_sub(k), len, sub);
    if (val) std::copy_n(st_.vec_val(k), len, val);
    return SpStatus::Ok;
  });
}

SpStatus SprMat::slice_nnz(SpDim d, int32_t first, int32_t last, int64_t* nz) noexcept {
  if (first < last && (first < 0 || last > count(d))) return invalid();
  return guarded([&] {
    int64_t total = 0;
    if (first < last) {
      const SpStatus s = orient_impl(d);
      if (s != SpStatus::Ok) return s;
      for (int32_t k = first; k < last; ++k) total += st_.vec_len(k);
    }
    if (nz) *nz = total;
    return SpStatus::Ok;
  });
}

template <class P>
SpStatus SprMat::get_slice(SpDim d, int32_t first, int32_t last, int64_t maxnumnz, int64_t* surp, P* ptrb,
                           P* ptre, int32_t* sub, double* val) noexcept {
  if (!surp) return invalid();
  if (*surp < 0) return SpStatus::NegativeSurplus;
  // A surplus beyond the array length would put the first vector before the start of the arrays.
  if (*surp > maxnumnz) return invalid();
  if (first >= last) return SpStatus::Ok;
  if (first < 0 || last > count(d)) return invalid();
  return guarded([&] {
    const SpStatus s = orient_impl(d);
    if (s != SpStatus::Ok) return s;
    int64_t total = 0;
    for (int32_t k = first; k < last; ++k) total += st_.vec_len(k);
    if (total > *surp) return SpStatus::NegativeSurplus;
    int64_t pos = maxnumnz - *surp;
    for (int32_t k = first; k < last; ++k) {
      const int64_t len = st_.vec_len(k);
      if (ptrb) ptrb[k - first] = static_cast<P>(pos);
      if (sub) std::copy_n(st_.vec_sub(k), len, sub + pos);
      if (val) std::copy_n(st_.vec_val(k), len, val + pos);
      pos += len;
      if (ptre) ptre[k - first] = static_cast<P>(pos);
    }
    *surp -= total;
    return SpStatus::Ok;
  });
}

SpStatus SprMat::get_slice_triplets(SpDim d, int32_t first, int32_t last, int64_t maxnumnz, int64_t* surp,
                                    int32_t* subi, int32_t* subj, double* val) noexcept {
  if (!surp) return invalid();
  if (*surp < 0) return SpStatus::NegativeSurplus;
  if (*surp > maxnumnz) return invalid();
  if (first >= last) return SpStatus::Ok;
  if (first < 0 || last > count(d)) return invalid();
  return guarded([&] {
    const SpStatus s = orient_impl(d);
    if (s != SpStatus::Ok) return s;
    int64_t total = 0;
    for (int32_t k = first; k < last; ++k) total += st_.vec_len(k);
    if (total > *surp) return SpStatus::NegativeSurplus;
    int32_t* major = d == SpDim::Rows ? subi : subj;
    int32_t* minor = d == SpDim::Rows ? subj : subi;
    int64_t pos = maxnumnz - *surp;
    for (int32_t k = first; k < last; ++k) {
      const int64_t len = st_.vec_len(k);
      if (major) std::fill_n(major + pos, len, k);
      if (minor) std::copy_n(st_.vec_sub(k), len, minor + pos);
      if (val) std::copy_n(st_.vec_val(k), len, val + pos);
      pos += len;
    }
    *surp -= total;
    return SpStatus::Ok;
  });
}

SpStatus SprMat::piece_nnz(int32_t firsti, int32_t lasti, int32_t firstj, int32_t lastj, int64_t* nz) noexcept {
  if (firsti < 0 || lasti > nrow_ || firstj < 0 || lastj > ncol_) return invalid();
  return guarded([&] {
    const SpStatus s = commit();
    if (s != SpStatus::Ok) return s;
    const bool rows = orient_ == SpDim::Rows;
    const int32_t kb = rows ? firsti : firstj, ke = rows ? lasti : lastj;
    const int32_t ib = rows ? firstj : firsti, ie = rows ? lastj : lasti;
    int64_t total = 0;
    if (ib < ie) {
      for (int32_t k = kb; k < ke; ++k) {
        const int32_t* sub = st_.vec_sub(k);
        const int64_t len = st_.vec_len(k);
        for (int64_t t = 0; t < len; ++t) total += sub[t] >= ib && sub[t] < ie;
      }
    }
    if (nz) *nz = total;
    return SpStatus::Ok;
  });
}

SpStatus SprMat::num_nonzeros(int64_t* nz) noexcept {
  const SpStatus s = commit();
  if (s == SpStatus::Ok && nz) *nz = st_.live();
  return s;
}

// ---------------------------------------------------------------------------------------------------------
// Iteration lock and self-test

SpStatus SprMat::lock(SpDim d) noexcept {
  const SpStatus s = orient(d);
  if (s != SpStatus::Ok) return s;
  ++lock_;
  return SpStatus::Ok;
}

void SprMat::unlock() noexcept {
  assert(lock_ > 0);
  if (lock_ > 0) --lock_;
}

SpVecView SprMat::vector(int32_t k) const noexcept {
  assert(lock_ > 0);
  if (k < 0 || k >= major_count()) {
    invalid();
    return {};
  }
  return {st_.vec_len(k), st_.vec_sub(k), st_.vec_val(k)};
}

SpCheck SprMat::self_test() const noexcept {
  if (st_.num_vec() != major_count() || st_.num_minor() != minor_count() ||
      st_.max_vec() != capacity(orient_) || nrow_ > maxrow_ || ncol_ > maxcol_) {
    SpCheck c;
    c.fmt = "shape error %d %d";
    c.arg[0] = st_.num_vec();
    c.arg[1] = st_.num_minor();
    c.nargs = 2;
    return c;
  }
  try {
    return st_.check();
  } catch (...) {
    SpCheck c;
    c.fmt = "Out of space.";
    return c;
  }
}

template SpStatus SprMat::put_vector_list<int32_t>(SpDim, int32_t, const int32_t*, const int32_t*, const int32_t*,
                                                   const int32_t*, const double*, double) noexcept;
template SpStatus SprMat::put_vector_list<int64_t>(SpDim, int32_t, const int32_t*, const int64_t*, const int64_t*,
                                                   const int32_t*, const double*, double) noexcept;
template SpStatus SprMat::put_vector_slice<int32_t>(SpDim, int32_t, int32_t, const int32_t*, const int32_t*,
                                                    const int32_t*, const double*, double) noexcept;
template SpStatus SprMat::put_vector_slice<int64_t>(SpDim, int32_t, int32_t, const int64_t*, const int64_t*,
                                                    const int32_t*, const double*, double) noexcept;
template SpStatus SprMat::get_slice<int32_t>(SpDim, int32_t, int32_t, int64_t, int64_t*, int32_t*, int32_t*,
                                             int32_t*, double*) noexcept;
template SpStatus SprMat::get_slice<int64_t>(SpDim, int32_t, int32_t, int64_t, int64_t*, int64_t*, int64_t*,
                                             int32_t*, double*) noexcept;

}  // namespace zrv
