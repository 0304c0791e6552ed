// LP file writer: objective, constraints, bounds and integer declarations as algebra, with line breaking by
// width and by terms per line.
//
// Every variable appears in the objective (with "+ 0" when its coefficient is zero) so that a reader meets the
// variables in their index order. Numbers are written in the shortest form that reads back to the same double.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "cpub/sysfile.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/lpformat.h"
#include "zirva/modules.h"
#include "zirva/params.h"
#include "zirva/problem.h"
#include "zirva/report.h"

namespace zrv {

namespace {

constexpr size_t OUT_BUFFER = 4096;

// Text output through a 4096-byte buffer, with the column and the terms of the current line counted for the
// line breaking.
class LpOut {
 public:
  LpOut(SysFile* f, int32_t width, int32_t terms_per_line) : f_(f), width_(width), tpl_(terms_per_line) {}
  ~LpOut() { flush(); }

  void put(std::string_view s) {
    const char* p = s.data();
    size_t n = s.size();
    while (n > 0) {
      if (fill_ == OUT_BUFFER) flush();
      size_t k = std::min(n, OUT_BUFFER - fill_);
      std::memcpy(buf_ + fill_, p, k);
      fill_ += k, p += k, n -= k;
    }
    size_t nl = s.rfind('\n');
    col_ = nl == std::string_view::npos ? col_ + static_cast<int64_t>(s.size())
                                        : static_cast<int64_t>(s.size() - nl - 1);
    if (nl != std::string_view::npos) terms_ = 0;
  }
  void newline() { put("\n"); }
  // A piece that may go to the next line when the current one would grow past the width.
  void piece(std::string_view s) {
    if (col_ > 0 && col_ + static_cast<int64_t>(s.size()) > width_) newline();
    put(s);
  }
  // A term of an expression: also a new line once the line holds the allowed number of terms.
  void term(std::string_view s) {
    if (tpl_ > 0 && terms_ >= tpl_) newline();
    piece(s);
    ++terms_;
  }
  void flush() {
    if (fill_ > 0) sysfile_write(f_, buf_, fill_, &status_);
    fill_ = 0;
  }
  int32_t status() const { return status_; }

 private:
  SysFile* f_;
  int32_t status_ = SYSFILE_OK;
  int64_t width_;
  int32_t tpl_;
  int32_t terms_ = 0;
  int64_t col_ = 0;
  size_t fill_ = 0;
  char buf_[OUT_BUFFER];
};

// Shortest exponent form that reads back exactly ("1.001e+00").
std::string_view fmt_e(char (&b)[64], double v) {
  auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::scientific);
  return {b, static_cast<size_t>(r.ptr - b)};
}
// Bound values: -1, 0 and 1 (within 1e-17) as integers, others in their shortest exact form.
std::string_view fmt_value(char (&b)[64], double v) {
  if (std::fabs(v + 1.0) <= 1e-17) return "-1";
  if (std::fabs(v) <= 1e-17) return "0";
  if (std::fabs(v - 1.0) <= 1e-17) return "1";
  auto r = std::to_chars(b, b + sizeof b, v);
  return {b, static_cast<size_t>(r.ptr - b)};
}

// The names written for the items of one class: the item's own name when it can be written as it is, otherwise
// a generic name ("C" or "X" and the number from 1), with "_" appended until no written name equals it.
class WrittenNames {
 public:
  explicit WrittenNames(std::pmr::memory_resource* m) : gen_off_(m), gen_len_(m), pool_(m), views_(m) {}

