// Nested dissection by multilevel graph partitioning, written for ZIRVA.
//
// High-degree nodes are removed first (ordered last) and nodes with identical adjacency merged (vertex weights).
// Each connected part is split by a vertex separator found multilevel: heavy-edge matching in random order (two-hop
// matching through a common neighbour when plain matching stalls), several initial separators at the coarsest level
// (greedy edge bisections turned into vertex separators by a minimum vertex cover of the cut edges (Koenig), and
// directly grown vertex separators), the best few refined through the coarse levels and the best of them kept once
// the graph has a few thousand vertices, then 2-sided node Fiduccia-Mattheyses refinement with a balance limit at
// every uncoarsening level.  Without coarsening (multilevel = false) the same trials run on the graph itself, which
// gives level-structure separators.  Parts are dissected as local subgraphs; connected components separately.  The
// dissection tree gives every node a constraint set (parts before their separator); the final order is the
// constrained approximate minimum degree over the whole graph, which orders the small parts by minimum degree with
// knowledge of their boundary.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "order/order.h"

namespace zrv::order {
namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct Rng {
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed * 2654435761u + 0x9E3779B97F4A7C15ull) {}
  uint32_t next() {
    s ^= s << 13; s ^= s >> 7; s ^= s << 17;
    return (uint32_t)(s >> 11);
  }
  int32_t below(int32_t n) { return n <= 1 ? 0 : (int32_t)(next() % (uint32_t)n); }
};

struct WGraph {
  int32_t n = 0;
  std::vector<int64_t> xadj;
  std::vector<int32_t> adj, ew, vw;
  int64_t tvw = 0;
};

struct Timers { double coarsen = 0, uncoarsen = 0, initial = 0, refine = 0, cover = 0; };

// Indexed binary max-heap over vertices 0..n-1 with integer keys.
struct Heap {
  std::vector<int32_t> heap, pos;
  std::vector<int64_t> key;
  void init(int32_t n) { heap.clear(); pos.assign(n, -1); key.assign(n, 0); }
  bool contains(int32_t v) const { return pos[v] >= 0; }
  bool empty() const { return heap.empty(); }
  void up(int32_t i) {
    int32_t v = heap[i];
    while (i > 0) {
      int32_t p = (i - 1) / 2;
      if (key[heap[p]] >= key[v]) break;
      heap[i] = heap[p]; pos[heap[i]] = i; i = p;
    }
    heap[i] = v; pos[v] = i;
  }
  void down(int32_t i) {
    int32_t v = heap[i], m = (int32_t)heap.size();
    for (;;) {
      int32_t c = 2 * i + 1;
      if (c >= m) break;
      if (c + 1 < m && key[heap[c + 1]] > key[heap[c]]) c++;
      if (key[heap[c]] <= key[v]) break;
      heap[i] = heap[c]; pos[heap[i]] = i; i = c;
    }
    heap[i] = v; pos[v] = i;
  }
  void push(int32_t v, int64_t k) { key[v] = k; heap.push_back(v); pos[v] = (int32_t)heap.size() - 1; up(pos[v]); }
  void update(int32_t v, int64_t k) {
    int64_t old = key[v]; key[v] = k;
    if (k > old) up(pos[v]); else down(pos[v]);
  }
  void remove(int32_t v) {
    int32_t i = pos[v];
    int32_t last = heap.back();
    heap.pop_back();
    pos[v] = -1;
    if (i < (int32_t)heap.size()) {
      heap[i] = last; pos[last] = i;
      up(i); down(pos[last]);
    }
  }
  int32_t top() const { return heap[0]; }
  void clear() { for (int32_t v : heap) pos[v] = -1; heap.clear(); }
};

