#include "cpub/spmat.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

namespace zrv {

const char* sp_status_text(SpStatus s) {
  switch (s) {
    case SpStatus::Ok: return "";
    case SpStatus::AppendRows: return "append rows";
    case SpStatus::MaxsizeTooSmall: return " maxsize is too small";
    case SpStatus::Space: return "Out of space.";
    case SpStatus::NegativeSurplus: return "Negative surplus.";
    case SpStatus::Locked: return "Is locked already %d";
    default: return "sprmat: %d\n";
  }
}

std::string SpCheck::text() const {
  if (!fmt) return {};
  std::string out;
  int32_t next = 0;
  for (const char* p = fmt; *p;) {
    if (p[0] == '%' && p[1] == 'd') {
      p += 2;
    } else if (std::strncmp(p, "%I64d", 5) == 0) {
      p += 5;
    } else {
      out.push_back(*p++);
      continue;
    }
    out += std::to_string(next < nargs ? arg[next] : 0);
    ++next;
  }
  return out;
}

// What a reorganisation of the pool needs, allocated before anything is changed.
struct SpMat::Relayout {
  enum Kind { None, Compact, Grow } kind = None;
  std::pmr::vector<int32_t> order;
  std::pmr::vector<int32_t> nsub;
  std::pmr::vector<double> nval;
  explicit Relayout(std::pmr::memory_resource* mr) : order(mr), nsub(mr), nval(mr) {}
};

namespace {

// Reserves room for n more elements with geometric growth, so that a following push_back cannot throw.
template <class V>
void reserve_more(V& v, size_t n) {
  size_t want = v.size() + n;
  if (want > v.capacity()) v.reserve(std::max(want, 2 * v.capacity()));
}

}  // namespace

SpMat::SpMat(std::pmr::memory_resource* mr) noexcept
    : mr_(mr), sub_(mr), val_(mr), ptrb_(mr), ptre_(mr), heads_(mr), plink_(mr), pvec_(mr), vslot_(mr), touched_(mr), mark_(mr),
      asub_(mr), aval_(mr) {}

void SpMat::init(int32_t maxvec, int64_t poolsize) {
  assert(maxvec >= 0 && poolsize >= 0);
  std::pmr::vector<int32_t> s(static_cast<size_t>(poolsize), 0, mr_);
  std::pmr::vector<double> v(static_cast<size_t>(poolsize), 0.0, mr_);
  std::pmr::vector<int64_t> b(static_cast<size_t>(maxvec), 0, mr_);
  std::pmr::vector<int64_t> e(static_cast<size_t>(maxvec), 0, mr_);
  sub_.swap(s);
  val_.swap(v);
  ptrb_.swap(b);
  ptre_.swap(e);
  std::pmr::vector<int64_t>(mr_).swap(heads_);
  std::pmr::vector<int32_t>(mr_).swap(vslot_);
  plink_.clear();
  pvec_.clear();
  touched_.clear();
  nvec_ = 0;
  maxvec_ = maxvec;
  nminor_ = 0;
  ffree_ = live_ = npend_ = 0;
}

void SpMat::set_max_vec(int32_t newmax) {
  assert(newmax >= nvec_);
  if (newmax == maxvec_) return;
  std::pmr::vector<int64_t> b(static_cast<size_t>(newmax), 0, mr_);
  std::pmr::vector<int64_t> e(static_cast<size_t>(newmax), 0, mr_);
  std::pmr::vector<int64_t> h(mr_);
  std::pmr::vector<int32_t> vs(mr_);
  if (!heads_.empty()) {
    h.assign(static_cast<size_t>(newmax), -1);
    vs.assign(static_cast<size_t>(newmax), -1);
  }
  std::copy_n(ptrb_.begin(), nvec_, b.begin());
  std::copy_n(ptre_.begin(), nvec_, e.begin());
  if (!heads_.empty()) std::copy_n(heads_.begin(), nvec_, h.begin());
  ptrb_.swap(b);
  ptre_.swap(e);
  heads_.swap(h);
  vslot_.swap(vs);
  maxvec_ = newmax;
}

void SpMat::append_vec(int32_t num) noexcept {
  assert(num >= 0 && num <= maxvec_ - nvec_);
  for (int32_t k = nvec_; k < nvec_ + num; ++k) {
    ptrb_[k] = ptre_[k] = 0;
    if (!heads_.empty()) heads_[k] = -1;
  }
  nvec_ += num;
}

void SpMat::ensure_mark(int32_t n) {
  if (mark_.size() < static_cast<size_t>(n)) mark_.resize(std::max<size_t>(n, 2 * mark_.size()), -1);
}

// ---------------------------------------------------------------------------------------------------------
// Reorganisation of the pool

void SpMat::plan(Relayout& r, int64_t need, int64_t slack, int64_t live, int64_t ffree, int64_t npend) const {
  const int64_t size = maxsze();
  const int64_t free = size - npend - ffree;
  const int64_t dead = ffree - live;
  if (free >= need) {
    r.kind = Relayout::None;
  } else if (free + dead >= need + slack) {
    r.kind = Relayout::Compact;
    r.order.reserve(static_cast<size_t>(nvec_));
  } else {
    r.kind = Relayout::Grow;
    const int64_t newsize = std::max(2 * size, live + npend + need + slack) + 1;
    r.nsub.resize(static_cast<size_t>(newsize));
    r.nval.resize(static_cast<size_t>(newsize));
  }
}

void SpMat::apply(Relayout& r) noexcept {
  if (r.kind == Relayout::Compact) {
    compact_with(r.order);
  } else if (r.kind == Relayout::Grow) {
    grow_into(r.nsub, r.nval);
  }
}

void SpMat::make_room(int64_t need, int64_t slack) {
  if (free_space() >= need) return;
  Relayout r(mr_);
  plan(r, need, slack, live_, ffree_, npend_);
  apply(r);
}

void SpMat::compact_with(std::pmr::vector<int32_t>& order) noexcept {
  // order has capacity for every vector, so nothing here allocates.
  order.clear();
  for (int32_t k = 0; k < nvec_; ++k) {
    if (ptre_[k] > ptrb_[k]) {
      order.push_back(k);
    } else {
      ptrb_[k] = ptre_[k] = 0;
    }
  }
  std::sort(order.begin(), order.end(), [this](int32_t a, int32_t b) { return ptrb_[a] < ptrb_[b]; });
  int64_t fpos = 0;
  for (int32_t k : order) {
    const int64_t len = ptre_[k] - ptrb_[k];
    if (ptrb_[k] != fpos) {
      std::memmove(sub_.data() + fpos, sub_.data() + ptrb_[k], static_cast<size_t>(len) * sizeof(int32_t));
      std::memmove(val_.data() + fpos, val_.data() + ptrb_[k], static_cast<size_t>(len) * sizeof(double));
    }
    ptrb_[k] = fpos;
    ptre_[k] = fpos + len;
    fpos += len;
  }
  assert(fpos == live_);
  ffree_ = fpos;
}

void SpMat::grow_into(std::pmr::vector<int32_t>& nsub, std::pmr::vector<double>& nval) noexcept {
  const int64_t newsize = static_cast<int64_t>(nsub.size());
  assert(newsize >= live_ + npend_);
  int64_t fpos = 0;
  for (int32_t k = 0; k < nvec_; ++k) {
    const int64_t len = ptre_[k] - ptrb_[k];
    std::copy_n(sub_.data() + ptrb_[k], len, nsub.data() + fpos);
    std::copy_n(val_.data() + ptrb_[k], len, nval.data() + fpos);
    ptrb_[k] = len ? fpos : 0;
    ptre_[k] = ptrb_[k] + len;
    fpos += len;
  }
  // The pending area keeps its numbering from the top.
  const int64_t oldtop = maxsze() - npend_;
  std::copy_n(sub_.data() + oldtop, npend_, nsub.data() + (newsize - npend_));
  std::copy_n(val_.data() + oldtop, npend_, nval.data() + (newsize - npend_));
  sub_.swap(nsub);
  val_.swap(nval);
  ffree_ = fpos;
  ++reallocs_;
}

void SpMat::compact() {
  assert(npend_ == 0);
  if (dead() == 0) return;
  std::pmr::vector<int32_t> order(mr_);
  order.reserve(static_cast<size_t>(nvec_));
  compact_with(order);
}

void SpMat::set_pool_size(int64_t size) {
  assert(npend_ == 0);
  size = std::max(size, live_);
  if (size == maxsze()) return;
  std::pmr::vector<int32_t> s(static_cast<size_t>(size), 0, mr_);
  std::pmr::vector<double> v(static_cast<size_t>(size), 0.0, mr_);
  grow_into(s, v);
}

// ---------------------------------------------------------------------------------------------------------
// Single elements

double SpMat::find(int32_t k, int32_t idx) const noexcept {
  assert(k >= 0 && k < nvec_);
  if (!heads_.empty()) {
    for (int64_t q = heads_[k]; q != -1; q = plink_[q]) {
      const int64_t pos = pend_pos(q);
      if (sub_[pos] == idx) return val_[pos];
    }
  }
  for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) {
    if (sub_[p] == idx) return val_[p];
  }
  return 0.0;
}

