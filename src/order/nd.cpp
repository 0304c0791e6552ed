// Nested dissection by multilevel graph partitioning, written for ZIRVA.
//
// High-degree nodes are removed first (ordered last) and nodes with identical adjacency merged (vertex weights).
// Each connected part is split by a vertex separator found multilevel: heavy-edge matching coarsening, greedy graph
// growing edge bisections at the coarsest level turned into vertex separators by a minimum vertex cover of the
// cut edges (Koenig), then 2-sided node Fiduccia-Mattheyses refinement (with rebalancing) while uncoarsening.
// Connected components are ordered separately.  The dissection tree gives every node a constraint set (parts before
// their separator); the final order is the constrained approximate minimum degree over the whole graph, which
// orders the small parts by minimum degree with knowledge of their boundary.
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

// Heavy-edge matching and contraction.  Returns false when the graph hardly shrinks.
bool coarsen_once(const WGraph& g, WGraph& cg, std::vector<int32_t>& cmap, Rng& rng, int64_t maxvw) {
  const int32_t n = g.n;
  std::vector<int32_t> match(n, -1), order(n);
  // visit order: natural order shuffled inside small windows (keeps memory locality, avoids regular stripes)
  for (int32_t i = 0; i < n; i++) order[i] = i;
  const int32_t WIN = 16;
  for (int32_t b = 0; b < n; b += WIN) {
    int32_t e = std::min(n, b + WIN);
    for (int32_t i = e - 1; i > b; i--) std::swap(order[i], order[b + rng.below(i - b + 1)]);
  }
  cmap.assign(n, -1);
  int32_t nc = 0;
  for (int32_t v : order) {
    if (match[v] != -1) continue;
    int32_t best = -1, bw = -1;
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (match[u] != -1 || g.vw[u] + g.vw[v] > maxvw) continue;
      if (g.ew[p] > bw || (g.ew[p] == bw && g.vw[u] < g.vw[best])) { bw = g.ew[p]; best = u; }
    }
    if (best == -1) match[v] = v;
    else { match[v] = best; match[best] = v; }
    nc++;
  }
  if (nc > 0.9 * n) return false;
  std::vector<int32_t> first(nc), second(nc, -1);
  nc = 0;
  for (int32_t v = 0; v < n; v++) {
    if (cmap[v] != -1) continue;
    cmap[v] = nc;
    first[nc] = v;
    if (match[v] != v) { cmap[match[v]] = nc; second[nc] = match[v]; }
    nc++;
  }
  cg.n = nc;
  cg.vw.assign(nc, 0);
  cg.xadj.assign(nc + 1, 0);
  cg.adj.clear(); cg.ew.clear();
  cg.adj.reserve(g.adj.size()); cg.ew.reserve(g.adj.size());
  std::vector<int32_t> mark(nc, -1);
  for (int32_t c = 0; c < nc; c++) {
    int64_t start = (int64_t)cg.adj.size();
    for (int k = 0; k < 2; k++) {
      int32_t v = k == 0 ? first[c] : second[c];
      if (v < 0) continue;
      cg.vw[c] += g.vw[v];
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        int32_t cu = cmap[g.adj[p]];
        if (cu == c) continue;
        if (mark[cu] >= start && mark[cu] != -1 && cg.adj[mark[cu]] == cu) {
          cg.ew[mark[cu]] += g.ew[p];
        } else {
          mark[cu] = (int32_t)cg.adj.size();
          cg.adj.push_back(cu);
          cg.ew.push_back(g.ew[p]);
        }
      }
    }
    cg.xadj[c + 1] = (int64_t)cg.adj.size();
  }
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