// Heavy-edge matching in random visiting order; vertices left unmatched are then paired through a common neighbour
// (two-hop matching: leaves of a star, rows sharing a dense column) when plain matching shrinks the graph too little.
// Returns false when the graph hardly shrinks.
bool coarsen_once(const WGraph& g, WGraph& cg, std::vector<int32_t>& cmap, Rng& rng, int64_t maxvw,
                  std::vector<int32_t>& match, std::vector<int32_t>& order, std::vector<int32_t>& mark) {
  const int32_t n = g.n;
  match.assign(n, -1);
  order.resize(n);
  for (int32_t i = 0; i < n; i++) order[i] = i;
  for (int32_t i = n - 1; i > 0; i--) std::swap(order[i], order[rng.below(i + 1)]);
  int32_t npair = 0;
  for (int32_t v : order) {
    if (match[v] != -1) continue;
    int32_t best = -1, bw = -1;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (match[u] != -1 || g.vw[u] + g.vw[v] > maxvw) continue;
      if (g.ew[p] > bw || (g.ew[p] == bw && g.vw[u] < g.vw[best])) { bw = g.ew[p]; best = u; }
    }
    if (best != -1) { match[v] = best; match[best] = v; npair++; }
  }
  if (n - npair > 0.8 * n) {
    // two-hop: pair unmatched vertices met in the same adjacency list (each list scanned once)
    mark.assign(n, 0);
    for (int32_t v : order) {
      if (match[v] != -1) continue;
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1] && match[v] == -1; p++) {
        int32_t h = g.adj[p];
        if (mark[h]) continue;
        mark[h] = 1;
        int32_t pend = -1;
        for (int64_t q = g.xadj[h]; q < g.xadj[h + 1]; q++) {
          int32_t w = g.adj[q];
          if (match[w] != -1) continue;
          if (pend < 0) { pend = w; continue; }
          if (g.vw[w] + g.vw[pend] > maxvw) continue;
          match[w] = pend; match[pend] = w; npair++;
          pend = -1;
        }
      }
    }
  }
  for (int32_t v = 0; v < n; v++)
    if (match[v] == -1) match[v] = v;
  const int32_t ncoarse = n - npair;
  if (ncoarse > 0.93 * n) return false;
  cmap.assign(n, -1);
  int32_t nc = 0;
  for (int32_t v = 0; v < n; v++) {
    if (cmap[v] != -1) continue;
    cmap[v] = nc;
    if (match[v] != v) cmap[match[v]] = nc;
    nc++;
  }
  cg.n = nc;
  cg.vw.assign(nc, 0);
  cg.xadj.assign(nc + 1, 0);
  // the coarse lists are written in place (at most as many entries as the fine graph has)
  cg.adj.resize(g.adj.size()); cg.ew.resize(g.adj.size());
  int32_t* const cadj = cg.adj.data();
  int32_t* const cew = cg.ew.data();
  int64_t top = 0;
  mark.assign(nc, -1);
  int32_t c = 0;
  for (int32_t v0 = 0; v0 < n; v0++) {
    if (cmap[v0] != c) continue;  // c is created by its first vertex
    const int64_t start = top;
    const int32_t pair[2] = {v0, match[v0] != v0 ? match[v0] : -1};
    for (int32_t v : pair) {
      if (v < 0) continue;
      cg.vw[c] += g.vw[v];
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        const int32_t cu = cmap[g.adj[p]];
        if (cu == c) continue;
        const int32_t m = mark[cu];
        if (m >= start && cadj[m] == cu) {
          cew[m] += g.ew[p];
        } else {
          mark[cu] = (int32_t)top;
          cadj[top] = cu;
          cew[top++] = g.ew[p];
        }
      }
    }
    cg.xadj[c + 1] = top;
    c++;
  }
  cg.adj.resize(top); cg.ew.resize(top);
  cg.tvw = g.tvw;
  return true;
}

struct Sep {
  std::vector<int8_t> where;  // 0, 1, 2 = separator
  int64_t pw[3] = {0, 0, 0};
};

void compute_pw(const WGraph& g, Sep& s) {
  s.pw[0] = s.pw[1] = s.pw[2] = 0;
  for (int32_t v = 0; v < g.n; v++) s.pw[s.where[v]] += g.vw[v];
}

// Largest part weight allowed: imb times half the total, but never less than what a single heavy vertex forces.
int64_t max_part(const WGraph& g, double imb) {
  int64_t mx = 0;
  for (int32_t v = 0; v < g.n; v++) mx = std::max<int64_t>(mx, g.vw[v]);
  return std::max<int64_t>((int64_t)(imb * (double)g.tvw / 2.0), (g.tvw + 1) / 2 + mx);
}

// Separator quality: weight, then balance; partitions over the limit rank last.
double sep_score(const Sep& x, int64_t maxpw) {
  double pen = std::max(x.pw[0], x.pw[1]) > maxpw ? 1e15 : 0;
  return pen + (double)x.pw[2] + 1e-7 * (double)std::llabs(x.pw[0] - x.pw[1]);
}

struct FmWork {
  Heap h0, h1;
  std::vector<char> locked;
  struct Mv { int32_t v; int8_t from; };
  std::vector<Mv> log;
  std::vector<int32_t> touched, sep, mark;
};