void SpMat::push_pending(int32_t k, int32_t idx, double v) {
  assert(k >= 0 && k < nvec_ && idx >= 0 && idx < nminor_);
  if (free_space() < 1) {
    merge();
    // Leave room for a batch of updates in proportion to the stored entries, so that the next merge is paid
    // for by the updates that trigger it.
    make_room(1 + live_ / 4, 0);
  }
  if (heads_.empty()) {
    std::pmr::vector<int64_t> h(static_cast<size_t>(maxvec_), -1, mr_);
    vslot_.assign(static_cast<size_t>(maxvec_), -1);
    heads_.swap(h);
  }
  reserve_more(plink_, 1);
  reserve_more(pvec_, 1);
  reserve_more(touched_, 1);
  const int64_t q = npend_;
  const int64_t pos = pend_pos(q);
  sub_[pos] = idx;
  val_[pos] = v;
  plink_.push_back(heads_[k]);
  pvec_.push_back(k);
  if (heads_[k] == -1) touched_.push_back(k);
  heads_[k] = q;
  ++npend_;
}

void SpMat::release_pending() noexcept {
  for (int32_t k : touched_) heads_[k] = -1;
  touched_.clear();
  plink_.clear();
  pvec_.clear();
  npend_ = 0;
}

void SpMat::merge() {
  if (npend_ == 0) return;
  ensure_mark(nminor_);
  struct Deferred {
    int32_t k;
    int64_t base, len;
  };
  std::pmr::vector<Deferred> deferred(mr_);
  deferred.reserve(touched_.size());
  // The work area holds every merged vector that has to wait for the rebuild, at most the stored entries of
  // the touched vectors plus all pending updates.
  int64_t bound = npend_;
  for (int32_t k : touched_) bound += vec_len(k);
  asub_.clear();
  aval_.clear();
  asub_.reserve(static_cast<size_t>(bound));
  aval_.reserve(static_cast<size_t>(bound));
  const size_t nt = touched_.size();
  std::pmr::vector<int64_t> bend(nt, 0, mr_);
  std::pmr::vector<int32_t> bsub(static_cast<size_t>(npend_), mr_);
  std::pmr::vector<double> bval(static_cast<size_t>(npend_), mr_);
  // Nothing below allocates until the rebuild is planned: the marks are always cleared again.
  //
  // The updates are first sorted by vector, newest first within each (a counting sort over the touched
  // vectors): walking the per-vector lists instead would be a chain of dependent loads all over the pool.
  for (size_t t = 0; t < nt; ++t) vslot_[touched_[t]] = static_cast<int32_t>(t);
  for (int64_t q = 0; q < npend_; ++q) {
    const int32_t t = vslot_[pvec_[q]];
    if (t + 1 < static_cast<int32_t>(nt)) ++bend[t + 1];
  }
  for (size_t t = 1; t < nt; ++t) bend[t] += bend[t - 1];
  // bend[t] is now the start of bucket t; filling moves it to the end of bucket t.
  for (int64_t q = npend_ - 1; q >= 0; --q) {
    const int64_t b = bend[vslot_[pvec_[q]]]++;
    bsub[b] = sub_[pend_pos(q)];
    bval[b] = val_[pend_pos(q)];
  }
  for (int32_t k : touched_) vslot_[k] = -1;
  for (size_t t = 0; t < nt; ++t) {
    const int32_t k = touched_[t];
    const int64_t old = vec_len(k);
    const int64_t base = static_cast<int64_t>(asub_.size());
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) {
      mark_[sub_[p]] = static_cast<int64_t>(asub_.size());
      asub_.push_back(sub_[p]);
      aval_.push_back(val_[p]);
    }
    // Newest first: the first update seen for an index wins. A mark >= 0 is a stored entry not yet updated,
    // a mark <= -2 an entry already updated.
    for (int64_t b = t == 0 ? 0 : bend[t - 1]; b < bend[t]; ++b) {
      const int32_t i = bsub[b];
      const int64_t m = mark_[i];
      if (m == -1) {
        mark_[i] = -(static_cast<int64_t>(asub_.size()) + 2);
        asub_.push_back(i);
        aval_.push_back(bval[b]);
      } else if (m >= 0) {
        aval_[m] = bval[b];
        mark_[i] = -(m + 2);
      }
    }
    int64_t w = base;
    const int64_t end = static_cast<int64_t>(asub_.size());
    for (int64_t t = base; t < end; ++t) {
      mark_[asub_[t]] = -1;
      if (aval_[t] != 0.0) {
        asub_[w] = asub_[t];
        aval_[w] = aval_[t];
        ++w;
      }
    }
    asub_.resize(static_cast<size_t>(w));
    aval_.resize(static_cast<size_t>(w));
    const int64_t len = w - base;
    int64_t dst;
    if (len <= old) {
      dst = ptrb_[k];
    } else if (len <= free_space()) {
      dst = ffree_;
      ffree_ += len;
    } else {
      deferred.push_back({k, base, len});
      continue;
    }
    std::copy_n(asub_.data() + base, len, sub_.data() + dst);
    std::copy_n(aval_.data() + base, len, val_.data() + dst);
    ptrb_[k] = dst;
    ptre_[k] = dst + len;
    live_ += len - old;
    asub_.resize(static_cast<size_t>(base));
    aval_.resize(static_cast<size_t>(base));
  }
  if (deferred.empty()) {
    release_pending();
    return;
  }
  // The vectors that fit nowhere are rebuilt after the pending area is given up: their old ranges become dead
  // space, the pool is compacted or grown, and they are placed at ffree.
  int64_t need = 0, oldlen = 0;
  for (const Deferred& d : deferred) {
    need += d.len;
    oldlen += vec_len(d.k);
  }
  Relayout r(mr_);
  plan(r, need, (live_ - oldlen) / 8, live_ - oldlen, ffree_, 0);
  for (const Deferred& d : deferred) ptre_[d.k] = ptrb_[d.k];
  live_ -= oldlen;
  release_pending();
  apply(r);
  for (const Deferred& d : deferred) {
    std::copy_n(asub_.data() + d.base, d.len, sub_.data() + ffree_);
    std::copy_n(aval_.data() + d.base, d.len, val_.data() + ffree_);
    ptrb_[d.k] = ffree_;
    ptre_[d.k] = ffree_ + d.len;
    ffree_ += d.len;
    live_ += d.len;
  }
  asub_.clear();
  aval_.clear();
}

