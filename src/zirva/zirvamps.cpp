// MPS files: the reader (strict and relaxed fixed columns, free fields) that builds a task section by section,
// and the writer of the fixed-column layout.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/mpsio.h"
#include "zirva/params.h"
#include "zirva/problem.h"
#include "zirva/readmps.h"
#include "zirva/report.h"

namespace zrv {

// ---------------------------------------------------------------------------------------------------------------
// Lines from the file layer

int mps_source_read(void* data, char* out, size_t cap, size_t* len) {
  auto* s = static_cast<MpsLineSource*>(data);
  auto refill = [s]() -> bool {
    if (s->eof || s->status) return false;
    size_t got = 0;
    sysfile_read(s->file, s->chunk, sizeof s->chunk, &got, &s->status);
    if (s->status == SYSFILE_EOF) s->status = SYSFILE_OK, got = 0;
    if (s->status || got == 0) {
      s->eof = s->status == SYSFILE_OK;
      return false;
    }
    s->pos = 0;
    s->fill = got;
    return true;
  };
  if (!out) {  // discard the rest of the current line
    for (;;) {
      if (s->pos == s->fill && !refill()) return s->status ? 2 : 0;
      const char* nl = static_cast<const char*>(std::memchr(s->chunk + s->pos, '\n', s->fill - s->pos));
      if (nl) {
        s->pos = static_cast<size_t>(nl - s->chunk) + 1;
        return 0;
      }
      s->pos = s->fill;
    }
  }
  size_t n = 0;
  bool any = false;
  for (;;) {
    if (s->pos == s->fill && !refill()) {
      *len = n;
      if (s->status) return 2;
      return any ? 0 : 1;
    }
    any = true;
    size_t avail = s->fill - s->pos, room = cap - 1 - n;
    size_t look = avail < room ? avail : room;
    const char* from = s->chunk + s->pos;
    const char* nl = static_cast<const char*>(std::memchr(from, '\n', look));
    if (nl) {
      size_t k = static_cast<size_t>(nl - from);
      std::memcpy(out + n, from, k);
      *len = n + k;
      s->pos += k + 1;
      return 0;
    }
    std::memcpy(out + n, from, look);
    n += look;
    s->pos += look;
    if (n == cap - 1) {
      // The buffer is full: a newline right after it still ends the line.
      if (s->pos == s->fill && !refill()) {
        *len = n;
        return s->status ? 2 : 0;
      }
      *len = n;
      if (s->chunk[s->pos] == '\n') {
        ++s->pos;
        return 0;
      }
      return 3;
    }
  }
}

bool mps_log_lines(const ZRVtask_s* t) { return t->ipar[ZRV_IPAR_LOG] > 0 && t->ipar[ZRV_IPAR_LOG_FILE] > 0; }

int32_t mps_tokenizer_failure(ZRVtask_s* t, const MpsTokenizer& tok, int32_t status) {
  switch (status) {
    case MPS_ST_EOF: return ZRV_REPORT(t, ZRV_RES_ERR_END_OF_FILE);
    case MPS_ST_TAB2: return ZRV_REPORT(t, ZRV_RES_ERR_MPS_TAB_IN_FIELD2);
    case MPS_ST_TAB3: return ZRV_REPORT(t, ZRV_RES_ERR_MPS_TAB_IN_FIELD3);
    case MPS_ST_TAB5: return ZRV_REPORT(t, ZRV_RES_ERR_MPS_TAB_IN_FIELD5);
    default: break;
  }
  if (status >= MPS_ST_FIELD2 && status <= MPS_ST_FIELD6) return ZRV_REPORT(t, ZRV_RES_ERR_MPS_INV_FIELD, status - 5);
  if (status == MPS_ST_READ && tok.out_of_memory()) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  return ZRV_REPORT(t, ZRV_RES_ERR_MPS_FILE);
}

void mps_error_position(ZRVtask_s* t, const MpsTokenizer& tok) {
  task_printf(t, ZRV_STREAM_ERR, "The error occurred  at line(%l):\n", {static_cast<int64_t>(tok.line_number())});
  task_printf(t, ZRV_STREAM_ERR, "%s\n", {tok.line_text()});
}

// Progress callback events of reading. There is no callback mechanism yet; this hook is where BEGIN_READ and
// END_READ will be raised, and its result is what the callback answers.
int32_t mps_read_progress_hook(ZRVtask_s*, int32_t /*callback code*/) { return ZRV_RES_OK; }

}  // namespace zrv

