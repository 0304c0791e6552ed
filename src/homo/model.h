// The problem the homogeneous iterations work on, built from the problem view:
//
//   minimize c'x + 0.5 x'Qx + obj_const  subject to  A x = b,  x_j >= 0 (lower and ranged columns),
//   x_j + w_j = u_j (ranged columns, w_j >= 0),  x_j free (free columns).
//
// Rows are scaled by rs and view columns by cs; every bound is moved to zero by a shift (and a sign flip for a
// column with an upper bound only); fixed variables leave the problem and move into b and obj_const; a row that is
// an inequality gets a slack column (A x - r = 0, the slack r carrying the row's bounds); a row without any
// side leaves the problem.  The maps lead every internal item back to the view.
#pragma once
#include <cstdint>
#include <vector>

#include "optimize/ipview.h"

namespace zrv::homo {

enum ColKind : int8_t { COL_FREE = 0, COL_LOWER = 1, COL_RANGED = 2 };

struct Model {
  int32_t m = 0, n = 0;  // internal rows and columns
  std::vector<int64_t> ap;
  std::vector<int32_t> ai;
  std::vector<double> ax;
  std::vector<double> b, c, u;  // u: width of a ranged column, 0 otherwise
  std::vector<int8_t> kind;
  // Q of the internal columns: lower triangle by columns (empty when the problem has none) and its diagonal.
  std::vector<int64_t> qp;
  std::vector<int32_t> qi;
  std::vector<double> qx;
  std::vector<double> qdiag;
  bool hasq = false, qoffdiag = false;
  double obj_const = 0;  // view objective = bp * bd * internal objective + obj_const
  double bp = 1, bd = 1;  // b and u divided by bp, c by bd: the iterates stay near 1 whatever the data's size
  int32_t nfree = 0, nranged = 0, ncomp = 0;  // ncomp: number of complementarity pairs (tau kappa included)

  // maps back to the view (m0 rows, n0 columns)
  int32_t m0 = 0, n0 = 0;
  std::vector<int32_t> col_of_var;  // view column -> internal column, -1 when fixed
  std::vector<int32_t> col_of_row;  // view row -> its slack column, -1 for none
  std::vector<int32_t> row_of_con;  // view row -> internal row, -1 when the row has no side
  std::vector<double> shift;        // internal column: scaled view value = shift + sign * x
  std::vector<int8_t> sign;
  std::vector<double> fixval;       // view column: value of a fixed variable (unscaled), 0 otherwise
  std::vector<double> rs, cs;       // scaled A = diag(rs) A diag(cs)
  std::vector<double> rowsc;        // internal row: its row scale factor
  std::vector<double> colsc;        // internal column: view value = colsc * internal value (cs, or 1/rs for a slack)

  // data norms in the units of the view (the termination tests measure there, so scaling cannot hide residuals)
  double nb = 0, nc = 0, nu = 0, np = 0, nd = 0;
};

// Builds the internal problem.  scaling: 0 none, 1 moderate, 2 aggressive.  Returns 0, or OUT_NONCONVEX when a
// diagonal entry of Q is negative.  Bounds must be consistent (lower <= upper); hsd_solve checks that first.
int build_model(const opt::ProbView& v, int scaling, Model* M);

// Row and column scale factors (powers of two) of a CSC matrix by geometric-mean passes.
void scale_factors(int32_t m, int32_t n, const int64_t* ap, const int32_t* ai, const double* ax, int passes,
                   std::vector<double>* rs, std::vector<double>* cs);

}  // namespace zrv::homo
