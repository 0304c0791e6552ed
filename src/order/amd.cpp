// Approximate minimum degree ordering (Amestoy, Davis, Duff), written for ZIRVA: quotient graph with element
// absorption, approximate external degrees, supervariable detection by hashing, mass elimination, aggressive
// absorption, dense-node removal, and an optional constraint set per node (constrained minimum degree).
//
// Constrained minimum degree: nodes of later sets (separators of a dissection) cannot be pivots yet, but they sit
// next to every element formed at the boundary of their parts and would be rescanned after each of those pivots.
// Their degrees and supervariables do not matter until their set's turn, so while they wait only their element lists
// are kept exact (the degrees of the eligible nodes depend on them); their variable lists may keep entries that are
// covered by an element or eliminated, and are cleaned once, when their set becomes current, where their degrees
// are set from their elements' sizes and their variables.
#include "order/order.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace zrv::order {
namespace {

constexpr int32_t EMPTY = -1;
inline int32_t flip(int32_t i) { return -i - 2; }

inline int64_t clear_flag(int64_t wflg, int64_t wbig, int64_t* w, int32_t n) {
  if (wflg < 2 || wflg >= wbig) {
    for (int32_t x = 0; x < n; x++)
      if (w[x] != 0) w[x] = 1;
    wflg = 2;
  }
  return wflg;
}

// Postorder of a forest given by parent[] over the nodes with nv > 0.  order[e] = position among the elements.
void amd_postorder(int32_t n, const int32_t* parent, const int32_t* nv, int32_t* order, std::vector<int32_t>& child,
                   std::vector<int32_t>& sibling, std::vector<int32_t>& stack) {
  for (int32_t j = 0; j < n; j++) { child[j] = EMPTY; sibling[j] = EMPTY; }
  for (int32_t j = n - 1; j >= 0; j--) {
    if (nv[j] > 0) {
      int32_t p = parent[j];
      if (p != EMPTY) { sibling[j] = child[p]; child[p] = j; }
    }
  }
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    order[i] = EMPTY;
  }
  for (int32_t r = 0; r < n; r++) {
    if (nv[r] <= 0 || parent[r] != EMPTY) continue;
    int32_t head = 0;
    stack[0] = r;
    while (head >= 0) {
      int32_t i = stack[head];
      if (child[i] != EMPTY) {
        // push children in order; reverse so that the first child is processed first
        int32_t c = child[i];
        child[i] = EMPTY;  // mark as expanded
        int32_t h0 = head;
        for (; c != EMPTY; c = sibling[c]) stack[++head] = c;
        std::reverse(stack.begin() + h0 + 1, stack.begin() + head + 1);
        // keep i on the stack below its children
      } else {
        head--;
        order[i] = k++;
      }
    }
  }
}

}  // namespace