  // *changed is set when a name that the item has could not be used.
  int32_t resolve(ZRVtask_s* t, NameClass c, bool variable, bool generic, bool* changed) {
    NameTable& names = *t->names;
    const int32_t n = names.count(c);
    if (!generic) {
      NameClash clash;
      int32_t r = names.build_index(c, &clash);
      if (r == ZRV_RES_ERR_SPACE) return ZRV_REPORT(t, r);
      if (r != ZRV_RES_OK) {
        // Two items with one name would become one item on reading: the whole class gets generic names.
        generic = true;
        *changed = true;
      }
    }
    gen_off_.assign(static_cast<size_t>(n), -1);
    gen_len_.assign(static_cast<size_t>(n), 0);
    pool_.clear();
    std::string cand;
    for (int32_t i = 0; i < n; ++i) {
      std::string_view own = names.name(c, i);
      if (!generic && lp_name_writable(own, variable)) continue;
      if (!generic && !own.empty()) *changed = true;
      cand = generic_name(c, i, GenericStyle::Numbered).view();
      if (!generic) {
        for (;;) {
          bool found = false;
          int32_t k = -1;
          if (names.lookup(c, cand, &found, &k) == ZRV_RES_ERR_SPACE) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
          if (!found || k == i) break;
          cand.push_back('_');
        }
      }
      gen_off_[static_cast<size_t>(i)] = static_cast<int64_t>(pool_.size());
      gen_len_[static_cast<size_t>(i)] = static_cast<int32_t>(cand.size());
      pool_.insert(pool_.end(), cand.begin(), cand.end());
    }
    // Views last: the lookups above may rebuild the name index, the pool is complete now.
    views_.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
      size_t q = static_cast<size_t>(i);
      views_[q] = gen_off_[q] < 0 ? names.name(c, i)
                                  : std::string_view(pool_.data() + gen_off_[q], static_cast<size_t>(gen_len_[q]));
    }
    return ZRV_RES_OK;
  }
  std::string_view operator[](int32_t i) const { return views_[static_cast<size_t>(i)]; }

 private:
  pvec<int64_t> gen_off_;
  pvec<int32_t> gen_len_;
  pvec<char> pool_;
  pvec<std::string_view> views_;
};

class LpWriter {
 public:
  LpWriter(ZRVtask_s* t, SysFile* f, bool generic)
      : t_(t),
        generic_(generic),
        out_(f, t->ipar[ZRV_IPAR_WRITE_LP_LINE_WIDTH], t->ipar[ZRV_IPAR_WRITE_LP_TERMS_PER_LINE]),
        cons_(&mem(t)),
        vars_(&mem(t)),
        rsub_(&mem(t)),
        rval_(&mem(t)),
        order_(&mem(t)),
        text_(&mem(t)) {}

  int32_t run() {
    int32_t r = write();
    out_.flush();
    if (r == ZRV_RES_OK && out_.status() != SYSFILE_OK) r = ZRV_REPORT(t_, ZRV_RES_ERR_FILE_WRITE, "");
    return r;
  }