namespace {

using namespace zrv;

constexpr double INF = INF_BOUND;

std::string str(std::string_view s) { return std::string(s); }

// Row and column names of up to 16 bytes as two words, in an open-addressing table of the reader: a lookup is a
// multiplication and, mostly, one probe, instead of hashing the name bytes. Longer names go to the task's name
// index. Names come from the tokenizer's line buffer, where 16 bytes from the start of a field can be loaded.
class ShortNames {
 public:
  static constexpr size_t MAX_LEN = 16;
  explicit ShortNames(std::pmr::memory_resource* m) : slots_(m) {}

  // The index of the name (at most MAX_LEN bytes), or -1.
  int32_t find(std::string_view name) const {
    if (slots_.empty()) return -1;
    const Key k = key(name);
    for (size_t h = hash(k);; h = (h + 1) & mask_) {
      const Slot& s = slots_[h];
      if (s.index < 0) return -1;
      if (s.k.w0 == k.w0 && s.k.w1 == k.w1 && s.k.len == k.len) return s.index;
    }
  }
  // Adds a name that is not in the table yet. Throws std::bad_alloc.
  void insert(std::string_view name, int32_t index) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    place(key(name), index);
    ++used_;
  }

 private:
  struct Key {
    uint64_t w0 = 0, w1 = 0;
    uint64_t len = 0;
  };
  struct Slot {
    Key k;
    int32_t index = -1;
  };
  static Key key(std::string_view name) {
    Key k;
    const size_t n = name.size();
    uint64_t a, b;
    std::memcpy(&a, name.data(), 8);
    std::memcpy(&b, name.data() + 8, 8);
    k.w0 = n >= 8 ? a : a & ((uint64_t{1} << (8 * n)) - 1);
    k.w1 = n >= 16 ? b : n <= 8 ? 0 : b & ((uint64_t{1} << (8 * (n - 8))) - 1);
    k.len = n;
    return k;
  }
  // The high bits of a product depend on every bit of the name (the low ones only on its first bytes).
  size_t hash(const Key& k) const {
    uint64_t b = k.w1 * 0xC2B2AE3D27D4EB4Full;
    uint64_t h = (k.w0 ^ (b >> 32 | b << 32) ^ k.len) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(h >> shift_);
  }
  void place(const Key& k, int32_t index) {
    size_t h = hash(k);
    while (slots_[h].index >= 0) h = (h + 1) & mask_;
    slots_[h].k = k;
    slots_[h].index = index;
  }
  void grow() {
    pvec<Slot> old(slots_.get_allocator());
    old.swap(slots_);
    size_t n = old.empty() ? 64 : 2 * old.size();
    slots_.assign(n, Slot{});
    mask_ = n - 1;
    shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(n));
    for (const Slot& s : old)
      if (s.index >= 0) place(s.k, s.index);
  }

  pvec<Slot> slots_;
  size_t mask_ = 0;
  unsigned shift_ = 63;
  size_t used_ = 0;
};

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

class MpsReader {
 public:
  MpsReader(ZRVtask_s* t, MpsTokenizer& tok)
      : t_(t),
        tok_(tok),
        m_(&mem(t)),
        rowtype_(m_),
        rhs_(m_),
        qsec_(m_),
        curcol_(m_),
        colsub_(m_),
        colval_(m_),
        unbounded_(m_),
        qi_(m_),
        qj_(m_),
        qv_(m_),
        qobj_i_(m_),
        qobj_j_(m_),
        qobj_v_(m_),
        members_(m_),
        objname_(m_),
        rownames_(m_),
        colnames_(m_) {
    keep_free_ = t->ipar[ZRV_IPAR_READ_KEEP_FREE_CON] != 0;
    for (int k = 0; k < 3; ++k) vec_[k] = std::pmr::string(m_);
  }

  int32_t run();

 private:
  enum VecKind { VEC_RHS = 0, VEC_RAN = 1, VEC_BOU = 2 };