// ---------------------------------------------------------------------------------------------------------
// Whole vectors

void SpMat::put_vector(int32_t k, int64_t nz, const int32_t* idx, const double* v, double droptol) {
  assert(npend_ == 0 && k >= 0 && k < nvec_ && nz >= 0);
  ensure_mark(nminor_);
  asub_.clear();
  aval_.clear();
  asub_.reserve(static_cast<size_t>(nz));
  aval_.reserve(static_cast<size_t>(nz));
  for (int64_t t = 0; t < nz; ++t) {
    const int32_t i = idx[t];
    assert(i >= 0 && i < nminor_);
    const int64_t m = mark_[i];
    if (m < 0) {
      mark_[i] = static_cast<int64_t>(asub_.size());
      asub_.push_back(i);
      aval_.push_back(v[t]);
    } else {
      aval_[m] += v[t];
    }
  }
  int64_t len = 0;
  for (size_t t = 0; t < asub_.size(); ++t) {
    mark_[asub_[t]] = -1;
    const double a = aval_[t];
    if (a != 0.0 && !(a < droptol && a > -droptol)) {
      asub_[len] = asub_[t];
      aval_[len] = a;
      ++len;
    }
  }
  const int64_t old = vec_len(k);
  int64_t dst;
  if (len <= old) {
    dst = ptrb_[k];
  } else {
    make_room(len, live_ / 8);
    dst = ffree_;
    ffree_ += len;
  }
  std::copy_n(asub_.data(), len, sub_.data() + dst);
  std::copy_n(aval_.data(), len, val_.data() + dst);
  ptrb_[k] = dst;
  ptre_[k] = dst + len;
  live_ += len - old;
}