 private:
  int32_t write() {
    Problem& p = *t_->prob;
    if (p.numvar == 0 && p.numcon == 0) return ZRV_REPORT(t_, ZRV_RES_ERR_LP_EMPTY);
    bool changed = false;
    if (int32_t r = cons_.resolve(t_, NameClass::Con, false, generic_, &changed)) return r;
    if (int32_t r = vars_.resolve(t_, NameClass::Var, true, generic_, &changed)) return r;
    std::string_view objname = t_->names->objective_name();
    if (generic_) {
      objname = "obj";
    } else if (!objname.empty() && !lp_name_writable(objname, false)) {
      objname = "obj";
      changed = true;
    }
    if (changed) {
      if (int32_t r = ZRV_REPORT(t_, ZRV_RES_WRN_WRITE_CHANGED_NAMES)) return r;
    }
    bool cfix = p.cfix != 0.0;
    if (cfix) {
      bool found = false;
      int32_t k;
      if (t_->names->lookup(NameClass::Var, "CFIX", &found, &k) == ZRV_RES_ERR_SPACE)
        return ZRV_REPORT(t_, ZRV_RES_ERR_SPACE);
      if (found) {
        cfix = false;
        if (int32_t r = ZRV_REPORT(t_, ZRV_RES_WRN_WRITE_DISCARDED_CFIX)) return r;
      }
    }
    // The views of the names stay valid from here on: nothing below changes the name table.

    char head[128];
    std::snprintf(head, sizeof head, "\\ Created by ZIRVA version %d.%d.%d.%d\n", VERSION_MAJOR, VERSION_MINOR,
                  VERSION_BUILD, VERSION_REVISION);
    out_.put(head);

    // Objective.
    if (p.sense == ZRV_OBJECTIVE_SENSE_MINIMIZE) {
      out_.put("minimize\n");
    } else if (p.sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE) {
      out_.put("maximize\n");
    } else {
      return ZRV_REPORT(t_, ZRV_RES_ERR_UNDEFINED_OBJECTIVE_SENSE);
    }
    if (!objname.empty()) {
      text_.assign(objname);
      text_.append(": ");
      out_.put(text_);
    }
    if (cfix) out_.term("CFIX");
    for (int32_t j = 0; j < p.numvar; ++j) linear_term(p.c[static_cast<size_t>(j)], vars_[j]);
    if (int32_t r = quadratic(-1)) return r;
    out_.newline();

    // Constraints.
    out_.put("subject to\n");
    SprMat& A = p.A;
    if (p.numcon > 0) {
      SpStatus s = A.lock(SpDim::Rows);
      if (s != SpStatus::Ok) return report_sp_status(t_, static_cast<int32_t>(s), __FILE__, __LINE__);
    }
    int32_t r = ZRV_RES_OK;
    for (int32_t i = 0; i < p.numcon && r == ZRV_RES_OK; ++i) r = constraint(i);
    if (p.numcon > 0) A.unlock();
    if (r) return r;

    // Bounds.
    out_.put("bounds\n");
    char b1[64], b2[64];
    for (int32_t j = 0; j < p.numvar; ++j) {
      size_t q = static_cast<size_t>(j);
      std::string_view name = vars_[j];
      text_.clear();
      switch (p.bkx[q]) {
        case ZRV_BK_LO:
          text_.append(" ").append(fmt_value(b1, p.blx[q])).append(" <= ").append(name).append(" <= +infinity\n");
          break;
        case ZRV_BK_UP:
          text_.append(" -infinity <= ").append(name).append(" <= ").append(fmt_value(b1, p.bux[q])).append("\n");
          break;
        case ZRV_BK_FR: text_.append(" ").append(name).append(" free\n"); break;
        default:  // ranged and fixed
          text_.append(" ").append(fmt_value(b1, p.blx[q])).append(" <= ").append(name).append(" <= ");
          text_.append(fmt_value(b2, p.bux[q])).append("\n");
      }
      out_.put(text_);
    }
    if (cfix) {
      std::string_view v = fmt_value(b1, p.cfix);
      text_.assign(" ").append(v).append(" <= CFIX <= ").append(v).append("\n");
      out_.put(text_);
    }

    // Integers.
    if (p.numintvar > 0) {
      out_.put("general\n");
      for (int32_t j = 0; j < p.numvar; ++j) {
        if (p.vartype[static_cast<size_t>(j)] != ZRV_VAR_TYPE_INT) continue;
        text_.assign(" ").append(vars_[j]);
        out_.piece(text_);
      }
      out_.newline();
    }
    out_.put("end\n");
    return ZRV_RES_OK;
  }