  int32_t fail(int32_t status) { return mps_tokenizer_failure(t_, tok_, status); }
  // Reads the next data line of the section: 0 with fields, 1 at the next header, or a reported failure.
  int32_t next(MpsFields* f, int32_t* r) {
    for (;;) {
      int32_t st = tok_.next_data(f);
      if (st == MPS_ST_EMPTY) continue;
      if (st == MPS_ST_DATA) return 0;
      if (st == MPS_ST_HEADER) return 1;
      *r = fail(st);
      return -1;
    }
  }
  int32_t lookup(NameClass c, std::string_view name, int32_t* index, bool* found) {
    int32_t r = t_->names->lookup(c, name, found, index);
    if (r != ZRV_RES_OK) return ZRV_REPORT(t_, r == ZRV_RES_ERR_SPACE ? r : ZRV_RES_ERR_INTERNAL, "name index");
    return ZRV_RES_OK;
  }
  // Short names are found in the reader's own tables, longer ones in the task's name index.
  int32_t find_name(NameClass c, const ShortNames& shorts, std::string_view name, int32_t* index, bool* found) {
    if (name.size() <= ShortNames::MAX_LEN) {
      *index = shorts.find(name);
      *found = *index >= 0;
      return ZRV_RES_OK;
    }
    return lookup(c, name, index, found);
  }
  void remember(ShortNames& shorts, std::string_view name, int32_t index) {
    if (name.size() <= ShortNames::MAX_LEN) shorts.insert(name, index);
  }
  int32_t row_of(std::string_view name, int32_t* i) {
    if (name.empty()) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_NULL_CON_NAME);
    bool found = false;
    if (int32_t r = find_name(NameClass::Con, rownames_, name, i, &found)) return r;
    if (!found) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_UNDEF_CON_NAME, str(name).c_str());
    return ZRV_RES_OK;
  }
  int32_t var_of(std::string_view name, int32_t* j) {
    if (name.empty()) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_NULL_VAR_NAME);
    bool found = false;
    if (int32_t r = find_name(NameClass::Var, colnames_, name, j, &found)) return r;
    if (!found) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_UNDEF_VAR_NAME, str(name).c_str());
    return ZRV_RES_OK;
  }
  // Checks a (name, number) pair of fields k and k+1: both absent gives false, one of them absent an error.
  int32_t pair(const MpsFields& f, int k, bool* present) {
    *present = f.has(k) || f.has(k + 1);
    if (!*present) return ZRV_RES_OK;
    if (!f.has(k + 1)) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_FIELD, int32_t{k + 1});
    return ZRV_RES_OK;
  }

  int32_t section_name();
  int32_t section_objsense();
  int32_t section_objname();
  int32_t section_rows();
  int32_t fix_objective();
  int32_t section_columns();
  int32_t flush_column();
  bool select_vector(VecKind kind, std::string_view name, int32_t* r);
  // Runs `entry(row, value, row name)` for every (row, value) pair of the selected vector's lines of a RHS or
  // RANGES section, until the next section header.
  template <class Entry>
  int32_t row_vector_section(VecKind kind, Entry entry);
  int32_t section_rhs();
  int32_t section_ranges();
  int32_t section_bounds();
  int32_t section_quadratic(bool objective);
  int32_t section_cone();
  int32_t finish();

  ZRVtask_s* t_;
  MpsTokenizer& tok_;
  std::pmr::memory_resource* m_;
  bool keep_free_ = false;
  int32_t objrow_ = -1;
  bool obj_fixed_ = false;
  pvec<char> rowtype_;   // 'N', 'E', 'L', 'G' per row
  pvec<double> rhs_;     // right-hand side per row (0 when none was given)
  pvec<uint8_t> qsec_;   // a quadratic section was given for the row
  double cfix_ = 0.0;
  // The column being gathered.
  std::pmr::string curcol_;
  int32_t curj_ = -1;
  double colobj_ = 0.0;
  pvec<int32_t> colsub_;
  pvec<double> colval_;
  bool intorg_ = false;
  // Vector selection of RHS, RANGES and BOUNDS.
  std::pmr::string vec_[3];
  bool vec_chosen_[3] = {false, false, false};
  bool vec_inside_[3] = {false, false, false};
  bool vec_left_[3] = {false, false, false};
  bool vec_warned_[3] = {false, false, false};
  // Integer variables not yet named in BOUNDS.
  pvec<uint8_t> unbounded_;
  bool bounds_flagged_ = false;
  // Quadratic entries of the current section and of the objective row.
  pvec<int32_t> qi_, qj_;
  pvec<double> qv_;
  pvec<int32_t> qobj_i_, qobj_j_;
  pvec<double> qobj_v_;
  bool has_qobj_ = false;
  pvec<int32_t> members_;
  std::pmr::string objname_;  // objective row named by OBJNAME
  bool has_objname_ = false;
  // Short row and column names of this file (the task's name index holds all of them).
  ShortNames rownames_, colnames_;
};