// ---------------------------------------------------------------------------------------------------------
// Transposition and removal

void SpMat::transpose(int32_t newmax) {
  assert(npend_ == 0 && newmax >= nminor_);
  std::pmr::vector<int64_t> nb(static_cast<size_t>(newmax), 0, mr_);
  std::pmr::vector<int64_t> next(static_cast<size_t>(newmax), 0, mr_);
  std::pmr::vector<int32_t> tsub(mr_);
  std::pmr::vector<double> tval(mr_);
  bool scratch = true;
  try {
    tval.resize(static_cast<size_t>(live_));
    tsub.resize(static_cast<size_t>(live_));
  } catch (const std::bad_alloc&) {
    scratch = false;
  }
  if (!scratch) {
    std::pmr::vector<int64_t>(mr_).swap(nb);  // leave the memory to the in-place method
    std::pmr::vector<int64_t>(mr_).swap(next);
    transpose_in_place(newmax);
    return;
  }
  // Counting sort into scratch arrays: vectors are read in index order, so each new vector comes out sorted.
  for (int32_t k = 0; k < nvec_; ++k) {
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) ++next[sub_[p]];
  }
  int64_t run = 0;
  for (int32_t m = 0; m < nminor_; ++m) {
    nb[m] = run;
    run += next[m];
    next[m] = nb[m];
  }
  for (int32_t k = 0; k < nvec_; ++k) {
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) {
      const int64_t q = next[sub_[p]]++;
      tsub[q] = k;
      tval[q] = val_[p];
    }
  }
  std::copy_n(tsub.data(), live_, sub_.data());
  std::copy_n(tval.data(), live_, val_.data());
  finish_transpose(nb, next, newmax);
}