  int32_t constraint(int32_t i) {
    Problem& p = *t_->prob;
    size_t q = static_cast<size_t>(i);
    int32_t bk = p.bkc[q];
    if (t_->ipar[ZRV_IPAR_WRITE_LP_STRICT_FORMAT] && (bk == ZRV_BK_FR || bk == ZRV_BK_RA))
      return ZRV_REPORT(t_, ZRV_RES_ERR_WRITE_LP_FORMAT, bk == ZRV_BK_FR ? "free constraints" : "ranged constraints");
    char b[64];
    text_.assign(cons_[i]);
    if (bk == ZRV_BK_RA) {
      text_.append(":: ");
      out_.put(text_);
      text_.assign(" ").append(fmt_value(b, p.blc[q])).append(" <=");
      out_.piece(text_);
    } else {
      text_.append(": ");
      out_.put(text_);
    }
    // The row's terms in variable order.
    SpVecView row = p.A.vector(i);
    const int32_t* sub = row.sub;
    const double* val = row.val;
    if (!std::is_sorted(sub, sub + row.nz)) {
      order_.resize(static_cast<size_t>(row.nz));
      for (int64_t k = 0; k < row.nz; ++k) order_[static_cast<size_t>(k)] = k;
      std::sort(order_.begin(), order_.end(), [&](int64_t a, int64_t c) { return sub[a] < sub[c]; });
      rsub_.resize(static_cast<size_t>(row.nz));
      rval_.resize(static_cast<size_t>(row.nz));
      for (int64_t k = 0; k < row.nz; ++k) {
        rsub_[static_cast<size_t>(k)] = sub[order_[static_cast<size_t>(k)]];
        rval_[static_cast<size_t>(k)] = val[order_[static_cast<size_t>(k)]];
      }
      sub = rsub_.data();
      val = rval_.data();
    }
    for (int64_t k = 0; k < row.nz; ++k) linear_term(val[k], vars_[sub[k]]);
    if (int32_t r = quadratic(i)) return r;
    switch (bk) {
      case ZRV_BK_FR: text_.assign(" <= +infinity"); break;
      case ZRV_BK_LO: text_.assign(" >= ").append(fmt_value(b, p.blc[q])); break;
      case ZRV_BK_UP:
      case ZRV_BK_RA: text_.assign(" <= ").append(fmt_value(b, p.buc[q])); break;
      default: text_.assign(" = ").append(fmt_value(b, p.blc[q]));
    }
    out_.piece(text_);
    out_.newline();
    return ZRV_RES_OK;
  }

  void linear_term(double a, std::string_view name) {
    char b[64];
    if (std::fabs(a - 1.0) <= 1e-15) {
      text_.assign(" + ");
    } else if (std::fabs(a + 1.0) <= 1e-15) {
      text_.assign(" - ");
    } else if (a > 0.0) {
      text_.assign(" + ").append(fmt_e(b, a)).append(" ");
    } else if (a < 0.0) {
      text_.assign(" - ").append(fmt_e(b, -a)).append(" ");
    } else {
      text_.assign(" + 0 ");
    }
    text_.append(name);
    out_.term(text_);
  }

  // The quadratic terms of the objective (k = -1) or of constraint k: " + [" terms " ]/2", off-diagonal values
  // doubled (the bracket is halved on reading).
  int32_t quadratic(int32_t k) {
    QuadView q = k < 0 ? quad_objective(t_) : quad_constraint(t_, k);
    if (q.nz == 0) return ZRV_RES_OK;
    out_.term(" + [");
    char b[64];
    for (int64_t e = 0; e < q.nz; ++e) {
      bool square = q.subi[e] == q.subj[e];
      double v = square ? q.val[e] : 2.0 * q.val[e];
      if (v == 0.0) continue;
      // A product whose doubled value leaves the doubles is written as two terms of the single value.
      int repeat = 1;
      if (!std::isfinite(v)) v = q.val[e], repeat = 2;
      for (int rep = 0; rep < repeat; ++rep) {
      if (std::fabs(v - 1.0) <= 1e-15) {
        text_.assign(" + ");
      } else if (std::fabs(v + 1.0) <= 1e-15) {
        text_.assign(" - ");
      } else if (v > 0.0) {
        text_.assign(" + ").append(fmt_e(b, v)).append(" ");
      } else {
        text_.assign(" - ").append(fmt_e(b, -v)).append(" ");
      }
      text_.append(vars_[q.subi[e]]);
      if (square) {
        text_.append(" ^ 2");
      } else {
        text_.append(" * ").append(vars_[q.subj[e]]);
      }
      out_.term(text_);
      }
    }
    out_.term(" ]/2");
    return ZRV_RES_OK;
  }

  ZRVtask_s* t_;
  bool generic_;
  LpOut out_;
  WrittenNames cons_, vars_;
  pvec<int32_t> rsub_;
  pvec<double> rval_;
  pvec<int64_t> order_;
  std::pmr::string text_;
};

}  // namespace

int32_t lp_write(ZRVtask_s* t, SysFile* f, bool generic_names) {
  LpWriter w(t, f, generic_names);
  return w.run();
}

}  // namespace zrv