int32_t MpsReader::run() {
  int32_t prev = MPS_SEC_NONE;
  int32_t sec = MPS_SEC_NONE;
  int32_t st = tok_.next_header(&sec);
  for (;;) {
    if (st != MPS_ST_DATA) return fail(st);
    if (sec == MPS_SEC_SETS) {
      st = tok_.next_header(&sec, true);
      continue;
    }
    bool conic_or_quad = sec >= MPS_SEC_QUADOBJ && sec <= MPS_SEC_CSECTION;
    if (conic_or_quad ? prev < MPS_SEC_COLUMNS : sec < prev)
      return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_SEC_ORDER, mps_section_name(sec));
    prev = sec;
    if (sec > MPS_SEC_ROWS && !obj_fixed_) {
      if (int32_t r = fix_objective()) return r;
    }
    int32_t r = ZRV_RES_OK;
    switch (sec) {
      case MPS_SEC_NAME: r = section_name(); break;
      case MPS_SEC_OBJSENSE: r = section_objsense(); break;
      case MPS_SEC_OBJNAME: r = section_objname(); break;
      case MPS_SEC_ROWS: r = section_rows(); break;
      case MPS_SEC_COLUMNS: r = section_columns(); break;
      case MPS_SEC_RHS: r = section_rhs(); break;
      case MPS_SEC_RANGES: r = section_ranges(); break;
      case MPS_SEC_BOUNDS: r = section_bounds(); break;
      case MPS_SEC_QUADOBJ: r = section_quadratic(true); break;
      case MPS_SEC_QSECTION: r = section_quadratic(false); break;
      case MPS_SEC_CSECTION: r = section_cone(); break;
      case MPS_SEC_ENDATA: return finish();
      default: break;
    }
    if (r != ZRV_RES_OK) return r;
    st = tok_.next_header(&sec);
  }
}

int32_t MpsReader::section_name() {
  std::string_view name = tok_.header_text();
  if (int32_t r = t_->names->put_task_name(name)) return ZRV_REPORT(t_, r);
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) return ZRV_RES_OK;
    // Data lines under NAME carry nothing.
  }
}

int32_t MpsReader::section_objsense() {
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) return ZRV_RES_OK;
    std::string_view w = f.text[1];
    int32_t sense;
    if (w == "MAX" || w == "MAXIMIZE")
      sense = ZRV_OBJECTIVE_SENSE_MAXIMIZE;
    else if (w == "MIN" || w == "MINIMIZE")
      sense = ZRV_OBJECTIVE_SENSE_MINIMIZE;
    else
      return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INVALID_OBJSENSE, str(w).c_str());
    if (t_->ipar[ZRV_IPAR_READ_MPS_OBJ_SENSE] != 0 && t_->prob->sense != sense) {
      t_->prob->sense = sense;
      sol_objective_sense_changed(t_);
    }
  }
}

int32_t MpsReader::section_objname() {
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) return ZRV_RES_OK;
    if (f.has(2)) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_FIELD, int32_t{1});
    // The name selects the objective row of this file only; the task's parameter is left alone, so that a later
    // read of another file is not bound to this file's row name.
    objname_.assign(f.text[1]);
    has_objname_ = true;
  }
}

int32_t MpsReader::section_rows() {
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) return ZRV_RES_OK;
    std::string_view name = f.text[1];
    if (name.empty()) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_NULL_CON_NAME);
    char type = f.text[0].empty() ? ' ' : f.text[0][0];
    int32_t bk;
    switch (type) {
      case 'N': bk = ZRV_BK_FR; break;
      case 'E': bk = ZRV_BK_FX; break;
      case 'L': bk = ZRV_BK_UP; break;
      case 'G': bk = ZRV_BK_LO; break;
      default:
        return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_CON_KEY, str(f.text[0]).c_str(), str(name).c_str());
    }
    int32_t i = t_->prob->numcon;
    if (int32_t e = append_items(t_, ITEM_CON, 1)) return e;
    if (int32_t e = put_one_bound(t_, ITEM_CON, i, bk, 0.0, 0.0)) return e;
    NameClash clash;
    int32_t e = t_->names->put(NameClass::Con, i, name, &clash);
    if (e == ZRV_RES_ERR_DUP_NAME) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_MUL_CON_NAME, str(name).c_str());
    if (e != ZRV_RES_OK) return ZRV_REPORT(t_, e == ZRV_RES_ERR_SPACE ? e : ZRV_RES_ERR_INTERNAL, "row names");
    remember(rownames_, name, i);
    rowtype_.push_back(type);
    rhs_.push_back(0.0);
    qsec_.push_back(0);
  }
}