// 2-sided node FM refinement of a vertex separator; also rebalances.
void node_fm(const WGraph& g, Sep& s, double imb, int npass, Heap& h0, Heap& h1) {
  const int32_t n = g.n;
  compute_pw(g, s);
  const int64_t total = s.pw[0] + s.pw[1] + s.pw[2];
  const int64_t maxpw = std::max<int64_t>((int64_t)(imb * (double)total / 2.0), (total + 1) / 2);
  h0.init(n); h1.init(n);
  std::vector<char> locked(n, 0);
  struct Mv { int32_t v; int8_t from; };
  std::vector<Mv> log;
  auto gain = [&](int32_t v, int to) {
    int64_t gsum = g.vw[v];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (s.where[u] == 1 - to) gsum -= g.vw[u];
    }
    return gsum;
  };
  for (int pass = 0; pass < npass; pass++) {
    h0.clear(); h1.clear();
    std::fill(locked.begin(), locked.end(), 0);
    log.clear();
    for (int32_t v = 0; v < n; v++)
      if (s.where[v] == 2) { h0.push(v, gain(v, 0)); h1.push(v, gain(v, 1)); }
    int64_t bestsep = s.pw[2];
    int64_t bestbal = std::llabs(s.pw[0] - s.pw[1]);
    bool bestok = s.pw[0] <= maxpw && s.pw[1] <= maxpw;
    size_t bestlen = 0;
    int32_t nobetter = 0;
    const int32_t limit = std::max<int32_t>(50, std::min<int32_t>(n / 20, 300));
    std::vector<int32_t> touched;
    while (!h0.empty() || !h1.empty()) {
      // choose the side to move into: the lighter side, unless its best move is much worse
      int to;
      if (h0.empty()) to = 1;
      else if (h1.empty()) to = 0;
      else if (s.pw[0] + g.vw[h0.top()] > maxpw) to = 1;
      else if (s.pw[1] + g.vw[h1.top()] > maxpw) to = 0;
      else {
        int64_t g0 = h0.key[h0.top()], g1 = h1.key[h1.top()];
        if (g0 != g1) to = g0 > g1 ? 0 : 1;
        else to = s.pw[0] < s.pw[1] ? 0 : 1;
      }
      Heap& H = to == 0 ? h0 : h1;
      int32_t v = H.top();
      if (s.pw[to] + g.vw[v] > maxpw && bestok) break;
      h0.remove(v); h1.remove(v);
      locked[v] = 1;
      int other = 1 - to;
      log.push_back({v, 2});
      s.where[v] = (int8_t)to;
      s.pw[2] -= g.vw[v]; s.pw[to] += g.vw[v];
      touched.clear();
      for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
        int32_t u = g.adj[p];
        if (s.where[u] == other) {
          log.push_back({u, (int8_t)other});
          s.where[u] = 2;
          s.pw[other] -= g.vw[u]; s.pw[2] += g.vw[u];
          touched.push_back(u);
          for (int64_t q = g.xadj[u]; q < g.xadj[u + 1]; q++)
            if (s.where[g.adj[q]] == 2) touched.push_back(g.adj[q]);
        } else if (s.where[u] == 2) {
          touched.push_back(u);
        }
      }
      log.push_back({-1, 0});  // end of this move
      for (int32_t x : touched) {
        if (locked[x] || s.where[x] != 2) continue;
        int64_t a = gain(x, 0), b = gain(x, 1);
        if (h0.contains(x)) h0.update(x, a); else h0.push(x, a);
        if (h1.contains(x)) h1.update(x, b); else h1.push(x, b);
      }
      bool ok = s.pw[0] <= maxpw && s.pw[1] <= maxpw;
      int64_t bal = std::llabs(s.pw[0] - s.pw[1]);
      if ((ok && !bestok) || (ok == bestok && (s.pw[2] < bestsep || (s.pw[2] == bestsep && bal < bestbal)))) {
        bestsep = s.pw[2]; bestbal = bal; bestok = ok; bestlen = log.size(); nobetter = 0;
      } else if (++nobetter > limit) {
        break;
      }
    }
    // roll back to the best state
    int64_t before = bestsep;
    for (size_t i = log.size(); i-- > bestlen;) {
      if (log[i].v < 0) continue;
      s.where[log[i].v] = log[i].from;
    }
    compute_pw(g, s);
    (void)before;
    if (bestlen == 0) break;  // no improvement in this pass
  }
}