int order_amd(const Graph& g, const int32_t* cmember, const AmdControl& ctl, int32_t* perm, AmdInfo* info) {
  const int32_t n = g.n;
  if (info) *info = AmdInfo{};
  if (n <= 0) return 0;
  if ((int64_t)g.ptr.size() != (int64_t)n + 1) return 4;
  try {
    const int64_t nz = g.ptr[n];
    const int64_t iwlen64 = nz + nz / 5 + 2 * (int64_t)n + 16;
    if (iwlen64 > INT32_MAX) return 1;  // indices into iw are 32-bit
    const int32_t iwlen = (int32_t)iwlen64;
    std::vector<int32_t> iw(iwlen), pe(n), len(n), elen(n), nv(n), next(n), last(n), head(n), degree(n);
    std::vector<int64_t> w(n);
    std::vector<int32_t> cnt;         // remaining (uneliminated) nodes per constraint set
    std::vector<char> inlist;         // node is in a degree list
    std::vector<std::vector<int32_t>> setnodes;
    int32_t ncon = 0, curset = 0;
    if (cmember) {
      for (int32_t i = 0; i < n; i++) {
        if (cmember[i] < 0) return 4;
        ncon = std::max(ncon, cmember[i] + 1);
      }
      cnt.assign(ncon, 0);
      setnodes.resize(ncon);
      for (int32_t i = 0; i < n; i++) { cnt[cmember[i]]++; setnodes[cmember[i]].push_back(i); }
    }
    inlist.assign(n, 0);
    for (int32_t i = 0; i < n; i++) {
      pe[i] = (int32_t)g.ptr[i];
      len[i] = (int32_t)(g.ptr[i + 1] - g.ptr[i]);
    }
    for (int64_t p = 0; p < nz; p++) iw[p] = g.adj[p];
    int32_t pfree = (int32_t)nz;

    double dense_d = ctl.dense < 0 ? (double)n : std::max(16.0, ctl.dense * std::sqrt((double)n));
    int32_t dense = (int32_t)std::min((double)n, dense_d);

    const int64_t wbig = INT64_MAX - (int64_t)n - 1;
    int64_t wflg = 0, lemax = 0;
    int32_t mindeg = 0, nel = 0, ndense = 0, ncmpa = 0;
    double lnz = 0;
    for (int32_t i = 0; i < n; i++) {
      elen[i] = 0; nv[i] = 1; w[i] = 1; degree[i] = len[i]; head[i] = EMPTY; next[i] = EMPTY; last[i] = EMPTY;
    }
    wflg = clear_flag(0, wbig, w.data(), n);

    auto list_insert = [&](int32_t i, int32_t deg) {
      int32_t inext = head[deg];
      if (inext != EMPTY) last[inext] = i;
      next[i] = inext; last[i] = EMPTY; head[deg] = i; inlist[i] = 1;
    };
    auto list_remove = [&](int32_t i) {
      if (!inlist[i]) return;
      int32_t ilast = last[i], inext = next[i];
      if (inext != EMPTY) last[inext] = ilast;
      if (ilast != EMPTY) next[ilast] = inext; else head[degree[i]] = inext;
      inlist[i] = 0;
    };
    auto eligible = [&](int32_t i) { return !cmember || cmember[i] == curset; };

    if (cmember) {
      while (curset < ncon && cnt[curset] == 0) curset++;
    }
    for (int32_t i = 0; i < n; i++) {
      int32_t deg = degree[i];
      if (deg == 0) {
        elen[i] = flip(1); nel++; pe[i] = EMPTY; w[i] = 0;
        if (cmember) cnt[cmember[i]]--;
      } else if (deg > dense) {
        ndense++; nv[i] = 0; elen[i] = EMPTY; nel++; pe[i] = EMPTY;
        if (cmember) cnt[cmember[i]]--;
      } else if (eligible(i)) {
        list_insert(i, deg);
      }
    }
    // Advance the constraint set when the current one is exhausted.  The nodes of the new set waited with stale
    // variable lists: drop absorbed elements, eliminated and nonprincipal variables, then bound the external degree
    // by the sizes of the elements without the node plus the variables (an exact count over the elements' members
    // costs more than the rescans it replaces; the bound tightens as the set's pivots form new elements).
    auto activate = [&](int32_t i) {
      const int32_t p1 = pe[i], eln = elen[i], ln = len[i];
      int32_t pn = p1;
      for (int32_t p = p1; p < p1 + eln; p++) {
        const int32_t e = iw[p];
        if (w[e] != 0) iw[pn++] = e;
      }
      const int32_t ne = pn - p1;
      for (int32_t p = p1 + eln; p < p1 + ln; p++) {
        const int32_t j = iw[p];
        if (nv[j] > 0 && elen[j] >= 0) iw[pn++] = j;
      }
      elen[i] = ne;
      len[i] = pn - p1;
      int64_t dg = 0;
      for (int32_t p = p1; p < p1 + ne; p++) dg += std::max(0, degree[iw[p]] - nv[i]);
      for (int32_t p = p1 + ne; p < pn; p++) dg += nv[iw[p]];
      degree[i] = (int32_t)std::min<int64_t>(dg, std::max(0, n - nel - nv[i]));
      list_insert(i, degree[i]);
      mindeg = std::min(mindeg, degree[i]);
    };
    auto advance_set = [&]() {
      if (!cmember) return;
      while (curset < ncon && cnt[curset] == 0) {
        curset++;
        if (curset < ncon) {
          for (int32_t i : setnodes[curset]) {
            if (nv[i] > 0 && elen[i] >= 0 && !inlist[i]) activate(i);  // principal uneliminated variable
          }
        }
      }
    };
    advance_set();

    while (nel < n) {
      // a node of a later constraint set: its degree is not kept up to date until its set becomes current (the set
      // does not change during one pivot step)
      const auto waiting = [cm = cmember, cs = curset](int32_t i) { return cm && cm[i] > cs; };
      // pivot of minimum approximate degree
      int32_t deg = mindeg, me = EMPTY;
      for (; deg < n; deg++) {
        me = head[deg];
        if (me != EMPTY) break;
      }
      if (me == EMPTY) return 4;  // should not happen
      mindeg = deg;
      list_remove(me);
      int32_t elenme = elen[me];
      int32_t nvpiv = nv[me];
      nel += nvpiv;
      if (cmember) cnt[cmember[me]] -= nvpiv;

      // construct the new element
      nv[me] = -nvpiv;
      int32_t degme = 0, pme1, pme2;
      if (elenme == 0) {
        pme1 = pe[me]; pme2 = pme1 - 1;
        for (int32_t p = pme1; p <= pme1 + len[me] - 1; p++) {
          int32_t i = iw[p], nvi = nv[i];
          if (nvi > 0) {
            degme += nvi; nv[i] = -nvi; iw[++pme2] = i;
            list_remove(i);
          }
        }
      } else {
        int32_t p = pe[me];
        pme1 = pfree;
        int32_t slenme = len[me] - elenme;
        for (int32_t knt1 = 1; knt1 <= elenme + 1; knt1++) {
          int32_t e, pj, ln;
          if (knt1 > elenme) { e = me; pj = p; ln = slenme; }
          else { e = iw[p++]; pj = pe[e]; ln = len[e]; }
          for (int32_t knt2 = 1; knt2 <= ln; knt2++) {
            int32_t i = iw[pj++], nvi = nv[i];
            if (nvi > 0) {
              if (pfree >= iwlen) {
                // garbage collection
                pe[me] = p; len[me] -= knt1;
                if (len[me] == 0) pe[me] = EMPTY;
                pe[e] = pj; len[e] = ln - knt2;
                if (len[e] == 0) pe[e] = EMPTY;
                ncmpa++;
                for (int32_t j = 0; j < n; j++) {
                  int32_t pn = pe[j];
                  if (pn >= 0) { pe[j] = iw[pn]; iw[pn] = flip(j); }
                }
                int32_t psrc = 0, pdst = 0, pend = pme1 - 1;
                while (psrc <= pend) {
                  int32_t j = flip(iw[psrc++]);
                  if (j >= 0) {
                    iw[pdst] = pe[j]; pe[j] = pdst++;
                    int32_t lenj = len[j];
                    for (int32_t knt3 = 0; knt3 <= lenj - 2; knt3++) iw[pdst++] = iw[psrc++];
                  }
                }
                int32_t p1 = pdst;
                for (psrc = pme1; psrc <= pfree - 1; psrc++) iw[pdst++] = iw[psrc];
                pme1 = p1; pfree = pdst; pj = pe[e]; p = pe[me];
              }
              degme += nvi; nv[i] = -nvi; iw[pfree++] = i;
              list_remove(i);
            }
          }
          if (e != me) { pe[e] = flip(me); w[e] = 0; }
        }
        pme2 = pfree - 1;
      }
      degree[me] = degme;
      pe[me] = pme1;
      len[me] = pme2 - pme1 + 1;
      elen[me] = flip(nvpiv + degme);
      wflg = clear_flag(wflg, wbig, w.data(), n);

      // |Le \ Lme| for all elements e
      for (int32_t pme = pme1; pme <= pme2; pme++) {
        int32_t i = iw[pme], eln = elen[i];
        if (eln > 0) {
          int32_t nvi = -nv[i];
          int64_t wnvi = wflg - nvi;
          for (int32_t p = pe[i]; p <= pe[i] + eln - 1; p++) {
            int32_t e = iw[p];
            int64_t we = w[e];
            if (we >= wflg) we -= nvi;
            else if (we != 0) we = degree[e] + wnvi;
            w[e] = we;
          }
        }
      }

      // degree update and element absorption
      for (int32_t pme = pme1; pme <= pme2; pme++) {
        int32_t i = iw[pme];
        int32_t p1 = pe[i], p2 = p1 + elen[i] - 1, pn = p1;
        if (waiting(i)) {
          // element list as for any node; me takes a slot freed by an absorbed element or, failing that, by a
          // variable that is now covered by me (me itself, or a variable of Lme: i's list holds every variable
          // neighbour it would hold without waiting, so one is found)
          for (int32_t p = p1; p <= p2; p++) {
            int32_t e = iw[p];
            int64_t we = w[e];
            if (we != 0) {
              if (we - wflg > 0 || !ctl.aggressive) iw[pn++] = e;
              else { pe[e] = flip(me); w[e] = 0; }
            }
          }
          const int32_t ne = pn - p1;
          const int32_t ln = len[i];
          if (pn <= p2) {
            // the kept elements move up against the variables and me takes the slot before them; the list now
            // starts later (the space left in front is dead, as after any shrinking)
            for (int32_t k = ne - 1; k >= 0; k--) iw[p2 - ne + 1 + k] = iw[p1 + k];
            iw[p2 - ne] = me;
            pe[i] = p2 - ne;
            elen[i] = ne + 1;
            len[i] = ln + ne - (p2 - p1);
          } else {
            int32_t p = p2 + 1;
            const int32_t p4 = p1 + ln;
            while (p < p4 && nv[iw[p]] > 0 && elen[iw[p]] >= 0) p++;
            if (p == p4) return 4;  // the quotient graph lost an edge
            // the covered variable's slot goes to the first variable, whose slot goes to the first element
            iw[p] = iw[p2 + 1];
            iw[p2 + 1] = iw[p1];
            iw[p1] = me;
            elen[i] = ne + 1;
          }
          continue;
        }
        uint64_t hash = 0;
        int64_t dg = 0;
        for (int32_t p = p1; p <= p2; p++) {
          int32_t e = iw[p];
          int64_t we = w[e];
          if (we != 0) {
            int64_t dext = we - wflg;
            if (dext > 0) { dg += dext; iw[pn++] = e; hash += (uint64_t)e; }
            else if (ctl.aggressive) { pe[e] = flip(me); w[e] = 0; }
            else { iw[pn++] = e; hash += (uint64_t)e; }
          }
        }
        elen[i] = pn - p1 + 1;
        int32_t p3 = pn, p4 = p1 + len[i];
        for (int32_t p = p2 + 1; p < p4; p++) {
          int32_t j = iw[p], nvj = nv[j];
          if (nvj > 0) { dg += nvj; iw[pn++] = j; hash += (uint64_t)j; }
        }
        bool canmass = elen[i] == 1 && p3 == pn && (!cmember || cmember[i] == cmember[me]);
        if (canmass) {
          pe[i] = flip(me);
          int32_t nvi = -nv[i];
          degme -= nvi; nvpiv += nvi; nel += nvi;
          if (cmember) cnt[cmember[i]] -= nvi;
          nv[i] = 0; elen[i] = EMPTY;
        } else {
          degree[i] = (int32_t)std::min<int64_t>(degree[i], dg);
          iw[pn] = iw[p3]; iw[p3] = iw[p1]; iw[p1] = me;
          len[i] = pn - p1 + 1;
          int32_t h = (int32_t)(hash % (uint64_t)n);
          int32_t j = head[h];
          if (j <= EMPTY) { next[i] = flip(j); head[h] = flip(i); }
          else { next[i] = last[j]; last[j] = i; }
          last[i] = h;
        }
      }
      degree[me] = degme;
      lemax = std::max<int64_t>(lemax, degme);
      wflg += lemax;
      wflg = clear_flag(wflg, wbig, w.data(), n);

      // supervariable detection
      for (int32_t pme = pme1; pme <= pme2; pme++) {
        int32_t i = iw[pme];
        if (nv[i] < 0 && !waiting(i)) {
          int32_t h = last[i];
          int32_t j = head[h];
          if (j == EMPTY) i = EMPTY;
          else if (j < EMPTY) { i = flip(j); head[h] = EMPTY; }
          else { i = last[j]; last[j] = EMPTY; }
          while (i != EMPTY && next[i] != EMPTY) {
            int32_t ln = len[i], eln = elen[i];
            for (int32_t p = pe[i] + 1; p <= pe[i] + ln - 1; p++) w[iw[p]] = wflg;
            int32_t jlast = i;
            j = next[i];
            while (j != EMPTY) {
              bool ok = len[j] == ln && elen[j] == eln && (!cmember || cmember[i] == cmember[j]);
              for (int32_t p = pe[j] + 1; ok && p <= pe[j] + ln - 1; p++)
                if (w[iw[p]] != wflg) ok = false;
              if (ok) {
                pe[j] = flip(i);
                nv[i] += nv[j];
                nv[j] = 0; elen[j] = EMPTY;
                j = next[j];
                next[jlast] = j;
              } else {
                jlast = j; j = next[j];
              }
            }
            wflg++;
            i = next[i];
          }
        }
      }

      // restore degree lists and remove nonprincipal supervariables from the element
      int32_t p = pme1;
      int32_t nleft = n - nel;
      for (int32_t pme = pme1; pme <= pme2; pme++) {
        int32_t i = iw[pme], nvi = -nv[i];
        if (nvi > 0) {
          nv[i] = nvi;
          if (waiting(i)) { iw[p++] = i; continue; }
          int32_t dg = std::min(degree[i] + degme - nvi, nleft - nvi);
          dg = std::max(dg, 0);
          degree[i] = dg;
          if (eligible(i)) {
            list_insert(i, dg);
            mindeg = std::min(mindeg, dg);
          }
          iw[p++] = i;
        }
      }
      nv[me] = nvpiv;
      len[me] = p - pme1;
      if (len[me] == 0) { pe[me] = EMPTY; w[me] = 0; }
      if (elenme != 0) pfree = p;
      {
        double f = nvpiv, r = degme;
        lnz += f * r + (f - 1) * f / 2;
      }
      advance_set();
    }

    // postordering of the assembly tree
    for (int32_t i = 0; i < n; i++) pe[i] = flip(pe[i]);
    for (int32_t i = 0; i < n; i++) elen[i] = flip(elen[i]);
    for (int32_t i = 0; i < n; i++) {
      if (nv[i] == 0) {
        int32_t j = pe[i];
        if (j == EMPTY) continue;
        while (nv[j] == 0) j = pe[j];
        int32_t e = j;
        j = i;
        while (nv[j] == 0) { int32_t jn = pe[j]; pe[j] = e; j = jn; }
      }
    }
    std::vector<int32_t> order(n);
    amd_postorder(n, pe.data(), nv.data(), order.data(), head, next, last);
    // head[k] = element with postorder k
    for (int32_t k = 0; k < n; k++) { head[k] = EMPTY; next[k] = EMPTY; }
    for (int32_t e = 0; e < n; e++) {
      int32_t k = order[e];
      if (k != EMPTY) head[k] = e;
    }
    nel = 0;
    for (int32_t k = 0; k < n; k++) {
      int32_t e = head[k];
      if (e == EMPTY) break;
      next[e] = nel;
      nel += nv[e];
    }
    for (int32_t i = 0; i < n; i++) {
      if (nv[i] == 0) {
        int32_t e = pe[i];
        if (e != EMPTY) { next[i] = next[e]; next[e]++; }
        else { next[i] = nel++; }
      }
    }
    for (int32_t i = 0; i < n; i++) perm[next[i]] = i;
    if (info) { info->ndense = ndense; info->ncompress = ncmpa; info->lnz = lnz; }
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

int order_graph_from_csc(int32_t n, const int64_t* colptr, const int32_t* rowind, Graph& g) {
  try {
    g.n = n;
    g.ptr.assign((size_t)n + 1, 0);
    g.adj.clear();
    if (n <= 0) { g.ptr.assign(1, 0); return 0; }
    std::vector<int64_t> cnt(n + 1, 0);
    for (int32_t j = 0; j < n; j++) {
      for (int64_t p = colptr[j]; p < colptr[j + 1]; p++) {
        int32_t i = rowind[p];
        if (i < 0 || i >= n) return 4;
        if (i == j) continue;
        cnt[i]++; cnt[j]++;
      }
    }
    std::vector<int64_t> ptr(n + 1, 0);
    for (int32_t i = 0; i < n; i++) ptr[i + 1] = ptr[i] + cnt[i];
    std::vector<int32_t> adj(ptr[n]);
    std::vector<int64_t> pos(ptr.begin(), ptr.end() - 1);
    for (int32_t j = 0; j < n; j++) {
      for (int64_t p = colptr[j]; p < colptr[j + 1]; p++) {
        int32_t i = rowind[p];
        if (i == j) continue;
        adj[pos[i]++] = j;
        adj[pos[j]++] = i;
      }
    }
    // remove duplicates
    std::vector<int32_t> mark(n, -1);
    int64_t q = 0;
    for (int32_t i = 0; i < n; i++) {
      int64_t start = q;
      for (int64_t p = ptr[i]; p < ptr[i + 1]; p++) {
        int32_t j = adj[p];
        if (mark[j] != i) { mark[j] = i; adj[q++] = j; }
      }
      g.ptr[i] = start;
    }
    g.ptr[n] = q;
    adj.resize(q);
    adj.shrink_to_fit();
    g.adj = std::move(adj);
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

}  // namespace zrv::order
