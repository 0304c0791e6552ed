// Fill-reducing orderings of symmetric sparse matrices.
//
// All routines take the adjacency graph of a symmetric matrix: n nodes, ptr[n+1] (64-bit), adj[ptr[n]], both
// triangles present, no self loops, no duplicates (use order_graph_from_lower to build one from a triangle with
// duplicates).  They return a permutation perm (perm[k] = node eliminated k-th).  They never print and never read
// parameters.  Return codes: 0 success, 1 out of memory, 4 inconsistent input.
#pragma once
#include <cstdint>
#include <vector>

namespace zrv::order {

enum Method : int {
  ORDER_AUTO = 0,       // free: minimum degree, and graph partitioning when it is cheaper (try)
  ORDER_AMD = 1,        // approximate minimum degree ("ML order")
  ORDER_TRY_ND = 2,     // compute both, keep the one with fewer flops
  ORDER_ND = 3,         // force nested dissection
  ORDER_NONE = 4,       // natural order
};

struct Graph {
  int32_t n = 0;
  std::vector<int64_t> ptr;  // n+1
  std::vector<int32_t> adj;
};

// Builds the symmetric adjacency graph (no diagonal, no duplicates) of a matrix given by the pattern of one or both
// triangles in CSC form (colptr[n+1], rowind).  Entries out of range are an error (returns 4).
int order_graph_from_csc(int32_t n, const int64_t* colptr, const int32_t* rowind, Graph& g);

struct AmdInfo {
  int32_t ndense = 0;      // nodes removed as dense and ordered last
  int32_t ncompress = 0;   // garbage collections
  double lnz = 0;          // estimated nonzeros of L (excluding diagonal)
};

struct AmdControl {
  double dense = 10.0;     // node is dense when degree > max(16, dense*sqrt(n)); < 0: never
  bool aggressive = true;  // aggressive absorption
};

// Approximate minimum degree.  cmember (may be null): constraint set of each node (0..ncon-1); a node of set c is
// eliminated only after all nodes of sets < c (constrained minimum degree).  The order returned is the postorder of
// the assembly tree of that elimination: the sets need not come out contiguous, but no node has an ancestor of an
// earlier set in the elimination tree.
int order_amd(const Graph& g, const int32_t* cmember, const AmdControl& ctl, int32_t* perm, AmdInfo* info);

struct NdControl {
  int32_t leafsize = 200;         // parts at most this size are ordered by constrained minimum degree
  double dense = 10.0;            // high-degree nodes (degree > max(16, dense*sqrt(n))) removed, ordered last
  double imbalance = 1.5;         // max part weight / half of total
  int32_t ntrials = 4;            // initial partitions tried at the coarsest level
  bool multilevel = true;         // false: separators grown and refined on the graph itself (level structures)
  uint32_t seed = 12345;          // deterministic pseudo random choices
  bool compress = true;           // merge nodes with identical adjacency first
};

struct NdInfo {
  int32_t nhighdeg = 0;           // high-degree nodes removed
  int32_t ncomp = 0;              // connected components
  int32_t maxcomp = 0;            // size of the largest component
  int32_t ncompressed = 0;        // nodes after compression
  int32_t topsep = 0;             // size of the top-level separator
  int32_t topparts[2] = {0, 0};   // sizes of the two top-level parts
  int64_t sepweight[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // total separator size at dissection depths 0..7
  double t_total = 0, t_coarsen = 0, t_uncoarsen = 0, t_initial = 0, t_refine = 0, t_cover = 0, t_cmd = 0;
};

// Nested dissection by multilevel graph partitioning; leaves and the final order by constrained minimum degree.
int order_nd(const Graph& g, const NdControl& ctl, int32_t* perm, NdInfo* info);

// One vertex separator of the graph as nested dissection computes it (unit vertex weights, the graph as given):
// where[i] = 0 or 1 (the two parts) or 2 (separator); no edge joins the parts.  Returns 0, 1 (out of memory), 4.
int order_separator(const Graph& g, const NdControl& ctl, std::vector<int8_t>& where);

// Symmetric compression: nodes with identical closed adjacency are merged.  rep[i] = representative index in the
// compressed graph; weight = nodes merged.  Returns the compressed graph.
int order_compress(const Graph& g, Graph& cg, std::vector<int32_t>& rep, std::vector<int32_t>& weight);

}  // namespace zrv::order