int32_t MpsReader::fix_objective() {
  obj_fixed_ = true;
  std::string_view want = has_objname_ ? std::string_view(objname_)
                                       : trim_right(spar_value(t_, ZRV_SPAR_READ_MPS_OBJ_NAME));
  if (!want.empty()) {
    bool found = false;
    int32_t i = -1;
    if (t_->prob->numcon > 0) {
      if (int32_t r = lookup(NameClass::Con, want, &i, &found)) return r;
    }
    if (!found) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INVALID_OBJ_NAME, str(want).c_str());
    objrow_ = i;
  } else {
    for (size_t i = 0; i < rowtype_.size(); ++i)
      if (rowtype_[i] == 'N') {
        objrow_ = static_cast<int32_t>(i);
        break;
      }
    if (objrow_ < 0) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_NO_OBJECTIVE);
  }
  // A copy: storing the objective name may move the name pool under a view of it.
  std::string name = str(t_->names->name(NameClass::Con, objrow_));
  if (int32_t r = t_->names->put_objective_name(name)) return ZRV_REPORT(t_, r);
  if (mps_log_lines(t_)) task_printf(t_, ZRV_STREAM_MSG, "Using '%s' as %s vector\n", {name.c_str(), "objective"});
  return ZRV_RES_OK;
}

int32_t MpsReader::flush_column() {
  if (curj_ < 0) return ZRV_RES_OK;
  int32_t j = curj_;
  curj_ = -1;
  Problem& p = *t_->prob;
  if (colobj_ != 0.0) {
    p.c[static_cast<size_t>(j)] = colobj_;
    sol_cj_changed(t_, j);
  }
  if (!colsub_.empty()) {
    SpStatus s = p.A.put_vector(SpDim::Cols, j, static_cast<int64_t>(colsub_.size()), colsub_.data(), colval_.data());
    if (s != SpStatus::Ok) return report_sp_status(t_, static_cast<int32_t>(s), __FILE__, __LINE__);
    sol_column_changed(t_, j);
  }
  colsub_.clear();
  colval_.clear();
  colobj_ = 0.0;
  return ZRV_RES_OK;
}

int32_t MpsReader::section_columns() {
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  colsub_.reserve(32);
  colval_.reserve(32);
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) break;
    if (f.text[2] == "'MARKER'") {
      if (f.text[4] == "'INTORG'")
        intorg_ = true;
      else if (f.text[4] == "'INTEND'")
        intorg_ = false;
      else
        return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_MARKER);
      continue;
    }
    std::string_view name = f.text[1];
    if (name.empty()) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_NULL_VAR_NAME);
    if (curj_ < 0 || name != std::string_view(curcol_)) {
      if (int32_t e = flush_column()) return e;
      int32_t j = t_->prob->numvar;
      if (int32_t e = append_items(t_, ITEM_VAR, 1)) return e;
      NameClash clash;
      int32_t e = t_->names->put(NameClass::Var, j, name, &clash);
      if (e == ZRV_RES_ERR_DUP_NAME) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_SPLITTED_VAR, str(name).c_str());
      if (e != ZRV_RES_OK) return ZRV_REPORT(t_, e == ZRV_RES_ERR_SPACE ? e : ZRV_RES_ERR_INTERNAL, "column names");
      remember(colnames_, name, j);
      if (int32_t e2 = put_one_bound(t_, ITEM_VAR, j, ZRV_BK_LO, 0.0, INF)) return e2;
      if (intorg_) {
        if (int32_t e2 = ZRV_putvartype(t_, j, ZRV_VAR_TYPE_INT)) return e2;
      }
      curcol_.assign(name);
      curj_ = j;
    }
    for (int q = 2; q <= 4; q += 2) {
      bool present = false;
      if (int32_t e = pair(f, q, &present)) return e;
      if (!present) continue;
      int32_t i;
      if (int32_t e = row_of(f.text[q], &i)) return e;
      double v = f.num[q + 1];
      if (i == objrow_) {
        colobj_ += v;
        if (!keep_free_) continue;
      } else if (!keep_free_ && rowtype_[static_cast<size_t>(i)] == 'N') {
        continue;  // free rows leave the problem at the end
      }
      colsub_.push_back(i);
      colval_.push_back(v);
    }
  }
  return flush_column();
}

bool MpsReader::select_vector(VecKind kind, std::string_view name, int32_t* r) {
  static const int32_t spar[3] = {ZRV_SPAR_READ_MPS_RHS_NAME, ZRV_SPAR_READ_MPS_RAN_NAME, ZRV_SPAR_READ_MPS_BOU_NAME};
  static const int32_t warn[3] = {ZRV_RES_WRN_MPS_SPLIT_RHS_VECTOR, ZRV_RES_WRN_MPS_SPLIT_RAN_VECTOR,
                                  ZRV_RES_WRN_MPS_SPLIT_BOU_VECTOR};
  static const char* what[3] = {"rhs", "range", "bound"};
  *r = ZRV_RES_OK;
  if (!vec_chosen_[kind]) {
    std::string_view set = trim_right(spar_value(t_, spar[kind]));
    vec_[kind].assign(set.empty() ? name : set);
    vec_chosen_[kind] = true;
    if (mps_log_lines(t_)) task_printf(t_, ZRV_STREAM_MSG, "Using '%s' as %s vector\n", {vec_[kind].c_str(), what[kind]});
  }
  if (name != std::string_view(vec_[kind])) {
    if (vec_inside_[kind]) vec_left_[kind] = true;
    vec_inside_[kind] = false;
    return false;
  }
  if (vec_left_[kind] && !vec_warned_[kind]) {
    vec_warned_[kind] = true;
    *r = ZRV_REPORT(t_, warn[kind], vec_[kind].c_str());
  }
  vec_inside_[kind] = true;
  return true;
}