// 2-sided node Fiduccia-Mattheyses refinement of a vertex separator under the balance limit maxpw: separator vertices
// move into a part and pull their neighbours of the other part into the separator; each pass keeps its best prefix.
// Also rebalances a partition over the limit (moves into the lighter part first).  Work per pass is proportional to
// the separator and the moves, not to the graph.
void node_fm(const WGraph& g, Sep& s, int64_t maxpw, int npass, FmWork& w) {
  const int32_t n = g.n;
  compute_pw(g, s);
  if ((int32_t)w.h0.pos.size() < n) w.h0.init(n);
  if ((int32_t)w.h1.pos.size() < n) w.h1.init(n);
  if ((int32_t)w.locked.size() < n) w.locked.assign(n, 0);
  if ((int32_t)w.mark.size() < n) w.mark.assign(n, 0);
  w.sep.clear();
  for (int32_t v = 0; v < n; v++)
    if (s.where[v] == 2) w.sep.push_back(v);
  // gain of moving separator vertex v into part t: its weight minus its neighbours in part 1-t
  auto push_gains = [&](int32_t v) {
    int64_t nb[3] = {0, 0, 0};
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) nb[s.where[g.adj[p]]] += g.vw[g.adj[p]];
    w.h0.push(v, g.vw[v] - nb[1]);
    w.h1.push(v, g.vw[v] - nb[0]);
  };
  const int32_t limit = std::max<int32_t>(40, std::min<int32_t>(n / 50, 200));
  for (int pass = 0; pass < npass; pass++) {
    w.h0.clear(); w.h1.clear();
    w.log.clear();
    for (int32_t v : w.sep) push_gains(v);
    const int64_t sep0 = s.pw[2];
    const bool ok0 = s.pw[0] <= maxpw && s.pw[1] <= maxpw;
    int64_t bestsep = s.pw[2];
    int64_t bestbal = std::llabs(s.pw[0] - s.pw[1]);
    bool bestok = ok0;
    size_t bestlen = 0;
    int32_t nobetter = 0;
    while (!w.h0.empty() || !w.h1.empty()) {
      int to = -1;
      const bool f0 = !w.h0.empty() && s.pw[0] + g.vw[w.h0.top()] <= maxpw;
      const bool f1 = !w.h1.empty() && s.pw[1] + g.vw[w.h1.top()] <= maxpw;
      if (s.pw[1] > maxpw && !w.h0.empty()) to = 0;        // rebalance: pull weight out of the heavy part
      else if (s.pw[0] > maxpw && !w.h1.empty()) to = 1;
      else if (f0 && f1) {
        int64_t g0 = w.h0.key[w.h0.top()], g1 = w.h1.key[w.h1.top()];
        to = g0 != g1 ? (g0 > g1 ? 0 : 1) : (s.pw[0] <= s.pw[1] ? 0 : 1);
      } else if (f0) to = 0;
      else if (f1) to = 1;
      if (to < 0) break;
      Heap& H = to == 0 ? w.h0 : w.h1;
      const int32_t v = H.top();
      w.h0.remove(v); w.h1.remove(v);
      w.locked[v] = 1;
      const int other = 1 - to;
      w.log.push_back({v, 2});
      s.where[v] = (int8_t)to;
      s.pw[2] -= g.vw[v]; s.pw[to] += g.vw[v];
      // incremental gains: v joined part `to`, so separator neighbours gain less by moving into `other`; each
      // neighbour pulled out of `other` makes moving its separator neighbours into `to` cheaper
      Heap& Ho = to == 0 ? w.h1 : w.h0;
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        int32_t u = g.adj[p];
        if (s.where[u] == 2 && Ho.contains(u)) Ho.update(u, Ho.key[u] - g.vw[v]);
      }
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        int32_t u = g.adj[p];
        if (s.where[u] != other) continue;
        w.log.push_back({u, (int8_t)other});
        s.where[u] = 2;
        s.pw[other] -= g.vw[u]; s.pw[2] += g.vw[u];
        // the same sweep gathers u's neighbour weights per side for its own gains
        int64_t nb[3] = {0, 0, 0};
        for (int64_t q = g.xadj[u]; q < g.xadj[u + 1]; q++) {
          const int32_t x = g.adj[q];
          const int8_t wx = s.where[x];
          nb[wx] += g.vw[x];
          if (wx == 2 && H.contains(x)) H.update(x, H.key[x] + g.vw[u]);
        }
        if (!w.locked[u]) {
          w.h0.push(u, g.vw[u] - nb[1]);
          w.h1.push(u, g.vw[u] - nb[0]);
        }
      }
      const bool ok = s.pw[0] <= maxpw && s.pw[1] <= maxpw;
      const int64_t bal = std::llabs(s.pw[0] - s.pw[1]);
      if ((ok && !bestok) || (ok == bestok && (s.pw[2] < bestsep || (s.pw[2] == bestsep && bal < bestbal)))) {
        bestsep = s.pw[2]; bestbal = bal; bestok = ok; bestlen = w.log.size(); nobetter = 0;
      } else if (++nobetter > limit) {
        break;
      }
    }
    // undo the moves after the best prefix; the separator list changes only at logged vertices
    for (size_t i = w.log.size(); i-- > bestlen;) {
      const int32_t v = w.log[i].v;
      s.pw[s.where[v]] -= g.vw[v];
      s.pw[w.log[i].from] += g.vw[v];
      s.where[v] = w.log[i].from;
    }
    w.touched.clear();
    for (int32_t v : w.sep) if (s.where[v] == 2 && !w.mark[v]) { w.mark[v] = 1; w.touched.push_back(v); }
    for (const auto& e : w.log) {
      w.locked[e.v] = 0;
      if (s.where[e.v] == 2 && !w.mark[e.v]) { w.mark[e.v] = 1; w.touched.push_back(e.v); }
    }
    for (int32_t v : w.touched) w.mark[v] = 0;
    w.sep.swap(w.touched);
    w.h0.clear(); w.h1.clear();
    // another pass only when this one reduced the separator (or repaired the balance)
    if (bestlen == 0 || (s.pw[2] >= sep0 && ok0)) break;
  }
}