void SpMat::finish_transpose(std::pmr::vector<int64_t>& nb, std::pmr::vector<int64_t>& ne, int32_t newmax) noexcept {
  for (int32_t m = 0; m < nminor_; ++m) {
    if (ne[m] == nb[m]) nb[m] = ne[m] = 0;
  }
  ptrb_.swap(nb);
  ptre_.swap(ne);
  std::pmr::vector<int64_t>(mr_).swap(heads_);
  std::pmr::vector<int32_t>(mr_).swap(vslot_);
  std::swap(nvec_, nminor_);
  maxvec_ = newmax;
  ffree_ = live_;
  ++transposes_;
}

void SpMat::transpose_in_place(int32_t newmax) {
  std::pmr::vector<int32_t> order(mr_);
  order.reserve(static_cast<size_t>(nvec_));
  std::pmr::vector<int32_t> major(static_cast<size_t>(live_), 0, mr_);
  std::pmr::vector<int64_t> nb(static_cast<size_t>(newmax), 0, mr_);
  std::pmr::vector<int64_t> next(static_cast<size_t>(newmax), 0, mr_);
  // Nothing below allocates.
  compact_with(order);
  for (int32_t k = 0; k < nvec_; ++k) {
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) major[p] = k;
  }
  for (int64_t p = 0; p < live_; ++p) ++next[sub_[p]];
  int64_t run = 0;
  for (int32_t m = 0; m < nminor_; ++m) {
    nb[m] = run;
    run += next[m];
    next[m] = nb[m];
  }
  // Bucket m is [nb[m], end(m)); positions below next[m] are final (their sub holds the new index). Each
  // entry is moved once: the entry at the first open position of bucket m is carried along a cycle until an
  // entry that belongs to m closes it.
  for (int32_t m = 0; m < nminor_; ++m) {
    const int64_t end = m + 1 < nminor_ ? nb[m + 1] : live_;
    while (next[m] < end) {
      const int64_t p = next[m];
      int32_t csub = sub_[p];
      int32_t cmaj = major[p];
      double cval = val_[p];
      while (csub != m) {
        const int64_t q = next[csub]++;
        const int32_t tsub = sub_[q];
        const int32_t tmaj = major[q];
        const double tval = val_[q];
        sub_[q] = cmaj;
        val_[q] = cval;
        csub = tsub;
        cmaj = tmaj;
        cval = tval;
      }
      sub_[p] = cmaj;
      val_[p] = cval;
      ++next[m];
    }
  }
  ++slow_transposes_;
  finish_transpose(nb, next, newmax);
}