template <class Entry>
int32_t MpsReader::row_vector_section(VecKind kind, Entry entry) {
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) return ZRV_RES_OK;
    if (!select_vector(kind, f.text[1], &r)) continue;
    if (r) return r;
    for (int q = 2; q <= 4; q += 2) {
      bool present = false;
      if (int32_t e = pair(f, q, &present)) return e;
      if (!present) continue;
      int32_t i;
      if (int32_t e = row_of(f.text[q], &i)) return e;
      if (int32_t e = entry(i, f.num[q + 1], f.text[q])) return e;
    }
  }
}

int32_t MpsReader::section_rhs() {
  const double wrn = t_->dpar[ZRV_DPAR_DATA_TOL_BOUND_WRN];
  return row_vector_section(VEC_RHS, [&](int32_t i, double v, std::string_view rowname) -> int32_t {
    if (i == objrow_) {
      cfix_ = -v;
      return ZRV_RES_OK;
    }
    char type = rowtype_[static_cast<size_t>(i)];
    if (type == 'N') return ZRV_RES_OK;
    if (std::fabs(v) >= wrn) {
      if (int32_t e = ZRV_REPORT(t_, ZRV_RES_WRN_LARGE_BOUND, v, "constraint", str(rowname).c_str(), i)) return e;
    }
    rhs_[static_cast<size_t>(i)] = v;
    return type == 'G'   ? put_one_bound(t_, ITEM_CON, i, ZRV_BK_LO, v, INF)
           : type == 'L' ? put_one_bound(t_, ITEM_CON, i, ZRV_BK_UP, -INF, v)
                         : put_one_bound(t_, ITEM_CON, i, ZRV_BK_FX, v, v);
  });
}

int32_t MpsReader::section_ranges() {
  return row_vector_section(VEC_RAN, [&](int32_t i, double R, std::string_view) -> int32_t {
    double b = rhs_[static_cast<size_t>(i)];
    switch (rowtype_[static_cast<size_t>(i)]) {
      case 'G':
        return R == 0.0 ? put_one_bound(t_, ITEM_CON, i, ZRV_BK_FX, b, b)
                        : put_one_bound(t_, ITEM_CON, i, ZRV_BK_RA, b, b + std::fabs(R));
      case 'L':
        return R == 0.0 ? put_one_bound(t_, ITEM_CON, i, ZRV_BK_FX, b, b)
                        : put_one_bound(t_, ITEM_CON, i, ZRV_BK_RA, b - std::fabs(R), b);
      case 'E':
        if (R > 0.0) return put_one_bound(t_, ITEM_CON, i, ZRV_BK_RA, b, b + R);
        if (R < 0.0) return put_one_bound(t_, ITEM_CON, i, ZRV_BK_RA, b + R, b);
        return ZRV_RES_OK;
      default: return ZRV_RES_OK;  // free rows keep their bounds
    }
  });
}