// Greedy graph growing bisection from seed: grows side 0 by the boundary vertex with the best edge gain.
void gggp(const WGraph& g, int32_t seed, std::vector<int8_t>& part, Heap& h) {
  const int32_t n = g.n;
  part.assign(n, 1);
  h.init(n);
  int64_t w0 = 0, target = g.tvw / 2;
  std::vector<int64_t> ext(n, 0);  // edge weight to side 0 minus to side 1 (gain of moving to 0)
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
  while (w0 < target) {
    int32_t v;
    if (h.empty()) {
      // disconnected remainder: take any vertex of side 1
      v = -1;
      for (int32_t u = 0; u < n; u++) if (part[u] == 1) { v = u; break; }
      if (v < 0) break;
    } else {
      v = h.top();
      h.remove(v);
    }
    if (w0 + g.vw[v] > target + (g.tvw - target) / 10 && w0 > 0 && w0 + g.vw[v] - target > target - w0) break;
    add(v);
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

// Multilevel vertex separator of a connected weighted graph.
void ml_separator(const WGraph& g0, const NdControl& ctl, Rng& rng, Sep& out, Timers& tm) {
  double t = now();
  std::vector<WGraph> levels;
  std::vector<std::vector<int32_t>> cmaps;
  const WGraph* cur = &g0;
  const int32_t coarsen_to = 120;
  std::vector<WGraph> store;
  store.reserve(64);
  while (cur->n > coarsen_to && store.size() < 60) {
    WGraph cg;
    std::vector<int32_t> cmap;
    int64_t maxvw = std::max<int64_t>(1, (int64_t)(1.5 * (double)cur->tvw / coarsen_to));
    if (!coarsen_once(*cur, cg, cmap, rng, maxvw)) break;
    cmaps.push_back(std::move(cmap));
    store.push_back(std::move(cg));
    cur = &store.back();
  }
  tm.coarsen += now() - t;
  // initial separators at the coarsest level
  t = now();
  const WGraph& cg = *cur;
  Heap h0, h1;
  Sep best;
  bool have = false;
  std::vector<int8_t> part;
  int32_t start = rng.below(cg.n);
  for (int trial = 0; trial < std::max(1, ctl.ntrials); trial++) {
    int32_t seed = trial == 0 ? far_vertex(cg, start) : rng.below(cg.n);
    gggp(cg, seed, part, h0);
    Sep s;
    double tc = now();
    cover_separator(cg, part, s);
    tm.cover += now() - tc;
    node_fm(cg, s, ctl.imbalance, 4, h0, h1);
    auto score = [&](const Sep& x) {
      double big = (double)std::max(x.pw[0], x.pw[1]);
      double tot = (double)(x.pw[0] + x.pw[1] + x.pw[2]);
      double pen = big > ctl.imbalance * tot / 2 ? 1e9 : 0;
      return (double)x.pw[2] + pen + 1e-6 * std::fabs((double)(x.pw[0] - x.pw[1]));
    };
    if (!have || score(s) < score(best)) { best = s; have = true; }
  }
  tm.initial += now() - t;
  // uncoarsen with refinement
  t = now();
  for (int32_t lev = (int32_t)store.size() - 1; lev >= 0; lev--) {
    const WGraph& fine = lev == 0 ? g0 : store[lev - 1];
    const std::vector<int32_t>& cmap = cmaps[lev];
    Sep s;
    s.where.resize(fine.n);
    for (int32_t v = 0; v < fine.n; v++) s.where[v] = best.where[cmap[v]];
    double tr = now();
    node_fm(fine, s, ctl.imbalance, 4, h0, h1);
    tm.refine += now() - tr;
    best = std::move(s);
  }
  tm.uncoarsen += now() - t;
  out = std::move(best);
}

struct NdState {
  const WGraph* g;
  const NdControl* ctl;
  Rng rng{1};
  std::vector<int32_t> label;  // constraint set per node
  int32_t nlabel = 0;
  Timers tm;
  int32_t depth0_sep = -1;
  int32_t toppart[2] = {0, 0};
  int32_t ncomp = 0, maxcomp = 0;
  std::vector<int32_t> loc;    // global -> local index scratch
};

void build_sub(const WGraph& g, const std::vector<int32_t>& nodes, std::vector<int32_t>& loc, WGraph& sg) {
  const int32_t m = (int32_t)nodes.size();
  for (int32_t i = 0; i < m; i++) loc[nodes[i]] = i;
  sg.n = m;
  sg.xadj.assign(m + 1, 0);
  sg.adj.clear(); sg.ew.clear();
  sg.vw.resize(m);
  sg.tvw = 0;
  for (int32_t i = 0; i < m; i++) {
    int32_t v = nodes[i];
    sg.vw[i] = g.vw[v];
    sg.tvw += g.vw[v];
    for (int64_t p = g.xadj[v]; p < g.xadj[v + 1]; p++) {
      int32_t u = g.adj[p];
      if (loc[u] >= 0) { sg.adj.push_back(loc[u]); sg.ew.push_back(g.ew[p]); }
    }
    sg.xadj[i + 1] = (int64_t)sg.adj.size();
  }
  for (int32_t i = 0; i < m; i++) loc[nodes[i]] = -1;
}

void dissect(NdState& st, std::vector<int32_t>& nodes, int depth) {
  const WGraph& g = *st.g;
  const int32_t m = (int32_t)nodes.size();
  if (m == 0) return;
  if (m <= st.ctl->leafsize) {
    int32_t lab = st.nlabel++;
    for (int32_t v : nodes) st.label[v] = lab;
    return;
  }
  WGraph sg;
  build_sub(g, nodes, st.loc, sg);
  // connected components
  std::vector<int32_t> comp(m, -1), q;
  int32_t nc = 0;
  for (int32_t r = 0; r < m; r++) {
    if (comp[r] >= 0) continue;
    q.clear(); q.push_back(r); comp[r] = nc;
    for (size_t k = 0; k < q.size(); k++) {
      int32_t v = q[k];
      for (int64_t p = sg.xadj[v]; p < sg.xadj[v + 1]; p++)
        if (comp[sg.adj[p]] < 0) { comp[sg.adj[p]] = nc; q.push_back(sg.adj[p]); }
    }
    nc++;
  }
  if (nc > 1) {
    if (depth == 0) {
      st.ncomp = nc;
      std::vector<int32_t> cnt(nc, 0);
      for (int32_t i = 0; i < m; i++) cnt[comp[i]]++;
      st.maxcomp = *std::max_element(cnt.begin(), cnt.end());
    }
    std::vector<std::vector<int32_t>> parts(nc);
    for (int32_t i = 0; i < m; i++) parts[comp[i]].push_back(nodes[i]);
    std::vector<int32_t>().swap(nodes);
    for (auto& p : parts) dissect(st, p, depth + 1);
    return;
  }
  Sep s;
  ml_separator(sg, *st.ctl, st.rng, s, st.tm);
  std::vector<int32_t> a, b, sep;
  for (int32_t i = 0; i < m; i++) {
    if (s.where[i] == 0) a.push_back(nodes[i]);
    else if (s.where[i] == 1) b.push_back(nodes[i]);
    else sep.push_back(nodes[i]);
  }
  if (a.empty() || b.empty()) {
    // no useful separator (nearly complete graph): a leaf
    int32_t lab = st.nlabel++;
    for (int32_t v : nodes) st.label[v] = lab;
    return;
  }
  if (depth == 0 && st.depth0_sep < 0) {
    st.depth0_sep = (int32_t)sep.size();
    st.toppart[0] = (int32_t)a.size();
    st.toppart[1] = (int32_t)b.size();
  }
  std::vector<int32_t>().swap(nodes);
  sg = WGraph();
  dissect(st, a, depth + 1);
  dissect(st, b, depth + 1);
  int32_t lab = st.nlabel++;
  for (int32_t v : sep) st.label[v] = lab;
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
    for (int32_t c = 0; c < nc; c++) {
      if (!chigh[c])
        for (int64_t p = cg.ptr[c]; p < cg.ptr[c + 1]; p++) {
          int32_t d = cg.adj[p];
          if (!chigh[d]) { W.adj.push_back(d); W.ew.push_back(1); }
        }
      W.xadj[c + 1] = (int64_t)W.adj.size();
    }
    W.tvw = 0;
    for (int32_t c = 0; c < nc; c++) W.tvw += W.vw[c];
    NdState st;
    st.g = &W;
    st.ctl = &ctl;
    st.rng = Rng(ctl.seed);
    st.label.assign(nc, -1);
    st.loc.assign(nc, -1);
    std::vector<int32_t> nodes;
    for (int32_t c = 0; c < nc; c++) if (!chigh[c]) nodes.push_back(c);
    double tml = now();
    dissect(st, nodes, 0);
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
    inf.maxcomp = st.ncomp > 1 ? st.maxcomp : (int32_t)nodes.size();
    inf.topsep = std::max(0, st.depth0_sep);
    inf.topparts[0] = st.toppart[0];
    inf.topparts[1] = st.toppart[1];
    inf.t_total = now() - t0;
    if (info) *info = inf;
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

}  // namespace zrv::order