// Greedy graph growing edge bisection from seed: grows part 0 by the boundary vertex with the best edge gain.
void gggp(const WGraph& g, int32_t seed, std::vector<int8_t>& part, Heap& h, std::vector<int64_t>& ext) {
  const int32_t n = g.n;
  part.assign(n, 1);
  h.init(n);
  int64_t w0 = 0, target = g.tvw / 2;
  ext.resize(n);  // edge weight to part 0 minus to part 1 (gain of moving to 0)
  for (int32_t v = 0; v < n; v++) {
    int64_t s = 0;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) s -= g.ew[p];
    ext[v] = s;
  }
  auto add = [&](int32_t v) {
    part[v] = 0;
    w0 += g.vw[v];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (part[u] != 1) continue;
      ext[u] += 2 * g.ew[p];
      if (h.contains(u)) h.update(u, ext[u]); else h.push(u, ext[u]);
    }
  };
  add(seed);
  int32_t scan = 0;
  while (w0 < target) {
    int32_t v;
    if (h.empty()) {
      // disconnected remainder: take any vertex of part 1
      while (scan < n && part[scan] != 1) scan++;
      if (scan >= n) break;
      v = scan;
    } else {
      v = h.top();
      h.remove(v);
    }
    if (w0 > 0 && w0 + g.vw[v] - target > target - w0) break;
    add(v);
  }
}

// Greedy growing of a vertex separator from seed: part 0 grows by the separator vertex that enlarges the separator
// least; its neighbours in part 1 join the separator.  The gain of a separator vertex (minus the weight of its
// neighbours in part 1) is kept in gk and changes only when a neighbour leaves part 1, so a move costs the degrees of
// the vertices around it, not their degrees squared; the heap sees the same sequence of key changes as a
// recomputation from scratch would give it.
void grow_separator(const WGraph& g, int32_t seed, Sep& s, Heap& h, std::vector<int64_t>& gk) {
  const int32_t n = g.n;
  s.where.assign(n, 1);
  h.init(n);
  gk.resize(n);
  s.pw[0] = 0; s.pw[1] = g.tvw; s.pw[2] = 0;
  // v leaves part 1 for the separator: its separator neighbours gain, its own gain counts its part-1 neighbours
  auto to_sep = [&](int32_t v) {
    s.where[v] = 2;
    s.pw[1] -= g.vw[v]; s.pw[2] += g.vw[v];
    int64_t gs = 0;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      const int32_t u = g.adj[p];
      const int8_t wu = s.where[u];
      if (wu == 1) gs -= g.vw[u];
      else if (wu == 2) gk[u] += g.vw[v];
    }
    gk[v] = gs;
  };
  to_sep(seed);
  h.push(seed, gk[seed]);
  int32_t scan = 0;
  while (s.pw[0] + s.pw[2] / 2 < s.pw[1]) {
    int32_t v;
    if (h.empty()) {
      while (scan < n && s.where[scan] != 1) scan++;
      if (scan >= n) break;
      to_sep(scan);
      h.push(scan, gk[scan]);
      continue;
    }
    v = h.top();
    h.remove(v);
    s.where[v] = 0;
    s.pw[2] -= g.vw[v]; s.pw[0] += g.vw[v];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (s.where[u] != 1) continue;
      to_sep(u);
      h.push(u, 0);
    }
    // gains of the separator vertices around the new ones, in a fixed order
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (s.where[u] != 2) continue;
      if (h.key[u] != gk[u]) h.update(u, gk[u]);
      for (int64_t q = g.xadj[u]; q < g.xadj[u + 1]; q++) {
        int32_t x = g.adj[q];
        if (s.where[x] == 2 && h.key[x] != gk[x] && h.contains(x)) h.update(x, gk[x]);
      }
    }
  }
}

