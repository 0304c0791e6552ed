// The tabular data dump (ZRV_printdata): a slice of the problem printed on one of the task's streams.
//
// Index ranges are clipped to the problem. The header is always printed; the constraint table appears with the
// constraint-bound flag, the variable table with any of the objective, variable-bound and variable-type flags
// (each adds its own columns), and the matrix, quadratic and cone parts with their own flags. The name column is
// as wide as the longest printed name, at least 16, and its heading is padded to the quoted names below it.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "zirva.h"
#include "zirva/conedata.h"
#include "zirva/env.h"
#include "zirva/modules.h"
#include "zirva/problem.h"
#include "zirva/report.h"

using namespace zrv;

namespace {

// One output line at a time: pieces are formatted into the line, which goes to the stream when it ends.
class Printer {
 public:
  Printer(ZRVtask_s* t, int32_t stream) : t_(t), stream_(stream) {}
  void add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof buf) {
      line_.append(buf, static_cast<size_t>(n));
      return;
    }
    size_t at = line_.size();
    line_.resize(at + static_cast<size_t>(n) + 1);
    va_start(ap, fmt);
    std::vsnprintf(&line_[at], static_cast<size_t>(n) + 1, fmt, ap);
    va_end(ap);
    line_.resize(at + static_cast<size_t>(n));
  }
  // A name quoted and padded to the column width.
  void name(std::string_view s, int width) { add("'%-*.*s'", width, static_cast<int>(s.size()), s.data()); }
  void end_line() {
    line_.push_back('\n');
    t_->streams.write(stream_, line_.data(), line_.size());
    line_.clear();
  }

 private:
  ZRVtask_s* t_;
  int32_t stream_;
  std::string line_;
};

const char* bound_key_text(int32_t bk) {
  switch (bk) {
    case ZRV_BK_LO: return "LO";
    case ZRV_BK_UP: return "UP";
    case ZRV_BK_FX: return "FX";
    case ZRV_BK_FR: return "FR";
    case ZRV_BK_RA: return "RA";
    default: return "??";
  }
}

const char* var_type_text(int32_t vt) {
  switch (vt) {
    case ZRV_VAR_TYPE_CONT: return "CONT";
    case ZRV_VAR_TYPE_INT: return "INT";
    default: return "UNKNOWN";
  }
}

const char* cone_type_text(int32_t ct) {
  switch (ct) {
    case ZRV_CT_QUAD: return "QUAD";
    case ZRV_CT_RQUAD: return "RQUAD";
    default: return "UNKNOWN";
  }
}

void print_bounds(Printer& out, int32_t bk, double bl, double bu) {
  if (bk_has_lower(bk))
    out.add(" %-16.6e", bl);
  else
    out.add(" %-16s", "NONE");
  if (bk_has_upper(bk))
    out.add(" %-16.6e", bu);
  else
    out.add(" %-16s", "NONE");
}

// Clips [*first, *last) to [0, count); an inverted range becomes empty.
void clip(int32_t* first, int32_t* last, int32_t count) {
  *first = std::max(*first, 0);
  *last = std::min(*last, count);
  if (*last < *first) *last = *first;
}

struct Flags {
  bool c, qo, a, qc, bc, bx, vartype, cones;
};