bool SpMat::remove_vectors(int32_t num, const int32_t* subset) {
  assert(npend_ == 0);
  std::pmr::vector<char> gone(static_cast<size_t>(nvec_), 0, mr_);
  for (int32_t t = 0; t < num; ++t) {
    const int32_t k = subset[t];
    if (k < 0 || k >= nvec_ || gone[k]) return false;
    gone[k] = 1;
  }
  int32_t w = 0;
  for (int32_t k = 0; k < nvec_; ++k) {
    if (gone[k]) {
      live_ -= ptre_[k] - ptrb_[k];
    } else {
      ptrb_[w] = ptrb_[k];
      ptre_[w] = ptre_[k];
      ++w;
    }
  }
  for (int32_t k = w; k < nvec_; ++k) ptrb_[k] = ptre_[k] = 0;
  nvec_ = w;
  return true;
}

bool SpMat::remove_minor(int32_t num, const int32_t* subset) {
  assert(npend_ == 0);
  std::pmr::vector<int32_t> newidx(static_cast<size_t>(nminor_), 0, mr_);
  for (int32_t t = 0; t < num; ++t) {
    const int32_t i = subset[t];
    if (i < 0 || i >= nminor_ || newidx[i] == -1) return false;
    newidx[i] = -1;
  }
  int32_t n = 0;
  for (int32_t i = 0; i < nminor_; ++i) {
    if (newidx[i] != -1) newidx[i] = n++;
  }
  for (int32_t k = 0; k < nvec_; ++k) {
    int64_t w = ptrb_[k];
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) {
      const int32_t ni = newidx[sub_[p]];
      if (ni >= 0) {
        sub_[w] = ni;
        val_[w] = val_[p];
        ++w;
      }
    }
    live_ -= ptre_[k] - w;
    ptre_[k] = w;
  }
  nminor_ = n;
  return true;
}