// Vertex separator from an edge bisection: minimum vertex cover of the bipartite graph of cut edges (Koenig).
void cover_separator(const WGraph& g, const std::vector<int8_t>& part, Sep& s) {
  const int32_t n = g.n;
  s.where.assign(n, 0);
  for (int32_t v = 0; v < n; v++) s.where[v] = part[v];
  // boundary vertices
  std::vector<int32_t> L, R, id(n, -1);
  for (int32_t v = 0; v < n; v++) {
    bool b = false;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1] && !b; p++) b = part[g.adj[p]] != part[v];
    if (!b) continue;
    if (part[v] == 0) { id[v] = (int32_t)L.size(); L.push_back(v); }
    else { id[v] = (int32_t)R.size(); R.push_back(v); }
  }
  const int32_t nl = (int32_t)L.size(), nr = (int32_t)R.size();
  std::vector<int32_t> ml(nl, -1), mr(nr, -1), dist(nl);
  // Hopcroft-Karp
  auto bfs = [&]() {
    std::vector<int32_t> q;
    bool found = false;
    for (int32_t i = 0; i < nl; i++) {
      if (ml[i] == -1) { dist[i] = 0; q.push_back(i); } else dist[i] = -1;
    }
    for (size_t k = 0; k < q.size(); k++) {
      int32_t i = q[k], v = L[i];
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        int32_t u = g.adj[p];
        if (part[u] != 1 || id[u] < 0) continue;
        int32_t j = mr[id[u]];
        if (j == -1) found = true;
        else if (dist[j] == -1) { dist[j] = dist[i] + 1; q.push_back(j); }
      }
    }
    return found;
  };
  std::vector<int64_t> it(nl);
  auto dfs = [&](auto&& self, int32_t i) -> bool {
    int32_t v = L[i];
    for (int64_t& p = it[i]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (part[u] != 1 || id[u] < 0) continue;
      int32_t j = mr[id[u]];
      if (j == -1 || (dist[j] == dist[i] + 1 && self(self, j))) {
        ml[i] = id[u]; mr[id[u]] = i; p++;
        return true;
      }
    }
    dist[i] = -1;
    return false;
  };
  while (bfs()) {
    for (int32_t i = 0; i < nl; i++) it[i] = g.xadj[L[i]];
    for (int32_t i = 0; i < nl; i++)
      if (ml[i] == -1) dfs(dfs, i);
  }
  // Koenig: Z = vertices reachable from unmatched left vertices by alternating paths; cover = (L \ Z) u (R n Z)
  std::vector<char> zl(nl, 0), zr(nr, 0);
  std::vector<int32_t> q;
  for (int32_t i = 0; i < nl; i++)
    if (ml[i] == -1) { zl[i] = 1; q.push_back(i); }
  for (size_t k = 0; k < q.size(); k++) {
    int32_t v = L[q[k]];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (part[u] != 1 || id[u] < 0) continue;
      int32_t j = id[u];
      if (zr[j]) continue;
      zr[j] = 1;
      int32_t i2 = mr[j];
      if (i2 >= 0 && !zl[i2]) { zl[i2] = 1; q.push_back(i2); }
    }
  }
  for (int32_t i = 0; i < nl; i++) if (!zl[i]) s.where[L[i]] = 2;
  for (int32_t j = 0; j < nr; j++) if (zr[j]) s.where[R[j]] = 2;
  compute_pw(g, s);
}

int32_t far_vertex(const WGraph& g, int32_t start) {
  // BFS, return a vertex of the last level (pseudo-peripheral candidate)
  std::vector<int32_t> q{start}, seen(g.n, 0);
  seen[start] = 1;
  int32_t last = start;
  for (size_t k = 0; k < q.size(); k++) {
    int32_t v = q[k];
    last = v;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++)
      if (!seen[g.adj[p]]) { seen[g.adj[p]] = 1; q.push_back(g.adj[p]); }
  }
  return last;
}

// Multilevel vertex separator of a connected weighted graph.  Several initial separators of the coarsest graph
// (edge bisections turned into vertex separators, and directly grown separators, from different seeds) are refined
// while uncoarsening until the graph is large enough to judge them; the best one is refined up to the finest graph.
void ml_separator(const WGraph& g0, const NdControl& ctl, Rng& rng, Sep& out, Timers& tm) {
  double t = now();
  std::vector<std::vector<int32_t>> cmaps;
  const WGraph* cur = &g0;
  // without coarsening (level structure), the trials run on the finest graph itself
  const int32_t coarsen_to = ctl.multilevel ? 100 : g0.n;
  std::vector<WGraph> store;
  store.reserve(64);
  std::vector<int32_t> match, order, mark;
  while (cur->n > coarsen_to && store.size() < 60) {
    WGraph cg;
    std::vector<int32_t> cmap;
    int64_t maxvw = std::max<int64_t>(1, (int64_t)(1.5 * (double)cur->tvw / coarsen_to));
    if (!coarsen_once(*cur, cg, cmap, rng, maxvw, match, order, mark)) break;
    cmaps.push_back(std::move(cmap));
    store.push_back(std::move(cg));
    cur = &store.back();
  }
  tm.coarsen += now() - t;
  t = now();
  const WGraph& cg = *cur;
  FmWork fw;
  std::vector<int8_t> part;
  std::vector<int64_t> ext;
  const int32_t ntr = std::max(1, ctl.ntrials);
  std::vector<Sep> cand;
  std::vector<double> cscore;
  const int32_t keep = std::min<int32_t>(ntr, 3);
  int64_t maxpw = max_part(cg, ctl.imbalance);
  int32_t start = rng.below(cg.n);
  for (int32_t trial = 0; trial < ntr; trial++) {
    int32_t seed = trial == 0 ? far_vertex(cg, start) : rng.below(cg.n);
    Sep s;
    if (trial % 2 == 0) {
      gggp(cg, seed, part, fw.h0, ext);
      double tc = now();
      cover_separator(cg, part, s);
      tm.cover += now() - tc;
    } else {
      grow_separator(cg, seed, s, fw.h0, ext);
    }
    node_fm(cg, s, maxpw, 8, fw);
    double sc = sep_score(s, maxpw);
    bool dup = false;
    for (double c : cscore) dup = dup || c == sc;
    if (dup) continue;
    // keep the `keep` best distinct candidates
    cand.push_back(std::move(s));
    cscore.push_back(sc);
    for (size_t i = cand.size() - 1; i > 0 && cscore[i] < cscore[i - 1]; i--) {
      std::swap(cand[i], cand[i - 1]);
      std::swap(cscore[i], cscore[i - 1]);
    }
    if ((int32_t)cand.size() > keep) { cand.pop_back(); cscore.pop_back(); }
  }
  tm.initial += now() - t;
  // uncoarsen with refinement; the candidates are compared once the graph has a few thousand vertices
  t = now();
  const int32_t judge_at = 2000;
  for (int32_t lev = (int32_t)store.size() - 1; lev >= 0; lev--) {
    const WGraph& fine = lev == 0 ? g0 : store[lev - 1];
    const std::vector<int32_t>& cmap = cmaps[lev];
    const int64_t mp = max_part(fine, ctl.imbalance);
    double tr = now();
    for (Sep& c : cand) {
      Sep s;
      s.where.resize(fine.n);
      for (int32_t v = 0; v < fine.n; v++) s.where[v] = c.where[cmap[v]];
      node_fm(fine, s, mp, fine.n > 20000 ? 4 : 8, fw);
      c = std::move(s);
    }
    tm.refine += now() - tr;
    if (cand.size() > 1 && (fine.n >= judge_at || lev == 0)) {
      size_t b = 0;
      for (size_t i = 1; i < cand.size(); i++)
        if (sep_score(cand[i], mp) < sep_score(cand[b], mp)) b = i;
      Sep best = std::move(cand[b]);
      cand.clear();
      cand.push_back(std::move(best));
    }
  }
  if (cand.size() > 1) {  // never coarsened
    size_t b = 0;
    for (size_t i = 1; i < cand.size(); i++)
      if (sep_score(cand[i], maxpw) < sep_score(cand[b], maxpw)) b = i;
    std::swap(cand[0], cand[b]);
  }
  tm.uncoarsen += now() - t;
  out = std::move(cand[0]);
}