int32_t print_data(ZRVtask_s* t, int32_t s, int32_t firsti, int32_t lasti, int32_t firstj, int32_t lastj,
                   int32_t firstk, int32_t lastk, const Flags& fl) {
  const Problem& p = *t->prob;
  const ConeData& cd = *t->cones;
  const NameTable& names = *t->names;
  clip(&firsti, &lasti, p.numcon);
  clip(&firstj, &lastj, p.numvar);
  clip(&firstk, &lastk, cd.numcone);
  // Nobody listens: nothing to format.
  if (!t->streams.wanted(s)) return ZRV_RES_OK;

  const bool con_table = fl.bc;
  const bool var_table = fl.c || fl.bx || fl.vartype;
  int64_t longest = 16;
  if (con_table)
    for (int32_t i = firsti; i < lasti; ++i) longest = std::max(longest, names.name_length(NameClass::Con, i));
  if (var_table)
    for (int32_t j = firstj; j < lastj; ++j) longest = std::max(longest, names.name_length(NameClass::Var, j));
  const int width = static_cast<int>(std::min<int64_t>(longest, 1 << 20));
  auto var_name = [&](int32_t j) { return names.name(NameClass::Var, j); };

  Printer out(t, s);
  const std::string_view task_name = names.task_name(), obj_name = names.objective_name();
  out.add("\nName: %.*s  numcon: %d  numvar: %d  numcone: %d", static_cast<int>(task_name.size()), task_name.data(),
          p.numcon, p.numvar, cd.numcone);
  out.end_line();
  out.add("Objective name: %.*s", static_cast<int>(obj_name.size()), obj_name.data());
  out.end_line();

  if (con_table) {
    out.add("Constraints");
    out.end_line();
    out.add("%-6s %-*s", "Index", width + 2, "'Name'");
    out.add(" %-16s %-16s", "blc", "buc");
    out.end_line();
    for (int32_t i = firsti; i < lasti; ++i) {
      size_t k = static_cast<size_t>(i);
      out.add("%-6d ", i);
      out.name(names.name(NameClass::Con, i), width);
      print_bounds(out, p.bkc[k], p.blc[k], p.buc[k]);
      out.end_line();
    }
  }

  if (var_table) {
    out.add("\nVariables");
    out.end_line();
    out.add("%-6s %-*s", "Index", width + 2, "'Name'");
    if (fl.c) out.add(" %-16s", "c");
    if (fl.bx) out.add(" %-2s %-16s %-16s", "bk", "blx", "bux");
    if (fl.vartype) out.add(" %-7s", "vartype");
    out.end_line();
    for (int32_t j = firstj; j < lastj; ++j) {
      size_t k = static_cast<size_t>(j);
      out.add("%-6d ", j);
      out.name(var_name(j), width);
      if (fl.c) out.add(" %-16.6e", p.c[k]);
      if (fl.bx) {
        out.add(" %-2s", bound_key_text(p.bkx[k]));
        print_bounds(out, p.bkx[k], p.blx[k], p.bux[k]);
      }
      if (fl.vartype) out.add(" %-7s", var_type_text(p.vartype[k]));
      out.end_line();
    }
  }

  if (fl.a) {
    out.add("\nA(columnwise) firsti: %d lasti: %d", firsti, lasti);
    out.end_line();
    std::vector<int32_t> sub, order;
    std::vector<double> val;
    for (int32_t j = firstj; j < lastj; ++j) {
      int32_t nz = 0;
      if (int32_t r = ZRV_getacolnumnz(t, j, &nz)) return r;
      sub.resize(static_cast<size_t>(nz));
      val.resize(static_cast<size_t>(nz));
      if (nz > 0) {
        if (int32_t r = ZRV_getacol(t, j, &nz, sub.data(), val.data())) return r;
      }
      out.add("%-4d[%d]:", j, nz);
      // Entries in row order, so that the dump does not depend on the order in which they were put.
      order.resize(static_cast<size_t>(nz));
      std::iota(order.begin(), order.end(), 0);
      std::sort(order.begin(), order.end(), [&](int32_t x, int32_t y) { return sub[x] < sub[y]; });
      for (int32_t q : order)
        if (sub[q] >= firsti && sub[q] < lasti) out.add(" %e[%d]", val[q], sub[q]);
      out.end_line();
    }
  }

  auto print_q = [&](const QuadView& q) {
    for (int64_t e = 0; e < q.nz; ++e) {
      int32_t i = q.subi[e], j = q.subj[e];
      if (i < firstj || i >= lastj || j < firstj || j >= lastj) continue;
      out.add(" %e[%d,%d]", q.val[e], i, j);
      out.end_line();
    }
  };
  if (fl.qo) {
    out.add("\nQ - Objective");
    out.end_line();
    print_q(quad_objective(t));
  }
  if (fl.qc) {
    for (int32_t i = firsti; i < lasti; ++i) {
      QuadView q = quad_constraint(t, i);
      if (q.nz == 0) continue;
      out.add("\nQ in constraint %d", i);
      out.end_line();
      print_q(q);
    }
  }

  if (fl.cones) {
    out.add("\nCones");
    out.end_line();
    for (int32_t k = firstk; k < lastk; ++k) {
      size_t kk = static_cast<size_t>(k);
      std::string_view cname = names.name(NameClass::Cone, k);
      int32_t dim = cd.cnum[kk];
      out.add("Cone: '%.*s' (%d) Type: %s Parameter: %e Dimension: %-d", static_cast<int>(cname.size()),
              cname.data(), k, cone_type_text(cd.ctype[kk]), cd.cpar[kk], dim);
      out.end_line();
      out.add("%-6s %-16s", "Index", "Name");
      out.end_line();
      for (int32_t m = 0; m < dim; ++m) {
        int32_t j = cd.pool[static_cast<size_t>(cd.cfirst[kk] + m)];
        std::string_view vn = var_name(j);
        out.add("%-6d %-.*s", j, static_cast<int>(vn.size()), vn.data());
        out.end_line();
      }
    }
  }
  return ZRV_RES_OK;
}

}  // namespace

extern "C" ZRVrescodee ZRV_printdata(ZRVtask_t task, ZRVstreamtypee whichstream, ZRVint32t firsti, ZRVint32t lasti,
                                     ZRVint32t firstj, ZRVint32t lastj, ZRVint32t firstk, ZRVint32t lastk,
                                     ZRVint32t c, ZRVint32t qo, ZRVint32t a, ZRVint32t qc, ZRVint32t bc, ZRVint32t bx,
                                     ZRVint32t vartype, ZRVint32t cones) {
  if (int32_t r = check_task(task)) return r;
  if (!StreamBlock::valid_stream(whichstream)) return ZRV_REPORT(task, ZRV_RES_ERR_INVALID_STREAM, whichstream);
  const Flags fl{c != 0, qo != 0, a != 0, qc != 0, bc != 0, bx != 0, vartype != 0, cones != 0};
  return guarded(task, [&] { return print_data(task, whichstream, firsti, lasti, firstj, lastj, firstk, lastk, fl); });
}
