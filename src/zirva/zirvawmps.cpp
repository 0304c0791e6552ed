// The MPS writer: the fixed-column layout with every section the reader knows, numbers printed by
// mps_format_number. Lines are formatted into one scratch buffer that goes to the file layer in large pieces.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/modules.h"
#include "zirva/mpsio.h"
#include "zirva/problem.h"
#include "zirva/report.h"

namespace zrv {

size_t mps_format_number(double v, int32_t precision, char* out) {
  if (v == 0.0) {
    out[0] = '0';
    return 1;
  }
  if (!std::isfinite(v)) {
    auto r = std::to_chars(out, out + 39, v);
    return static_cast<size_t>(r.ptr - out);
  }
  if (precision < 0) precision = 0;
  if (precision > 30) precision = 30;
  char tmp[64];
  auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::scientific);
  const char* e = static_cast<const char*>(std::memchr(tmp, 'e', static_cast<size_t>(r.ptr - tmp)));
  size_t digits = static_cast<size_t>(e - tmp) - (tmp[0] == '-') - (std::memchr(tmp, '.', static_cast<size_t>(e - tmp)) ? 1 : 0);
  if (digits > static_cast<size_t>(precision) + 1) {
    r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::scientific, precision);
    e = static_cast<const char*>(std::memchr(tmp, 'e', static_cast<size_t>(r.ptr - tmp)));
  }
  // Mantissa without trailing zeros (and without a bare point).
  const char* mend = e;
  if (std::memchr(tmp, '.', static_cast<size_t>(e - tmp))) {
    while (mend[-1] == '0') --mend;
    if (mend[-1] == '.') --mend;
  }
  size_t n = static_cast<size_t>(mend - tmp);
  std::memcpy(out, tmp, n);
  out[n++] = 'e';
  const char* x = e + 1;
  out[n++] = *x == '-' ? '-' : '+';
  if (*x == '-' || *x == '+') ++x;
  while (*x == '0' && x + 1 < r.ptr) ++x;
  while (x < r.ptr) out[n++] = *x++;
  return n;
}

}  // namespace zrv

namespace {

using namespace zrv;

// Output lines gathered in one buffer and handed to the file layer when it fills.
class LineWriter {
 public:
  LineWriter(SysFile* f, std::pmr::memory_resource* m) : f_(f), buf_(m) { buf_.reserve(CAP + 4096); }
  ~LineWriter() = default;
  void put(std::string_view s) {
    buf_.insert(buf_.end(), s.begin(), s.end());
    if (buf_.size() >= CAP) flush();
  }
  void pad(std::string_view s, size_t width) {
    put(s);
    for (size_t k = s.size(); k < width; ++k) buf_.push_back(' ');
  }
  void blanks(size_t n) { buf_.insert(buf_.end(), n, ' '); }
  void number(double v, int32_t precision) {
    char tmp[48];
    put(std::string_view(tmp, mps_format_number(v, precision, tmp)));
  }
  void nl() {
    buf_.push_back('\n');
    if (buf_.size() >= CAP) flush();
  }
  void flush() {
    if (!buf_.empty()) sysfile_write(f_, buf_.data(), buf_.size(), &status_);
    buf_.clear();
  }
  int32_t status() const { return status_; }

 private:
  static constexpr size_t CAP = 1 << 16;
  SysFile* f_;
  std::pmr::vector<char> buf_;
  int32_t status_ = 0;
};

class MpsWriter {
 public:
  MpsWriter(ZRVtask_s* t, LineWriter& w, bool generic) : t_(t), w_(w), generic_(generic), objname_(&mem(t)) {
    prec_ = t->ipar[ZRV_IPAR_WRITE_PRECISION];
  }
  int32_t run();

 private:
  std::string_view name(NameClass c, int32_t i) {
    if (generic_) {
      scratch_ = generic_name(c, i, GenericStyle::Numbered);
      return scratch_.view();
    }
    return t_->names->name_or_generic(c, i, GenericStyle::Numbered, 0, scratch_);
  }
  std::string_view name2(NameClass c, int32_t i) {
    if (generic_) {
      scratch2_ = generic_name(c, i, GenericStyle::Numbered);
      return scratch2_.view();
    }
    return t_->names->name_or_generic(c, i, GenericStyle::Numbered, 0, scratch2_);
  }
  int32_t check_names();
  int32_t choose_objective_name();
  // "    %-8s  %-8s  %-s\n"
  void entry(std::string_view a, std::string_view b, double v) {
    w_.blanks(4);
    w_.pad(a, 8);
    w_.blanks(2);
    w_.pad(b, 8);
    w_.blanks(2);
    w_.number(v, prec_);
    w_.nl();
  }
  // " XX %-8s  %-8s" with an optional "  %-s" value.
  void bound(const char* key, std::string_view var, const double* v) {
    w_.put(key);
    w_.pad("bound", 8);
    w_.blanks(2);
    if (v) {
      w_.pad(var, 8);
      w_.blanks(2);
      w_.number(*v, prec_);
    } else {
      w_.pad(var, 8);
    }
    w_.nl();
  }
  bool row_written(int32_t i) const {
    return t_->prob->bkc[static_cast<size_t>(i)] != ZRV_BK_FR || t_->ipar[ZRV_IPAR_WRITE_FREE_CON] != 0;
  }
  void choose_ranges();
  int32_t write_columns();
  void write_bounds();
  int32_t write_qsection(int32_t k, std::string_view row);
  int32_t write_quadratic();
  int32_t write_cones();