struct NdState {
  const NdControl* ctl;
  Rng rng{1};
  std::vector<int32_t> label;  // constraint set per node
  int32_t nlabel = 0;
  Timers tm;
  int32_t depth0_sep = -1;
  int32_t toppart[2] = {0, 0};
  int32_t ncomp = 0, maxcomp = 0;
  int64_t sepw[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

// Subgraph of g induced by the vertices list (local numbering = position in list); loc is scratch of size g.n
// holding -1 on entry and on exit.
void extract(const WGraph& g, const std::vector<int32_t>& list, std::vector<int32_t>& loc, WGraph& sg) {
  const int32_t m = (int32_t)list.size();
  for (int32_t i = 0; i < m; i++) loc[list[i]] = i;
  int64_t ne = 0;
  for (int32_t v : list) ne += g.xadj[v + 1] - g.xadj[v];
  sg.n = m;
  sg.xadj.assign(m + 1, 0);
  sg.adj.resize(ne); sg.ew.resize(ne);
  sg.vw.resize(m);
  sg.tvw = 0;
  int64_t top = 0;
  for (int32_t i = 0; i < m; i++) {
    int32_t v = list[i];
    sg.vw[i] = g.vw[v];
    sg.tvw += g.vw[v];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      const int32_t u = loc[g.adj[p]];
      sg.adj[top] = u;
      sg.ew[top] = g.ew[p];
      top += u >= 0;
    }
    sg.xadj[i + 1] = top;
  }
  sg.adj.resize(top); sg.ew.resize(top);
  for (int32_t i = 0; i < m; i++) loc[list[i]] = -1;
}

void leaf(NdState& st, const std::vector<int32_t>& ids) {
  int32_t lab = st.nlabel++;
  for (int32_t v : ids) st.label[v] = lab;
}

// Dissects the graph sg whose vertex i is node ids[i] of the whole graph; sg and ids are released on the way.
void dissect(NdState& st, WGraph& sg, std::vector<int32_t>& ids, int depth) {
  const int32_t m = sg.n;
  if (m == 0) return;
  if (m <= st.ctl->leafsize) { leaf(st, ids); return; }
  // connected components
  std::vector<int32_t> comp(m, -1), q(m);
  int32_t nc = 0, qend = 0;
  for (int32_t r = 0; r < m; r++) {
    if (comp[r] >= 0) continue;
    int32_t k = qend;
    q[qend++] = r; comp[r] = nc;
    for (; k < qend; k++) {
      const int32_t v = q[k];
      for (int64_t p = sg.xadj[v]; p < sg.xadj[v + 1]; p++)
        if (comp[sg.adj[p]] < 0) { comp[sg.adj[p]] = nc; q[qend++] = sg.adj[p]; }
    }
    nc++;
  }
  std::vector<int32_t> loc(m, -1);
  if (nc > 1) {
    // q lists the components one after the other
    std::vector<int32_t> cstart(nc + 1, 0);
    for (int32_t i = 0; i < m; i++) cstart[comp[q[i]] + 1] = i + 1;
    if (depth == 0) {
      st.ncomp = nc;
      for (int32_t c = 0; c < nc; c++) st.maxcomp = std::max(st.maxcomp, cstart[c + 1] - cstart[c]);
    }
    std::vector<WGraph> gs;
    std::vector<std::vector<int32_t>> cids;
    for (int32_t c = 0; c < nc; c++) {
      std::vector<int32_t> list(q.begin() + cstart[c], q.begin() + cstart[c + 1]);
      std::vector<int32_t> gid(list.size());
      for (size_t i = 0; i < list.size(); i++) gid[i] = ids[list[i]];
      if ((int32_t)list.size() <= st.ctl->leafsize) { leaf(st, gid); continue; }
      gs.emplace_back();
      extract(sg, list, loc, gs.back());
      cids.push_back(std::move(gid));
    }
    sg = WGraph();
    std::vector<int32_t>().swap(ids);
    for (size_t c = 0; c < gs.size(); c++) dissect(st, gs[c], cids[c], depth + 1);
    return;
  }
  std::vector<int32_t>().swap(comp);
  std::vector<int32_t>().swap(q);
  Sep s;
  ml_separator(sg, *st.ctl, st.rng, s, st.tm);
  std::vector<int32_t> a, b, sep;
  for (int32_t i = 0; i < m; i++) {
    if (s.where[i] == 0) a.push_back(i);
    else if (s.where[i] == 1) b.push_back(i);
    else sep.push_back(ids[i]);
  }
  if (a.empty() || b.empty()) { leaf(st, ids); return; }  // no useful separator (nearly complete graph)
  if (depth < 8) st.sepw[depth] += (int64_t)sep.size();
  if (depth == 0 && st.depth0_sep < 0) {
    st.depth0_sep = (int32_t)sep.size();
    st.toppart[0] = (int32_t)a.size();
    st.toppart[1] = (int32_t)b.size();
  }
  WGraph ga, gb;
  extract(sg, a, loc, ga);
  extract(sg, b, loc, gb);
  for (int32_t& v : a) v = ids[v];
  for (int32_t& v : b) v = ids[v];
  sg = WGraph();
  std::vector<int32_t>().swap(ids);
  std::vector<int32_t>().swap(loc);
  s = Sep();
  dissect(st, ga, a, depth + 1);
  dissect(st, gb, b, depth + 1);
  leaf(st, sep);
}

}  // namespace