int32_t MpsReader::section_bounds() {
  Problem& p = *t_->prob;
  if (!bounds_flagged_) {
    bounds_flagged_ = true;
    unbounded_.assign(static_cast<size_t>(p.numvar), 0);
    for (int32_t j = 0; j < p.numvar; ++j)
      unbounded_[static_cast<size_t>(j)] = p.vartype[static_cast<size_t>(j)] == ZRV_VAR_TYPE_INT;
  }
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) break;
    if (!select_vector(VEC_BOU, f.text[1], &r)) continue;
    if (r) return r;
    int32_t j;
    if (int32_t e = var_of(f.text[2], &j)) return e;
    unbounded_[static_cast<size_t>(j)] = 0;
    std::string_view key = f.text[0];
    enum { LO, UP, FX, FR, MI, PL, BV, LI, UI, BAD } kind = BAD;
    if (key.size() == 2) {
      static const char* keys[] = {"LO", "UP", "FX", "FR", "MI", "PL", "BV", "LI", "UI"};
      for (int q = 0; q < 9; ++q)
        if (key == keys[q]) kind = static_cast<decltype(kind)>(q);
    }
    if (kind == BAD) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_BOUND_KEY, str(key).c_str());
    bool needs_value = kind == LO || kind == UP || kind == FX || kind == LI || kind == UI;
    if (needs_value && !f.has(3)) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_FIELD, int32_t{3});
    double v = f.num[3];
    size_t sj = static_cast<size_t>(j);
    int32_t bk = p.bkx[sj];
    bool has_lo = bk_has_lower(bk), has_up = bk_has_upper(bk);
    double lo = p.blx[sj], up = p.bux[sj];
    bool fixed = false, integer = false;
    switch (kind) {
      case LO: lo = v, has_lo = true; break;
      case UP: up = v, has_up = true; break;
      case FX: lo = up = v, has_lo = has_up = fixed = true; break;
      case FR: has_lo = has_up = false; break;
      case MI: has_lo = false; break;
      case PL: has_up = false; break;
      case BV: lo = 0.0, up = 1.0, has_lo = has_up = integer = true; break;
      case LI: lo = v, has_lo = integer = true; break;
      case UI: up = std::floor(v), has_up = integer = true; break;
      default: break;
    }
    int32_t key_out = fixed ? ZRV_BK_FX
                      : has_lo && has_up ? ZRV_BK_RA
                      : has_lo           ? ZRV_BK_LO
                      : has_up           ? ZRV_BK_UP
                                         : ZRV_BK_FR;
    if (int32_t e = put_one_bound(t_, ITEM_VAR, j, key_out, has_lo ? lo : -INF, has_up ? up : INF)) return e;
    if (integer && p.vartype[sj] != ZRV_VAR_TYPE_INT) {
      if (int32_t e = ZRV_putvartype(t_, j, ZRV_VAR_TYPE_INT)) return e;
    }
  }
  // Integer variables that the section did not name are binary.
  for (int32_t j = 0; j < p.numvar; ++j) {
    if (!unbounded_[static_cast<size_t>(j)]) continue;
    unbounded_[static_cast<size_t>(j)] = 0;
    if (int32_t e = put_one_bound(t_, ITEM_VAR, j, ZRV_BK_RA, 0.0, 1.0)) return e;
  }
  return ZRV_RES_OK;
}

int32_t MpsReader::section_quadratic(bool objective) {
  int32_t row = objrow_;
  std::string rowname;
  if (!objective) {
    if (tok_.header_status() != MPS_ST_DATA) return fail(tok_.header_status());
    if (int32_t e = row_of(tok_.header_fields().text[2], &row)) return e;
  }
  rowname = str(t_->names->name(NameClass::Con, row));
  if (qsec_[static_cast<size_t>(row)]) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_MUL_QSEC, rowname.c_str());
  qsec_[static_cast<size_t>(row)] = 1;
  const double tol = t_->dpar[ZRV_DPAR_DATA_TOL_QIJ];
  qi_.clear(), qj_.clear(), qv_.clear();
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) break;
    int32_t a;
    if (int32_t e = var_of(f.text[1], &a)) return e;
    for (int q = 2; q <= 4; q += 2) {
      bool present = false;
      if (int32_t e = pair(f, q, &present)) return e;
      if (!present) continue;
      int32_t b;
      if (int32_t e = var_of(f.text[q], &b)) return e;
      double v = f.num[q + 1];
      if (std::fabs(v) <= tol) continue;
      qi_.push_back(std::max(a, b));
      qj_.push_back(std::min(a, b));
      qv_.push_back(v);
    }
  }
  if (row == objrow_) {
    qobj_i_.swap(qi_), qobj_j_.swap(qj_), qobj_v_.swap(qv_);
    has_qobj_ = true;
    return ZRV_RES_OK;
  }
  return mps_store_quadratic(t_, row, qi_, qj_, qv_);
}

int32_t MpsReader::section_cone() {
  if (tok_.header_status() != MPS_ST_DATA) return fail(tok_.header_status());
  const MpsFields& h = tok_.header_fields();
  std::string name = str(h.text[2]);
  if (!h.has(3)) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_INV_FIELD, int32_t{3});
  double par = h.num[3];
  std::string_view type = h.text[4];
  int32_t ct;
  if (type == "QUAD")
    ct = ZRV_CT_QUAD;
  else if (type == "RQUAD")
    ct = ZRV_CT_RQUAD;
  else
    return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_CONE_TYPE, str(type).c_str());
  if (!name.empty() && t_->names->count(NameClass::Cone) > 0) {
    bool found = false;
    int32_t k;
    if (int32_t e = lookup(NameClass::Cone, name, &k, &found)) return e;
    if (found) return ZRV_REPORT(t_, ZRV_RES_ERR_MPS_MUL_CSEC, name.c_str());
  }
  members_.clear();
  MpsFields f;
  int32_t r = ZRV_RES_OK;
  for (;;) {
    int32_t k = next(&f, &r);
    if (k < 0) return r;
    if (k == 1) break;
    int32_t j;
    if (int32_t e = var_of(f.text[1], &j)) return e;
    members_.push_back(j);
  }
  return mps_store_cone(t_, ct, par, members_, name);
}

