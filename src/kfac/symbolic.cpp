// Ordering choice and symbolic factorization of SymFactor.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "kfac/sfactor.h"

namespace zrv::kfac {
namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Pattern of C = P A P' in two forms: lower CSC (column j: rows i > j) and upper CSC (column j: rows i < j).
// src: for each lower entry, the input entry it comes from (or -1 for the upper form).  Diagonal entries dropped.
struct PermPattern {
  std::vector<int64_t> lp, up;
  std::vector<int32_t> li, ui;
  std::vector<int64_t> lsrc;
};

void permuted_pattern(int32_t n, const std::vector<int64_t>& ptr, const std::vector<int32_t>& row,
                      const std::vector<int32_t>& pinv, PermPattern& P, bool want_src) {
  P.lp.assign(n + 1, 0);
  P.up.assign(n + 1, 0);
  for (int32_t j = 0; j < n; j++)
    for (int64_t p = ptr[j]; p < ptr[j + 1]; p++) {
      int32_t a = pinv[row[p]], b = pinv[j];
      if (a == b) continue;
      int32_t lo = std::min(a, b), hi = std::max(a, b);
      P.lp[lo + 1]++;
      P.up[hi + 1]++;
    }
  for (int32_t j = 0; j < n; j++) { P.lp[j + 1] += P.lp[j]; P.up[j + 1] += P.up[j]; }
  P.li.resize(P.lp[n]);
  P.ui.resize(P.up[n]);
  if (want_src) P.lsrc.resize(P.lp[n]);
  std::vector<int64_t> lpos(P.lp.begin(), P.lp.end() - 1), upos(P.up.begin(), P.up.end() - 1);
  for (int32_t j = 0; j < n; j++)
    for (int64_t p = ptr[j]; p < ptr[j + 1]; p++) {
      int32_t a = pinv[row[p]], b = pinv[j];
      if (a == b) continue;
      int32_t lo = std::min(a, b), hi = std::max(a, b);
      int64_t q = lpos[lo]++;
      P.li[q] = hi;
      if (want_src) P.lsrc[q] = p;
      P.ui[upos[hi]++] = lo;
    }
}

void etree(int32_t n, const PermPattern& P, std::vector<int32_t>& parent) {
  parent.assign(n, -1);
  std::vector<int32_t> anc(n, -1);
  for (int32_t k = 0; k < n; k++) {
    for (int64_t p = P.up[k]; p < P.up[k + 1]; p++) {
      int32_t i = P.ui[p];
      while (i != -1 && i < k) {
        int32_t inext = anc[i];
        anc[i] = k;
        if (inext == -1) parent[i] = k;
        i = inext;
      }
    }
  }
}

void postorder(int32_t n, const std::vector<int32_t>& parent, std::vector<int32_t>& post) {
  std::vector<int32_t> head(n, -1), next(n, -1), stack(n);
  for (int32_t j = n - 1; j >= 0; j--) {
    if (parent[j] == -1) continue;
    next[j] = head[parent[j]];
    head[parent[j]] = j;
  }
  post.resize(n);
  int32_t k = 0;
  for (int32_t r = 0; r < n; r++) {
    if (parent[r] != -1) continue;
    int32_t top = 0;
    stack[0] = r;
    while (top >= 0) {
      int32_t p = stack[top];
      int32_t i = head[p];
      if (i == -1) {
        top--;
        post[k++] = p;
      } else {
        head[p] = next[i];
        stack[++top] = i;
      }
    }
  }
}

// Column counts of L (diagonal included) for a postordered etree (post = identity), Gilbert-Ng-Peyton skeleton
// algorithm with path-compressed least common ancestors; near O(nnz).
void column_counts(int32_t n, const PermPattern& P, const std::vector<int32_t>& parent, std::vector<int64_t>& cc) {
  std::vector<int32_t> first(n, -1), maxfirst(n, -1), prevleaf(n, -1), ancestor(n);
  std::vector<int64_t> delta(n);
  for (int32_t k = 0; k < n; k++) {
    int32_t j = k;
    delta[j] = (first[j] == -1) ? 1 : 0;
    for (; j != -1 && first[j] == -1; j = parent[j]) first[j] = k;
  }
  for (int32_t i = 0; i < n; i++) ancestor[i] = i;
  for (int32_t j = 0; j < n; j++) {
    if (parent[j] != -1) delta[parent[j]]--;
    for (int64_t p = P.lp[j]; p < P.lp[j + 1]; p++) {
      int32_t i = P.li[p];  // i > j
      if (first[j] <= maxfirst[i]) continue;
      maxfirst[i] = first[j];
      int32_t jprev = prevleaf[i];
      prevleaf[i] = j;
      if (jprev == -1) {
        delta[j]++;
      } else {
        int32_t q = jprev;
        while (q != ancestor[q]) q = ancestor[q];
        for (int32_t s = jprev; s != q;) { int32_t sp = ancestor[s]; ancestor[s] = q; s = sp; }
        delta[j]++;
        delta[q]--;
      }
    }
    if (parent[j] != -1) ancestor[j] = parent[j];
  }
  cc = delta;
  for (int32_t j = 0; j < n; j++)
    if (parent[j] != -1) cc[parent[j]] += cc[j];
}

// Nonzeros (diagonal included) and flops of the factor of an ordering, computed on the adjacency graph itself without
// forming the permuted matrix: elimination tree by path compression, a postorder of it, and the skeleton column
// counts of the postordered tree; near O(nnz).  perm is replaced by its postordered version, which has the same
// factor and for which postorder() gives the identity.
void count_ordering(const order::Graph& g, std::vector<int32_t>& perm, int64_t* lnz, double* flops) {
  const int32_t n = g.n;
  std::vector<int32_t> pinv(n), parent(n, -1), anc(n, -1), post;
  for (int32_t k = 0; k < n; k++) pinv[perm[k]] = k;
  for (int32_t k = 0; k < n; k++) {
    const int32_t j = perm[k];
    for (int64_t p = g.ptr[j]; p < g.ptr[j + 1]; p++) {
      int32_t i = pinv[g.adj[p]];
      while (i != -1 && i < k) {
        const int32_t inext = anc[i];
        anc[i] = k;
        if (inext == -1) parent[i] = k;
        i = inext;
      }
    }
  }
  postorder(n, parent, post);
  // first[j]: postorder position of the first descendant of j; the tree is walked in postorder
  std::vector<int32_t>& first = anc;
  std::vector<int32_t> maxfirst(n, -1), prevleaf(n, -1), ancestor(n);
  std::vector<int64_t> cc(n);
  first.assign(n, -1);
  for (int32_t k = 0; k < n; k++) {
    int32_t j = post[k];
    cc[j] = first[j] == -1 ? 1 : 0;
    for (; j != -1 && first[j] == -1; j = parent[j]) first[j] = k;
  }
  for (int32_t i = 0; i < n; i++) ancestor[i] = i;
  for (int32_t k = 0; k < n; k++) {
    const int32_t j = post[k];
    if (parent[j] != -1) cc[parent[j]]--;
    const int32_t v = perm[j];
    for (int64_t p = g.ptr[v]; p < g.ptr[v + 1]; p++) {
      const int32_t i = pinv[g.adj[p]];
      if (i <= j || first[j] <= maxfirst[i]) continue;
      maxfirst[i] = first[j];
      const int32_t jprev = prevleaf[i];
      prevleaf[i] = j;
      cc[j]++;
      if (jprev != -1) {
        int32_t q = jprev;
        while (q != ancestor[q]) q = ancestor[q];
        for (int32_t s = jprev; s != q;) { const int32_t sp = ancestor[s]; ancestor[s] = q; s = sp; }
        cc[q]--;
      }
    }
    if (parent[j] != -1) ancestor[j] = parent[j];
  }
  int64_t l = 0;
  double f = 0;
  for (int32_t j = 0; j < n; j++) {
    if (parent[j] != -1) cc[parent[j]] += cc[j];
    l += cc[j];
    f += (double)cc[j] * (double)cc[j];
  }
  *lnz = l;
  *flops = f;
  for (int32_t k = 0; k < n; k++) pinv[k] = perm[post[k]];
  perm.swap(pinv);
}

// Etree + postorder + counts for an ordering; perm is replaced by its postordered version.
void evaluate(int32_t n, const std::vector<int64_t>& ptr, const std::vector<int32_t>& row, std::vector<int32_t>& perm,
              int64_t* lnz, double* flops, PermPattern* keep, std::vector<int32_t>* keep_parent,
              std::vector<int64_t>* keep_cc) {
  std::vector<int32_t> pinv(n), parent, post;
  for (int32_t k = 0; k < n; k++) pinv[perm[k]] = k;
  PermPattern P;
  permuted_pattern(n, ptr, row, pinv, P, keep != nullptr);
  etree(n, P, parent);
  postorder(n, parent, post);
  bool ident = true;
  for (int32_t k = 0; k < n; k++)
    if (post[k] != k) { ident = false; break; }
  if (!ident) {  // orderings counted by count_ordering arrive postordered and skip this
    std::vector<int32_t> np(n);
    for (int32_t k = 0; k < n; k++) np[k] = perm[post[k]];
    perm.swap(np);
    for (int32_t k = 0; k < n; k++) pinv[perm[k]] = k;
    permuted_pattern(n, ptr, row, pinv, P, keep != nullptr);
    etree(n, P, parent);
  }
  std::vector<int64_t> cc;
  column_counts(n, P, parent, cc);
  int64_t l = 0;
  double f = 0;
  for (int32_t j = 0; j < n; j++) { l += cc[j]; f += (double)cc[j] * (double)cc[j]; }
  *lnz = l;
  *flops = f;
  if (keep) *keep = std::move(P);
  if (keep_parent) *keep_parent = std::move(parent);
  if (keep_cc) *keep_cc = std::move(cc);
}

}  // namespace