int order_compress(const Graph& g, Graph& cg, std::vector<int32_t>& rep, std::vector<int32_t>& weight) {
  try {
    const int32_t n = g.n;
    // hash of the closed adjacency
    std::vector<uint64_t> hash(n);
    for (int32_t i = 0; i < n; i++) {
      uint64_t h = (uint64_t)i;
      for (int64_t p = g.ptr[i]; p < g.ptr[i + 1]; p++) h += (uint64_t)g.adj[p];
      hash[i] = h * 0x9E3779B97F4A7C15ull ^ (uint64_t)(g.ptr[i + 1] - g.ptr[i]);
    }
    std::vector<int32_t> idx(n);
    for (int32_t i = 0; i < n; i++) idx[i] = i;
    std::sort(idx.begin(), idx.end(), [&](int32_t a, int32_t b) { return hash[a] != hash[b] ? hash[a] < hash[b] : a < b; });
    rep.assign(n, -1);
    std::vector<int32_t> mark(n, -1);
    std::vector<int32_t> head;  // representative original node of each compressed node
    for (int32_t k = 0; k < n;) {
      int32_t e = k;
      while (e < n && hash[idx[e]] == hash[idx[k]]) e++;
      for (int32_t a = k; a < e; a++) {
        int32_t i = idx[a];
        if (rep[i] >= 0) continue;
        rep[i] = (int32_t)head.size();
        head.push_back(i);
        // mark closed adjacency of i
        mark[i] = i;
        for (int64_t p = g.ptr[i]; p < g.ptr[i + 1]; p++) mark[g.adj[p]] = i;
        int64_t di = g.ptr[i + 1] - g.ptr[i];
        for (int32_t b = a + 1; b < e; b++) {
          int32_t j = idx[b];
          if (rep[j] >= 0 || g.ptr[j + 1] - g.ptr[j] != di || mark[j] != i) continue;
          bool same = true;
          for (int64_t p = g.ptr[j]; p < g.ptr[j + 1] && same; p++) same = mark[g.adj[p]] == i;
          if (same) rep[j] = rep[i];
        }
      }
      k = e;
    }
    const int32_t nc = (int32_t)head.size();
    weight.assign(nc, 0);
    for (int32_t i = 0; i < n; i++) weight[rep[i]]++;
    cg.n = nc;
    cg.ptr.assign(nc + 1, 0);
    cg.adj.clear();
    std::vector<int32_t> m2(nc, -1);
    for (int32_t c = 0; c < nc; c++) {
      int32_t i = head[c];
      m2[c] = c;
      for (int64_t p = g.ptr[i]; p < g.ptr[i + 1]; p++) {
        int32_t d = rep[g.adj[p]];
        if (m2[d] != c) { m2[d] = c; cg.adj.push_back(d); }
      }
      cg.ptr[c + 1] = (int64_t)cg.adj.size();
    }
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

int order_separator(const Graph& g, const NdControl& ctl, std::vector<int8_t>& where) {
  const int32_t n = g.n;
  if (n < 0 || (int64_t)g.ptr.size() != (int64_t)n + 1) return 4;
  try {
    where.assign(n, 0);
    if (n < 2) return 0;
    WGraph W;
    W.n = n;
    W.xadj = g.ptr;
    W.adj = g.adj;
    W.ew.assign(g.adj.size(), 1);
    W.vw.assign(n, 1);
    W.tvw = n;
    Rng rng(ctl.seed);
    Timers tm;
    Sep s;
    ml_separator(W, ctl, rng, s, tm);
    where = std::move(s.where);
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

int order_nd(const Graph& g, const NdControl& ctl, int32_t* perm, NdInfo* info) {
  NdInfo inf;
  const int32_t n = g.n;
  if (n <= 0) { if (info) *info = inf; return 0; }
  if ((int64_t)g.ptr.size() != (int64_t)n + 1) return 4;
  try {
    double t0 = now();
    // high-degree nodes
    double dthr = ctl.dense < 0 ? (double)n : std::max(16.0, ctl.dense * std::sqrt((double)n));
    std::vector<char> high(n, 0);
    for (int32_t i = 0; i < n; i++)
      if ((double)(g.ptr[i + 1] - g.ptr[i]) > dthr) { high[i] = 1; inf.nhighdeg++; }
    // compression
    Graph cg;
    std::vector<int32_t> rep, weight;
    if (ctl.compress) {
      int rc = order_compress(g, cg, rep, weight);
      if (rc) return rc;
    } else {
      cg = g;
      rep.resize(n); weight.assign(n, 1);
      for (int32_t i = 0; i < n; i++) rep[i] = i;
    }
    inf.ncompressed = cg.n;
    // weighted graph without high-degree nodes (a compressed node is high when its members are)
    const int32_t nc = cg.n;
    std::vector<char> chigh(nc, 0);
    for (int32_t i = 0; i < n; i++) if (high[i]) chigh[rep[i]] = 1;
    WGraph W;
    W.n = nc;
    W.xadj.assign(nc + 1, 0);
    W.vw.assign(weight.begin(), weight.end());
    W.adj.resize(cg.adj.size());
    int64_t top = 0;
    for (int32_t c = 0; c < nc; c++) {
      if (!chigh[c])
        for (int64_t p = cg.ptr[c]; p < cg.ptr[c + 1]; p++) {
          const int32_t d = cg.adj[p];
          if (!chigh[d]) W.adj[top++] = d;
        }
      W.xadj[c + 1] = top;
    }
    W.adj.resize(top);
    W.ew.assign(top, 1);
    W.tvw = 0;
    for (int32_t c = 0; c < nc; c++) W.tvw += W.vw[c];
    NdState st;
    st.ctl = &ctl;
    st.rng = Rng(ctl.seed);
    st.label.assign(nc, -1);
    std::vector<int32_t> nodes;
    for (int32_t c = 0; c < nc; c++) if (!chigh[c]) nodes.push_back(c);
    const int32_t nlow = (int32_t)nodes.size();
    double tml = now();
    {
      WGraph top;
      std::vector<int32_t> loc(nc, -1);
      extract(W, nodes, loc, top);
      W = WGraph();
      dissect(st, top, nodes, 0);
    }
    double tpart = now() - tml;
    int32_t hlab = st.nlabel++;
    for (int32_t c = 0; c < nc; c++) if (chigh[c]) st.label[c] = hlab;
    // constrained minimum degree on the original graph with the dissection's sets
    double tc = now();
    std::vector<int32_t> cm(n);
    for (int32_t i = 0; i < n; i++) cm[i] = st.label[rep[i]];
    AmdControl actl;
    actl.dense = -1;  // high-degree nodes are already in the last set
    int rc = order_amd(g, cm.data(), actl, perm, nullptr);
    if (rc) return rc;
    inf.t_cmd = now() - tc;
    inf.t_coarsen = st.tm.coarsen;
    inf.t_uncoarsen = st.tm.uncoarsen;
    inf.t_initial = st.tm.initial;
    inf.t_refine = st.tm.refine;
    inf.t_cover = st.tm.cover;
    (void)tpart;
    inf.ncomp = std::max(1, st.ncomp);
    inf.maxcomp = st.ncomp > 1 ? st.maxcomp : nlow;
    inf.topsep = std::max(0, st.depth0_sep);
    inf.topparts[0] = st.toppart[0];
    inf.topparts[1] = st.toppart[1];
    for (int d = 0; d < 8; d++) inf.sepweight[d] = st.sepw[d];
    inf.t_total = now() - t0;
    if (info) *info = inf;
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

}  // namespace zrv::order