int32_t MpsReader::finish() {
  if (!obj_fixed_) {
    if (int32_t r = fix_objective()) return r;
  }
  Problem& p = *t_->prob;
  if (t_->ipar[ZRV_IPAR_READ_MPS_KEEP_INT] == 0) {
    for (int32_t j = 0; j < p.numvar; ++j)
      if (p.vartype[static_cast<size_t>(j)] == ZRV_VAR_TYPE_INT) {
        if (int32_t r = ZRV_putvartype(t_, j, ZRV_VAR_TYPE_CONT)) return r;
      }
  }
  if (has_qobj_) {
    if (int32_t r = mps_store_objective_quadratic(t_, qobj_i_, qobj_j_, qobj_v_)) return r;
    if (keep_free_) {
      if (int32_t r = mps_store_quadratic(t_, objrow_, qobj_i_, qobj_j_, qobj_v_)) return r;
    }
  }
  if (!keep_free_) {
    pvec<int32_t> freerows(m_);
    for (int32_t i = 0; i < p.numcon; ++i)
      if (p.bkc[static_cast<size_t>(i)] == ZRV_BK_FR) freerows.push_back(i);
    if (!freerows.empty()) {
      if (int32_t r = ZRV_removecons(t_, static_cast<int32_t>(freerows.size()), freerows.data())) return r;
    }
  }
  p.cfix = cfix_;
  return ZRV_RES_OK;
}

}  // namespace

namespace zrv {

int32_t mps_read_lines(ZRVtask_s* t, MpsReadLine read, void* data, int32_t flavour) {
  if (int32_t r = mps_read_progress_hook(t, ZRV_CALLBACK_BEGIN_READ)) return r;
  MpsTokenizer tok(&mem(t), flavour, false, t->ipar[ZRV_IPAR_READ_MPS_WIDTH], read, data);
  int32_t r;
  {
    MpsReader reader(t, tok);
    r = reader.run();
  }
  if (r != ZRV_RES_OK) {
    mps_error_position(t, tok);
    return r;
  }
  return mps_read_progress_hook(t, ZRV_CALLBACK_END_READ);
}

int32_t mps_read(ZRVtask_s* t, SysFile* f, const char* /*filename*/, int32_t flavour) {
  MpsLineSource src;
  src.file = f;
  return mps_read_lines(t, mps_source_read, &src, flavour);
}

}  // namespace zrv

namespace zrv {

int32_t mps_store_quadratic(ZRVtask_s* t, int32_t row, const pvec<int32_t>& subi, const pvec<int32_t>& subj,
                            const pvec<double>& val) {
  if (subi.size() > static_cast<size_t>(INT32_MAX)) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  return ZRV_putqconk(t, row, static_cast<int32_t>(subi.size()), subi.data(), subj.data(), val.data());
}

int32_t mps_store_objective_quadratic(ZRVtask_s* t, const pvec<int32_t>& subi, const pvec<int32_t>& subj,
                                      const pvec<double>& val) {
  if (subi.size() > static_cast<size_t>(INT32_MAX)) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  return ZRV_putqobj(t, static_cast<int32_t>(subi.size()), subi.data(), subj.data(), val.data());
}

int32_t mps_store_cone(ZRVtask_s* t, int32_t type, double par, const pvec<int32_t>& members, const std::string& name) {
  if (members.size() > static_cast<size_t>(INT32_MAX)) return ZRV_REPORT(t, ZRV_RES_ERR_SPACE);
  if (int32_t r = ZRV_appendcone(t, type, par, static_cast<int32_t>(members.size()), members.data())) return r;
  if (name.empty()) return ZRV_RES_OK;
  int32_t k = t->names->count(NameClass::Cone) - 1;
  NameClash clash;
  int32_t r = t->names->put(NameClass::Cone, k, name, &clash);
  if (r == ZRV_RES_ERR_DUP_NAME) return ZRV_REPORT(t, ZRV_RES_ERR_MPS_MUL_CSEC, name.c_str());
  if (r != ZRV_RES_OK) return ZRV_REPORT(t, r == ZRV_RES_ERR_SPACE ? r : ZRV_RES_ERR_INTERNAL, "cone names");
  return ZRV_RES_OK;
}

}  // namespace zrv