int SymFactor::analyze(int32_t n, const int64_t* colptr, const int32_t* rowind, const SymOptions& opt,
                       SymStats* stats) {
  SymStats st;
  have_factor_ = false;
  if (n < 0 || (n > 0 && (!colptr || colptr[0] != 0))) return 4;
  try {
    double t0 = now();
    n_ = n;
    nthreads_ = std::max(1, opt.nthreads);
    rowblock_ = std::max(16, opt.rowblock);
    big_flops_ = opt.big_flops;
    small_panel_ = std::max(0, opt.small_panel);
    nnz_in_ = n > 0 ? colptr[n] : 0;
    in_ptr_.assign(colptr, colptr + n + 1);
    if (n == 0) in_ptr_.assign(1, 0);
    in_row_.assign(rowind, rowind + nnz_in_);
    for (int32_t j = 0; j < n; j++) {
      if (in_ptr_[j + 1] < in_ptr_[j]) return 4;
      for (int64_t p = in_ptr_[j]; p < in_ptr_[j + 1]; p++)
        if (in_row_[p] < 0 || in_row_[p] >= n) return 4;
    }
    order::Graph g;
    int rc = order::order_graph_from_csc(n, in_ptr_.data(), in_row_.data(), g);
    if (rc) return rc;
    st.nnz_a = n + g.ptr[n] / 2;

    std::vector<int32_t> perm(n);
    int32_t method = opt.method;
    if (opt.user_perm) {
      std::vector<char> seen(n, 0);
      for (int32_t k = 0; k < n; k++) {
        int32_t i = opt.user_perm[k];
        if (i < 0 || i >= n || seen[i]) return 4;
        seen[i] = 1;
        perm[k] = i;
      }
      method = order::ORDER_NONE;
      st.method_used = -1;
    } else if (method == order::ORDER_NONE || n <= 1) {
      for (int32_t k = 0; k < n; k++) perm[k] = k;
      st.method_used = order::ORDER_NONE;
    } else {
      bool do_amd = method == order::ORDER_AMD || method == order::ORDER_TRY_ND || method == order::ORDER_AUTO;
      bool do_nd = method == order::ORDER_ND || method == order::ORDER_TRY_ND;
      std::vector<int32_t> pa, pn;
      int64_t la = 0, ln = 0;
      double fa = 0, fn = 0;
      if (do_amd) {
        double t = now();
        pa.resize(n);
        rc = order::order_amd(g, nullptr, opt.amd, pa.data(), &st.amd_info);
        if (rc) return rc;
        if (method == order::ORDER_AUTO) {
          // free choice: graph partitioning is tried when minimum degree leaves a factor with much work per entry
          // (flops/nnz(L) >= 500) and much fill (nnz(L) >= 5 nnz(A))
          count_ordering(g, pa, &la, &fa);
          do_nd = fa >= 500.0 * (double)la && (double)la >= 5.0 * (double)st.nnz_a;
        }
        st.t_amd = now() - t;
      }
      if (do_nd) {
        double t = now();
        if (do_amd && method != order::ORDER_AUTO) count_ordering(g, pa, &la, &fa);
        pn.resize(n);
        rc = order::order_nd(g, opt.nd, pn.data(), &st.nd_info);
        if (rc) return rc;
        count_ordering(g, pn, &ln, &fn);
        // A second dissection by level structures with tighter balance, the one with fewer flops kept: multilevel
        // separators suit meshes, level structures suit graphs of network type, and which wins is not predictable.
        // It is not computed when the multilevel one already beats minimum degree clearly (meshes and the dense
        // graphs of assignment-type problems, where level structures were never seen to win).
        const bool clear_win = do_amd && fn <= opt.nd_second_ratio * fa;
        if (opt.nd.multilevel && g.ptr[n] <= opt.nd_second_limit && !clear_win) {
          order::NdControl c2 = opt.nd;
          c2.multilevel = false;
          c2.imbalance = std::min(opt.nd.imbalance, 1.2);
          std::vector<int32_t> p2(n);
          order::NdInfo i2;
          rc = order::order_nd(g, c2, p2.data(), &i2);
          if (rc) return rc;
          int64_t l2 = 0;
          double f2 = 0;
          count_ordering(g, p2, &l2, &f2);
          if (f2 < fn) { pn.swap(p2); ln = l2; fn = f2; st.nd_info = i2; }
        }
        st.t_nd = now() - t;
      }
      if (do_amd && do_nd) {
        st.tried_both = true;
        st.nnz_l_amd = la; st.flops_amd = fa; st.nnz_l_nd = ln; st.flops_nd = fn;
        if (fn < fa) { perm = pn; st.method_used = order::ORDER_ND; }
        else { perm = pa; st.method_used = order::ORDER_AMD; }
      } else if (do_amd) {
        perm = pa; st.method_used = order::ORDER_AMD;
      } else {
        perm = pn; st.method_used = order::ORDER_ND;
      }
    }
    g = order::Graph();
    double ts = now();
    rc = symbolic(perm, opt, &st);
    if (rc) return rc;
    st.t_symbolic = now() - ts;
    (void)t0;
    if (stats) *stats = st;
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

int SymFactor::symbolic(const std::vector<int32_t>& perm_in, const SymOptions& opt, SymStats* st) {
  const int32_t n = n_;
  perm_ = perm_in;
  PermPattern P;
  std::vector<int32_t> parent;
  std::vector<int64_t> cc;
  int64_t lnz = 0;
  double flops = 0;
  evaluate(n, in_ptr_, in_row_, perm_, &lnz, &flops, &P, &parent, &cc);
  pinv_.resize(n);
  for (int32_t k = 0; k < n; k++) pinv_[perm_[k]] = k;
  st->nnz_l = lnz;
  st->flops = flops;

  // fundamental supernodes
  std::vector<int32_t> nchild(n, 0);
  for (int32_t j = 0; j < n; j++)
    if (parent[j] != -1) nchild[parent[j]]++;
  std::vector<int32_t> fsup;  // first column of each fundamental supernode
  for (int32_t j = 0; j < n; j++) {
    bool merge = j > 0 && parent[j - 1] == j && cc[j - 1] == cc[j] + 1 && nchild[j] == 1;
    if (!merge) fsup.push_back(j);
  }
  int32_t nf = (int32_t)fsup.size();
  fsup.push_back(n);
  std::vector<int32_t> fcol2sup(n);
  for (int32_t s = 0; s < nf; s++)
    for (int32_t j = fsup[s]; j < fsup[s + 1]; j++) fcol2sup[j] = s;
  std::vector<int32_t> fpar(nf, -1), nscol(nf), merged(nf, -1);
  std::vector<int64_t> snz(nf);
  std::vector<double> zeros(nf, 0.0);
  for (int32_t s = 0; s < nf; s++) {
    int32_t last = fsup[s + 1] - 1;
    fpar[s] = parent[last] == -1 ? -1 : fcol2sup[parent[last]];
    nscol[s] = fsup[s + 1] - fsup[s];
    snz[s] = cc[fsup[s]];
  }
  // relaxed amalgamation: merge s with its parent s+1 when few zeros are introduced
  for (int32_t s = nf - 2; s >= 0; s--) {
    int32_t ss = fpar[s];
    if (ss == -1) continue;
    while (merged[ss] != -1) ss = merged[ss];
    int32_t sp = ss;
    for (ss = fpar[s]; merged[ss] != -1;) { int32_t nx = merged[ss]; merged[ss] = sp; ss = nx; }
    if (sp != s + 1) continue;
    double n0 = nscol[s], n1 = nscol[s + 1], ns = n0 + n1;
    double lnz0 = (double)snz[s], lnz1 = (double)snz[s + 1];
    double xnew = n0 * (n1 + lnz1 - lnz0);
    double tot = zeros[s] + zeros[s + 1] + xnew;
    bool merge;
    if (ns <= opt.nrelax[0]) merge = true;
    else {
      double rows = n0 + lnz1;  // rows of the merged supernode
      double entries = ns * (ns + 1) / 2 + ns * (rows - ns);
      double z = tot / entries;
      merge = (ns <= opt.nrelax[1] && z < opt.zrelax[0]) || (ns <= opt.nrelax[2] && z < opt.zrelax[1]) ||
              (z < opt.zrelax[2]);
    }
    if (merge) {
      zeros[s] = tot;
      merged[s + 1] = s;
      snz[s] = (int64_t)n0 + snz[s + 1];
      nscol[s] += nscol[s + 1];
    }
  }
  // final supernodes
  sfirst_.clear();
  for (int32_t s = 0; s < nf; s++)
    if (merged[s] == -1) sfirst_.push_back(fsup[s]);
  nsuper_ = (int32_t)sfirst_.size();
  sfirst_.push_back(n);
  const int32_t ns = nsuper_;
  col2sup_.resize(n);
  for (int32_t s = 0; s < ns; s++)
    for (int32_t j = sfirst_[s]; j < sfirst_[s + 1]; j++) col2sup_[j] = s;
  sparent_.assign(ns, -1);
  for (int32_t s = 0; s < ns; s++) {
    int32_t last = sfirst_[s + 1] - 1;
    sparent_[s] = parent[last] == -1 ? -1 : col2sup_[parent[last]];
  }
  // row structure of each supernode: own columns, entries of A below, structures of the children below
  std::vector<int32_t> chead(ns, -1), cnext(ns, -1);
  for (int32_t s = ns - 1; s >= 0; s--)
    if (sparent_[s] != -1) { cnext[s] = chead[sparent_[s]]; chead[sparent_[s]] = s; }
  std::vector<int32_t> mark(n, -1);
  rptr_.assign(ns + 1, 0);
  rows_.clear();
  rows_.reserve((size_t)std::min<int64_t>(lnz, (int64_t)1 << 28));
  std::vector<int32_t> tmp;
  for (int32_t s = 0; s < ns; s++) {
    int32_t f = sfirst_[s], l = sfirst_[s + 1] - 1;
    tmp.clear();
    for (int32_t j = f; j <= l; j++) { mark[j] = s; tmp.push_back(j); }
    for (int32_t j = f; j <= l; j++)
      for (int64_t p = P.lp[j]; p < P.lp[j + 1]; p++) {
        int32_t i = P.li[p];
        if (mark[i] != s) { mark[i] = s; tmp.push_back(i); }
      }
    for (int32_t c = chead[s]; c != -1; c = cnext[c]) {
      for (int64_t p = rptr_[c]; p < rptr_[c + 1]; p++) {
        int32_t i = rows_[p];
        if (i > l && mark[i] != s) { mark[i] = s; tmp.push_back(i); }
      }
    }
    std::sort(tmp.begin() + (l - f + 1), tmp.end());
    rows_.insert(rows_.end(), tmp.begin(), tmp.end());
    rptr_[s + 1] = (int64_t)rows_.size();
  }
  // storage
  lptr_.assign(ns + 1, 0);
  maxrows_ = 0;
  int32_t maxcols = 0;
  for (int32_t s = 0; s < ns; s++) {
    int64_t nr = rptr_[s + 1] - rptr_[s], nc = sfirst_[s + 1] - sfirst_[s];
    lptr_[s + 1] = lptr_[s] + nr * nc;
    maxrows_ = std::max<int32_t>(maxrows_, (int32_t)nr);
    maxcols = std::max<int32_t>(maxcols, (int32_t)nc);
  }
  st->nnz_l_stored = 0;
  for (int32_t s = 0; s < ns; s++) {
    int64_t nr = rptr_[s + 1] - rptr_[s], nc = sfirst_[s + 1] - sfirst_[s];
    st->nnz_l_stored += nr * nc - nc * (nc - 1) / 2;
  }
  st->nsuper = ns;
  st->maxsup_rows = maxrows_;
  st->maxsup_cols = maxcols;
  // assembly map: input entry -> position in Lx
  amap_.assign(nnz_in_, -1);
  diagpos_.resize(n);
  for (int32_t s = 0; s < ns; s++) {
    int32_t f = sfirst_[s];
    int64_t nr = rptr_[s + 1] - rptr_[s];
    for (int64_t p = rptr_[s]; p < rptr_[s + 1]; p++) mark[rows_[p]] = (int32_t)(p - rptr_[s]);
    for (int32_t j = f; j < sfirst_[s + 1]; j++) {
      int64_t base = lptr_[s] + (int64_t)(j - f) * nr;
      diagpos_[j] = base + (j - f);
      for (int64_t p = P.lp[j]; p < P.lp[j + 1]; p++) amap_[P.lsrc[p]] = base + mark[P.li[p]];
    }
  }
  for (int32_t j = 0; j < n; j++)
    for (int64_t p = in_ptr_[j]; p < in_ptr_[j + 1]; p++)
      if (in_row_[p] == j) amap_[p] = diagpos_[pinv_[j]];
  P = PermPattern();
  // update lists: for each supernode s, the descendants d (increasing) with rows p1..p2-1 in the columns of s
  uptr_.assign(ns + 1, 0);
  for (int32_t d = 0; d < ns; d++) {
    int64_t nc = sfirst_[d + 1] - sfirst_[d];
    int64_t p = rptr_[d] + nc, pe = rptr_[d + 1];
    while (p < pe) {
      int32_t s = col2sup_[rows_[p]];
      int32_t lim = sfirst_[s + 1];
      while (p < pe && rows_[p] < lim) p++;
      uptr_[s + 1]++;
    }
  }
  for (int32_t s = 0; s < ns; s++) uptr_[s + 1] += uptr_[s];
  upd_.resize(uptr_[ns]);
  {
    std::vector<int64_t> pos(uptr_.begin(), uptr_.end() - 1);
    for (int32_t d = 0; d < ns; d++) {
      int64_t nc = sfirst_[d + 1] - sfirst_[d];
      int64_t p = rptr_[d] + nc, pe = rptr_[d + 1];
      while (p < pe) {
        int32_t s = col2sup_[rows_[p]];
        int32_t lim = sfirst_[s + 1];
        int64_t p1 = p;
        while (p < pe && rows_[p] < lim) p++;
        upd_[pos[s]++] = Upd{d, (int32_t)(p1 - rptr_[d]), (int32_t)(p - rptr_[d])};
      }
    }
  }
  // large supernodes (decomposed into row blocks / tiles; the rule does not depend on the thread count)
  big_.assign(ns, 0);
  small_.assign(ns, 0);
  std::vector<double> work(ns, 0.0);
  total_work_ = 0;
  cbuf_size_ = 1;
  wbuf_size_ = 1;
  for (int32_t s = 0; s < ns; s++) {
    double nr = (double)(rptr_[s + 1] - rptr_[s]), nc = sfirst_[s + 1] - sfirst_[s];
    double w = nc * nc * nc / 3 + (nr - nc) * nc * nc;
    for (int64_t u = uptr_[s]; u < uptr_[s + 1]; u++) {
      const Upd& x = upd_[u];
      double ndc = sfirst_[x.d + 1] - sfirst_[x.d];
      double nd2 = (double)(rptr_[x.d + 1] - rptr_[x.d]) - x.p1;
      w += 2 * nd2 * (x.p2 - x.p1) * ndc;
    }
    work[s] = w;
    total_work_ += w;
    big_[s] = w >= big_flops_ && nr >= 2.0 * rowblock_;
    small_[s] = !big_[s] && nr * nc <= (double)small_panel_;
  }
  for (int32_t s = 0; s < ns; s++) {
    for (int64_t u = uptr_[s]; u < uptr_[s + 1]; u++) {
      const Upd& x = upd_[u];
      int64_t ndc = sfirst_[x.d + 1] - sfirst_[x.d];
      int64_t nd2 = (rptr_[x.d + 1] - rptr_[x.d]) - x.p1, nd1 = x.p2 - x.p1;
      int64_t rows = big_[s] ? std::min<int64_t>(nd2, sup_rblk(s)) : nd2;
      cbuf_size_ = std::max(cbuf_size_, rows * nd1);
      wbuf_size_ = std::max(wbuf_size_, nd1 * ndc);
    }
    int64_t nc = sfirst_[s + 1] - sfirst_[s];
    wbuf_size_ = std::max(wbuf_size_, std::min<int64_t>(nc, 64) * (rptr_[s + 1] - rptr_[s]));
    if (big_[s]) wbuf_size_ = std::max(wbuf_size_, sup_tile(s) * sup_tile(s));
  }
  // schedule: independent subtrees for parallel work, the rest ("top") in order
  {
    std::vector<double> sw(work);
    for (int32_t s = 0; s < ns; s++)
      if (sparent_[s] != -1) sw[sparent_[s]] += sw[s];
    std::vector<int32_t> desc_lo(ns);
    for (int32_t s = 0; s < ns; s++) desc_lo[s] = s;
    for (int32_t s = 0; s < ns; s++)
      if (sparent_[s] != -1) desc_lo[sparent_[s]] = std::min(desc_lo[sparent_[s]], desc_lo[s]);
    double total = 0;
    std::vector<int32_t> cand;
    for (int32_t s = 0; s < ns; s++)
      if (sparent_[s] == -1) { cand.push_back(s); total += sw[s]; }
    const int32_t parts = 8;  // enough subtrees for load balance with a few threads
    std::vector<char> istop(ns, 0);
    // split the heaviest subtree while it is too heavy (a heap: forests of many chains would make a scan quadratic)
    auto lighter = [&](int32_t a, int32_t b) { return sw[a] != sw[b] ? sw[a] < sw[b] : a > b; };
    std::make_heap(cand.begin(), cand.end(), lighter);
    while (!cand.empty()) {
      const int32_t r = cand.front();
      if (sw[r] <= total / (parts * 2.0) || chead[r] == -1) break;
      std::pop_heap(cand.begin(), cand.end(), lighter);
      cand.pop_back();
      istop[r] = 1;
      for (int32_t c = chead[r]; c != -1; c = cnext[c]) {
        cand.push_back(c);
        std::push_heap(cand.begin(), cand.end(), lighter);
      }
      if ((int32_t)cand.size() > 4096) break;
    }
    std::sort(cand.begin(), cand.end(), [&](int32_t a, int32_t b) { return lighter(b, a); });
    sub_lo_.clear(); sub_hi_.clear(); top_.clear();
    for (int32_t r : cand) { sub_lo_.push_back(desc_lo[r]); sub_hi_.push_back(r); }
    for (int32_t s = 0; s < ns; s++)
      if (istop[s]) top_.push_back(s);
    st->nsubtrees = (int32_t)cand.size();
  }
  // memory for L, once
  decltype(lx_)().swap(lx_);
  lx_.resize(lptr_[ns]);
  dvals_.assign(n, 0.0);
  return 0;
}

}  // namespace zrv::kfac