  ZRVtask_s* t_;
  LineWriter& w_;
  bool generic_;
  int32_t prec_;
  GenericName scratch_, scratch2_;
  std::pmr::string objname_;
  pvec<double> range_{&mem(t_)};    // RANGES value per ranged row
  pvec<uint8_t> ra_as_l_{&mem(t_)};  // the ranged row is written as an "L" row
};

// A ranged row [lo, up] is read back as lo + |R| on a "G" row, or as up - |R| on an "L" row. The difference
// up - lo is rounded, so among its neighbours take one that gives the other bound exactly: as a "G" row when
// one exists, else as an "L" row when one exists there.
void MpsWriter::choose_ranges() {
  const Problem& p = *t_->prob;
  range_.assign(static_cast<size_t>(p.numcon), 0.0);
  ra_as_l_.assign(static_cast<size_t>(p.numcon), 0);
  auto search = [](double from, double to, double sign, double* R) {
    double r = to - from;
    r = std::fabs(r);
    for (int step = 0; step < 8; ++step) {
      double got = from + sign * r;
      if (got == to) {
        *R = r;
        return true;
      }
      r = std::nextafter(r, (sign > 0) == (got < to) ? INF_BOUND : 0.0);
    }
    return false;
  };
  for (int32_t i = 0; i < p.numcon; ++i) {
    size_t si = static_cast<size_t>(i);
    if (p.bkc[si] != ZRV_BK_RA) continue;
    double lo = p.blc[si], up = p.buc[si], R = 0.0;
    if (search(lo, up, 1.0, &R)) {
      range_[si] = R;
    } else if (search(up, lo, -1.0, &R)) {
      range_[si] = R;
      ra_as_l_[si] = 1;
    } else {
      range_[si] = up - lo;
    }
  }
}

int32_t MpsWriter::check_names() {
  if (generic_) return ZRV_RES_OK;
  static const NameClass classes[] = {NameClass::Con, NameClass::Var, NameClass::Cone, NameClass::BarVar};
  for (NameClass c : classes) {
    std::pmr::vector<NameClash> dup(&mem(t_));
    t_->names->find_duplicates(c, &dup, 1);
    if (dup.empty()) continue;
    std::string nm(t_->names->name(c, dup[0].first));
    if (int32_t r = ZRV_REPORT(t_, duplicate_names_warning(c), dup[0].first, dup[0].second, nm.c_str())) return r;
    if (int32_t r = ZRV_REPORT(t_, ZRV_RES_WRN_USING_GENERIC_NAMES)) return r;
    generic_ = true;
    break;
  }
  return ZRV_RES_OK;
}

// The objective row needs a name that no written constraint carries, or the file would not read back.
int32_t MpsWriter::choose_objective_name() {
  const std::string own(t_->names->objective_name());
  objname_.assign(generic_ || own.empty() ? std::string_view("OBJ") : std::string_view(own));
  if (generic_ || t_->prob->numcon == 0) return ZRV_RES_OK;
  for (int32_t suffix = 1;; ++suffix) {
    bool found = false;
    int32_t i = -1;
    int32_t r = t_->names->lookup(NameClass::Con, objname_, &found, &i);
    if (r != ZRV_RES_OK) return ZRV_REPORT(t_, r == ZRV_RES_ERR_SPACE ? r : ZRV_RES_ERR_INTERNAL, "name index");
    if (!found || !row_written(i)) return ZRV_RES_OK;
    objname_.assign(own.empty() ? std::string_view("OBJ") : std::string_view(own));
    objname_ += '_';
    objname_ += std::to_string(suffix);
  }
}

int32_t MpsWriter::run() {
  if (int32_t r = check_names()) return r;
  if (int32_t r = choose_objective_name()) return r;
  const Problem& p = *t_->prob;
  choose_ranges();
  std::string_view task = t_->names->task_name();
  if (task.empty() || generic_) {
    w_.put("NAME");
  } else {
    w_.pad("NAME", 14);
    w_.put(" ");
    w_.put(task);
  }
  w_.nl();
  char head[96];
  std::snprintf(head, sizeof head, "* Written by ZIRVA version %d.%d.%d.%d\n", VERSION_MAJOR, VERSION_MINOR,
                VERSION_BUILD, VERSION_REVISION);
  w_.put(head);
  w_.put("OBJSENSE\n");
  w_.put(p.sense == ZRV_OBJECTIVE_SENSE_MAXIMIZE ? "    MAX\n" : "    MIN\n");
  w_.put("ROWS\n N  ");
  w_.put(objname_);
  w_.nl();
  for (int32_t i = 0; i < p.numcon; ++i) {
    if (!row_written(i)) continue;
    switch (p.bkc[static_cast<size_t>(i)]) {
      case ZRV_BK_FX: w_.put(" E  "); break;
      case ZRV_BK_LO: w_.put(" G  "); break;
      case ZRV_BK_RA: w_.put(ra_as_l_[static_cast<size_t>(i)] ? " L  " : " G  "); break;
      case ZRV_BK_UP: w_.put(" L  "); break;
      default: w_.put(" N  "); break;
    }
    w_.pad(name(NameClass::Con, i), 8);
    w_.nl();
  }
  if (int32_t r = write_columns()) return r;
  w_.put("RHS\n");
  if (p.cfix != 0.0) entry("rhs", objname_, -p.cfix);
  for (int32_t i = 0; i < p.numcon; ++i) {
    size_t si = static_cast<size_t>(i);
    int32_t bk = p.bkc[si];
    double v = bk == ZRV_BK_UP || (bk == ZRV_BK_RA && ra_as_l_[si]) ? p.buc[si] : bk == ZRV_BK_FR ? 0.0 : p.blc[si];
    if (v != 0.0 && row_written(i)) entry("rhs", name(NameClass::Con, i), v);
  }
  w_.put("RANGES\n");
  for (int32_t i = 0; i < p.numcon; ++i) {
    size_t si = static_cast<size_t>(i);
    if (p.bkc[si] == ZRV_BK_RA && row_written(i)) entry("ran", name(NameClass::Con, i), range_[si]);
  }
  w_.put("BOUNDS\n");
  write_bounds();
  if (int32_t r = write_quadratic()) return r;
  if (int32_t r = write_cones()) return r;
  w_.put("ENDATA\n");
  w_.flush();
  return ZRV_RES_OK;
}

int32_t MpsWriter::write_columns() {
  Problem& p = *t_->prob;
  w_.put("COLUMNS\n");
  SpStatus s = p.A.lock(SpDim::Cols);
  if (s != SpStatus::Ok) return report_sp_status(t_, static_cast<int32_t>(s), __FILE__, __LINE__);
  for (int32_t j = 0; j < p.numvar; ++j) {
    std::string_view var = name(NameClass::Var, j);
    entry(var, objname_, p.c[static_cast<size_t>(j)]);
    SpVecView col = p.A.vector(j);
    for (int64_t q = 0; q < col.nz; ++q) {
      int32_t i = col.sub[q];
      if (!row_written(i)) continue;
      entry(var, name2(NameClass::Con, i), col.val[q]);
    }
  }
  p.A.unlock();
  return ZRV_RES_OK;
}

void MpsWriter::write_bounds() {
  const Problem& p = *t_->prob;
  const bool ints = t_->ipar[ZRV_IPAR_WRITE_MPS_INT] != 0;
  for (int32_t j = 0; j < p.numvar; ++j) {
    size_t sj = static_cast<size_t>(j);
    std::string_view var = name(NameClass::Var, j);
    int32_t bk = p.bkx[sj];
    double lo = p.blx[sj], up = p.bux[sj];
    const double zero = 0.0;
    if (ints && p.vartype[sj] == ZRV_VAR_TYPE_INT) {
      if (bk == ZRV_BK_FR) {
        bound(" LI ", var, &zero);
        bound(" MI ", var, nullptr);
      } else if ((bk == ZRV_BK_RA || bk == ZRV_BK_FX) && lo == 0.0 && up == 1.0) {
        bound(" BV ", var, nullptr);
      } else {
        if (bk_has_lower(bk))
          bound(" LI ", var, &lo);
        else
          bound(" MI ", var, nullptr);
        if (bk_has_upper(bk)) bound(" UI ", var, &up);
      }
      continue;
    }
    switch (bk) {
      case ZRV_BK_FR: bound(" FR ", var, nullptr); break;
      case ZRV_BK_FX: bound(" FX ", var, &lo); break;
      case ZRV_BK_UP:
        bound(" MI ", var, nullptr);
        bound(" UP ", var, &up);
        break;
      default:
        if (lo != 0.0) bound(" LO ", var, &lo);
        if (bk == ZRV_BK_RA) bound(" UP ", var, &up);
        break;
    }
  }
}

// One QSECTION: the header with the row name, then the lower-triangular entries sorted by column and row.
int32_t MpsWriter::write_qsection(int32_t k, std::string_view row) {
  int64_t nz = 0;
  if (int32_t r = k < 0 ? ZRV_getnumqobjnz64(t_, &nz) : ZRV_getnumqconknz64(t_, k, &nz)) return r;
  if (nz == 0) return ZRV_RES_OK;
  pvec<int32_t> qi(static_cast<size_t>(nz), &mem(t_)), qj(static_cast<size_t>(nz), &mem(t_));
  pvec<double> qv(static_cast<size_t>(nz), &mem(t_));
  int64_t surp = nz, got = 0;
  if (int32_t r = k < 0 ? ZRV_getqobj64(t_, nz, &surp, &got, qi.data(), qj.data(), qv.data())
                        : ZRV_getqconk64(t_, k, nz, &surp, &got, qi.data(), qj.data(), qv.data()))
    return r;
  pvec<int64_t> order(static_cast<size_t>(got), &mem(t_));
  for (int64_t q = 0; q < got; ++q) order[static_cast<size_t>(q)] = q;
  std::sort(order.begin(), order.end(), [&](int64_t a, int64_t b) {
    return std::pair(qj[static_cast<size_t>(a)], qi[static_cast<size_t>(a)]) <
           std::pair(qj[static_cast<size_t>(b)], qi[static_cast<size_t>(b)]);
  });
  w_.pad("QSECTION", 14);
  if (k < 0)
    w_.put(row);
  else
    w_.pad(row, 8);
  w_.nl();
  for (int64_t q : order) {
    size_t sq = static_cast<size_t>(q);
    std::string col(name(NameClass::Var, qj[sq]));
    entry(col, name2(NameClass::Var, qi[sq]), qv[sq]);
  }
  return ZRV_RES_OK;
}

int32_t MpsWriter::write_quadratic() {
  if (int32_t r = write_qsection(-1, objname_)) return r;
  if (!quad_has_constraint_terms(t_)) return ZRV_RES_OK;
  for (int32_t i = 0; i < t_->prob->numcon; ++i) {
    if (!row_written(i)) continue;
    std::string row(name(NameClass::Con, i));
    if (int32_t r = write_qsection(i, row)) return r;
  }
  return ZRV_RES_OK;
}

int32_t MpsWriter::write_cones() {
  int32_t numcone = 0;
  if (int32_t r = ZRV_getnumcone(t_, &numcone)) return r;
  pvec<int32_t> sub(&mem(t_));
  for (int32_t k = 0; k < numcone; ++k) {
    ZRVconetypee ct;
    double par = 0.0;
    int32_t nummem = 0;
    if (int32_t r = ZRV_getconeinfo(t_, k, &ct, &par, &nummem)) return r;
    sub.resize(static_cast<size_t>(nummem));
    if (int32_t r = ZRV_getcone(t_, k, &ct, &par, &nummem, sub.data())) return r;
    w_.pad("CSECTION", 14);
    w_.pad(name(NameClass::Cone, k), 8);
    w_.blanks(2);
    char tmp[48];
    w_.pad(std::string_view(tmp, mps_format_number(par, prec_, tmp)), 12);
    w_.blanks(3);
    w_.put(ct == ZRV_CT_RQUAD ? "RQUAD" : "QUAD");
    w_.nl();
    for (int32_t q = 0; q < nummem; ++q) {
      w_.blanks(4);
      w_.pad(name(NameClass::Var, sub[static_cast<size_t>(q)]), 8);
      w_.nl();
    }
  }
  return ZRV_RES_OK;
}

}  // namespace

namespace zrv {

int32_t mps_write(ZRVtask_s* t, SysFile* f, bool generic_names, bool /*free_format: the same fixed layout*/) {
  LineWriter w(f, &mem(t));
  MpsWriter writer(t, w, generic_names);
  int32_t r = writer.run();
  if (r == ZRV_RES_OK && w.status() != SYSFILE_OK) r = ZRV_REPORT(t, sysfile_rescode(w.status()));
  return r;
}

}  // namespace zrv