// ---------------------------------------------------------------------------------------------------------
// Self-test

namespace {

SpCheck fail(const char* fmt, std::initializer_list<int64_t> args) {
  SpCheck c;
  c.fmt = fmt;
  for (int64_t a : args) c.arg[c.nargs++] = a;
  return c;
}

}  // namespace

SpCheck SpMat::check() const {
  const int64_t size = maxsze();
  if (ffree_ < 0 || npend_ < 0 || ffree_ + npend_ > size) {
    return fail("a->ffree>a->maxsze %I64d %I64d", {ffree_ + npend_, size});
  }
  std::pmr::vector<int32_t> order(mr_);
  order.reserve(static_cast<size_t>(nvec_));
  int64_t total = 0;
  for (int32_t k = 0; k < nvec_; ++k) {
    if (ptrb_[k] > ptre_[k]) return fail("ptrb[i]>ptre[i]", {});
    if (ptrb_[k] < 0) return fail("ptrb[i]<fpos", {});
    if (ptre_[k] > ptrb_[k]) order.push_back(k);
    total += ptre_[k] - ptrb_[k];
  }
  std::sort(order.begin(), order.end(), [this](int32_t a, int32_t b) { return ptrb_[a] < ptrb_[b]; });
  int64_t fpos = 0;
  for (int32_t k : order) {
    if (ptrb_[k] < fpos) return fail("ptrb[i]<fpos", {});
    fpos = ptre_[k];
  }
  // The free part starts where the last vector ends at the earliest.
  if (ffree_ < fpos) return fail("ptrb[i]<fpos", {});

  std::pmr::vector<int64_t> seen(static_cast<size_t>(nminor_), -1, mr_);
  for (int32_t k = 0; k < nvec_; ++k) {
    for (int64_t p = ptrb_[k]; p < ptre_[k]; ++p) {
      const int32_t i = sub_[p];
      if (i < 0 || i >= nminor_) return fail("index error(sub[t]>=vlen)", {});
      if (seen[i] == k) {
        return fail("duplicate elememt in %d at %d ptr: %I64d %I64d", {k, i, ptrb_[k], ptre_[k]});
      }
      seen[i] = k;
      if (val_[p] == 0.0) return fail("zero element in %d at %d ptr: %I64d %I64d", {k, i, ptrb_[k], ptre_[k]});
    }
  }
  if (total != live_) return fail("nonzero count %I64d differs from the vectors' %I64d", {live_, total});

  // Pending lists: every update on exactly one list, links to strictly older updates only.
  if (npend_ > 0 && heads_.size() != static_cast<size_t>(maxvec_)) {
    return fail("pending list error in %d", {-1});
  }
  if (static_cast<int64_t>(plink_.size()) != npend_ || static_cast<int64_t>(pvec_.size()) != npend_) {
    return fail("pending list error in %d", {-1});
  }
  int64_t onlists = 0;
  for (int32_t k = 0; k < nvec_ && !heads_.empty(); ++k) {
    int64_t prev = npend_;
    for (int64_t q = heads_[k]; q != -1; q = plink_[q]) {
      if (q < 0 || q >= prev || pvec_[q] != k) return fail("pending list error in %d", {k});
      const int32_t i = sub_[pend_pos(q)];
      if (i < 0 || i >= nminor_) return fail("index error(sub[t]>=vlen)", {});
      prev = q;
      ++onlists;
    }
  }
  if (onlists != npend_) return fail("pending list error in %d", {-1});
  return {};
}

}  // namespace zrv
