// LP file reader: a tokenizer over the reading parser buffer and a parser for the sections objective,
// constraints, bounds, general/binary declarations and end, building the task through its data operations.
//
// The format is free-form: tokens are separated by white space or by their own characters, line breaks carry no
// meaning, and "\" starts a comment that runs to the end of the line. Keywords are plain names that the parser
// recognises where a section may begin; a quoted name is never a keyword.
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "cpub/ioutils.h"
#include "zirva.h"
#include "zirva/env.h"
#include "zirva/fileio.h"
#include "zirva/lpformat.h"
#include "zirva/params.h"
#include "zirva/problem.h"
#include "zirva/report.h"

namespace zrv {

namespace {

enum TokenKind : int32_t {
  TOKEN_PLUS,
  TOKEN_MINUS,
  TOKEN_ASTERISK,
  TOKEN_HAT,
  TOKEN_EQ,
  TOKEN_LE,
  TOKEN_LEQ,
  TOKEN_GE,
  TOKEN_GEQ,
  TOKEN_COLON,
  TOKEN_LBRACKET,
  TOKEN_RBRACKET,
  TOKEN_DIVIDE,
  TOKEN_LABEL,    // text: the name before ":"
  TOKEN_DCLABEL,  // text: the name before "::"
  TOKEN_STRING,
  TOKEN_QSTRING,  // text: the name between the quotes
  TOKEN_INTEGER,
  TOKEN_FLOAT,
  TOKEN_ERROR,
  TOKEN_NA,  // end of input
};

struct Token {
  explicit Token(std::pmr::memory_resource* m) : text(m) {}
  int32_t kind = TOKEN_NA;
  int64_t line = 1;
  double value = 0.0;  // numbers
  std::pmr::string text;
};

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool is_digit(int c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(FileBuffer* fb) : cur_(fb) {}

  void scan(Token& t) {
    skip_blanks();
    t.line = cur_.line();
    t.text.clear();
    t.value = 0.0;
    t.kind = scan_kind(t);
    last_ = t.kind;
  }
  int64_t line() const { return cur_.line(); }

 private:
  void skip_blanks() {
    for (;;) {
      int c = cur_.peek();
      if (is_space(c)) {
        cur_.skip();
      } else if (c == '\\') {
        while (c != FileBufferCursor::END && c != '\n') {
          cur_.skip();
          c = cur_.peek();
        }
      } else {
        return;
      }
    }
  }

  int32_t scan_kind(Token& t) {
    int c = cur_.peek();
    if (c == FileBufferCursor::END) return TOKEN_NA;
    switch (c) {
      case '+': cur_.skip(); return TOKEN_PLUS;
      case '-': cur_.skip(); return TOKEN_MINUS;
      case '*': cur_.skip(); return TOKEN_ASTERISK;
      case '^': cur_.skip(); return TOKEN_HAT;
      case '[': cur_.skip(); return TOKEN_LBRACKET;
      case ']': cur_.skip(); return TOKEN_RBRACKET;
      case ':': cur_.skip(); return TOKEN_COLON;
      case '<':
        cur_.skip();
        if (cur_.peek() == '=') return cur_.skip(), TOKEN_LEQ;
        return TOKEN_LE;
      case '>':
        cur_.skip();
        if (cur_.peek() == '=') return cur_.skip(), TOKEN_GEQ;
        return TOKEN_GE;
      case '=':
        cur_.skip();
        if (cur_.peek() == '<') return cur_.skip(), TOKEN_LEQ;
        if (cur_.peek() == '>') return cur_.skip(), TOKEN_GEQ;
        return TOKEN_EQ;
      case '"': return scan_quoted(t);
      default: break;
    }
    // "/" is a name character, except right after "]" where it opens the "/2" of a quadratic bracket.
    if (c == '/' && last_ == TOKEN_RBRACKET) return cur_.skip(), TOKEN_DIVIDE;
    if (is_digit(c) || c == '.') return scan_number(t);
    if (lp_name_char(static_cast<unsigned char>(c))) {
      while (lp_name_char(static_cast<unsigned char>(c))) {
        t.text.push_back(static_cast<char>(c));
        cur_.skip();
        c = cur_.peek();
      }
      return label_or(TOKEN_STRING);
    }
    cur_.skip();
    return TOKEN_ERROR;
  }

  // A name followed (after white space) by ":" is a label, by "::" a double-colon label.
  int32_t label_or(int32_t kind) {
    FileBufferCursor saved = cur_;
    while (is_space(cur_.peek())) cur_.skip();
    if (cur_.peek() != ':') {
      cur_ = saved;
      return kind;
    }
    cur_.skip();
    if (cur_.peek() == ':') return cur_.skip(), TOKEN_DCLABEL;
    return TOKEN_LABEL;
  }

  // Any character but the double quote; an empty name, a NUL byte or the end of the input inside the quotes is
  // an error.
  int32_t scan_quoted(Token& t) {
    cur_.skip();
    for (;;) {
      int c = cur_.get();
      if (c == FileBufferCursor::END || c == 0) return TOKEN_ERROR;
      if (c == '"') break;
      t.text.push_back(static_cast<char>(c));
    }
    if (t.text.empty()) return TOKEN_ERROR;
    return label_or(TOKEN_QSTRING);
  }

  int32_t scan_number(Token& t) {
    bool digits = false, real = false;
    int c = cur_.peek();
    while (is_digit(c)) {
      t.text.push_back(static_cast<char>(c)), cur_.skip(), c = cur_.peek();
      digits = true;
    }
    if (c == '.') {
      real = true;
      t.text.push_back('.'), cur_.skip(), c = cur_.peek();
      while (is_digit(c)) {
        t.text.push_back(static_cast<char>(c)), cur_.skip(), c = cur_.peek();
        digits = true;
      }
    }
    if (!digits) return TOKEN_ERROR;
    if (c == 'e' || c == 'E') {
      // An exponent only when digits follow; otherwise the "e" begins the next token ("2ex" is 2 times ex).
      size_t k = 1;
      int s = cur_.peek(1);
      if (s == '+' || s == '-') s = cur_.peek(++k);
      if (is_digit(s)) {
        real = true;
        for (size_t q = 0; q < k; ++q) t.text.push_back(static_cast<char>(cur_.get()));
        c = cur_.peek();
        while (is_digit(c)) t.text.push_back(static_cast<char>(c)), cur_.skip(), c = cur_.peek();
      }
    }
    const char* b = t.text.data();
    const char* e = b + t.text.size();
    auto res = std::from_chars(b, e, t.value);
    if (res.ec == std::errc::result_out_of_range) {
      // Beyond the range of a double: infinity or zero, as strtod rounds it.
      t.value = std::strtod(t.text.c_str(), nullptr);
    } else if (res.ec != std::errc() || res.ptr != e) {
      return TOKEN_ERROR;
    }
    return real ? TOKEN_FLOAT : TOKEN_INTEGER;
  }

  FileBufferCursor cur_;
  int32_t last_ = TOKEN_NA;
};

bool is_relation(int32_t k) { return k >= TOKEN_EQ && k <= TOKEN_GEQ; }
bool is_number(int32_t k) { return k == TOKEN_INTEGER || k == TOKEN_FLOAT; }
bool is_name(int32_t k) { return k == TOKEN_STRING || k == TOKEN_QSTRING; }
bool is_sign(int32_t k) { return k == TOKEN_PLUS || k == TOKEN_MINUS; }
// Relation sides: -1 for "<", "<=", +1 for ">", ">=", 0 for "=".
int relation_side(int32_t k) {
  if (k == TOKEN_LE || k == TOKEN_LEQ) return -1;
  if (k == TOKEN_GE || k == TOKEN_GEQ) return 1;
  return 0;
}

// The terms of one expression. Linear terms are summed per variable as they come (a variable's place is the
// place of its first term); quadratic terms are kept as lower-triangular triplets.
struct Expr {
  explicit Expr(std::pmr::memory_resource* m) : sub(m), val(m), qi(m), qj(m), qv(m), slot(m) {}
  pvec<int32_t> sub;
  pvec<double> val;
  pvec<int32_t> qi, qj;
  pvec<double> qv;
  bool has_bracket = false;
  // Per variable: its position in sub/val plus one while it belongs to the expression, else 0.
  pvec<int32_t> slot;

  void clear() {
    for (int32_t j : sub) slot[static_cast<size_t>(j)] = 0;
    sub.clear(), val.clear(), qi.clear(), qj.clear(), qv.clear();
    has_bracket = false;
  }
  // False when the sum leaves the doubles.
  bool add(int32_t j, double v) {
    if (slot.size() <= static_cast<size_t>(j)) slot.resize(std::max<size_t>(2 * slot.size(), j + 1), 0);
    int32_t& s = slot[static_cast<size_t>(j)];
    if (s == 0) {
      sub.push_back(j);
      val.push_back(v);
      s = static_cast<int32_t>(sub.size());
      return true;
    }
    double& x = val[static_cast<size_t>(s - 1)];
    x += v;
    return std::isfinite(x);
  }
};

class LpReader {
 public:
  LpReader(ZRVtask_s* t, FileBuffer* fb, const char* filename)
      : t_(t), fb_(fb), filename_(filename ? filename : ""), lex_(fb), tok_{Token(&mem(t)), Token(&mem(t))},
        expr_(&mem(t)), rowptr_(&mem(t)), rowsub_(&mem(t)), rowval_(&mem(t)) {}

  int32_t run() {
    int32_t r = parse();
    // What was read stays in the task also after a failure: the rows gathered so far go into A.
    int32_t f = flush_rows();
    return r ? r : f;
  }

 private:
  // ---- tokens ----------------------------------------------------------------------------------------------
  Token& cur() { return tok_[ci_]; }
  Token& peek() {
    if (!ahead_) {
      lex_.scan(tok_[ci_ ^ 1]);
      ahead_ = true;
    }
    return tok_[ci_ ^ 1];
  }
  void advance() {
    if (ahead_) {
      ci_ ^= 1;
      ahead_ = false;
    } else {
      lex_.scan(tok_[ci_]);
    }
  }

  // Keyword class of the current token (plain names only). "subject to" and "subj to" consume the "to" when
  // `consume` is set.
  LpKeyword keyword(bool consume = false) {
    if (cur().kind != TOKEN_STRING) return LpKeyword::None;
    LpKeyword k = lp_keyword(cur().text);
    if (k == LpKeyword::Subject) {
      const Token& n = peek();
      if (n.kind != TOKEN_STRING || n.text.size() != 2 || (n.text[0] | 0x20) != 't' || (n.text[1] | 0x20) != 'o')
        return LpKeyword::None;
      if (consume) advance();
      return LpKeyword::SuchThat;
    }
    return k;
  }
  // Keywords that end a list (constraints, bounds, names) because a later section begins.
  bool at_section() {
    switch (keyword()) {
      case LpKeyword::SuchThat:
      case LpKeyword::Bounds:
      case LpKeyword::General:
      case LpKeyword::Binary:
      case LpKeyword::End:
      case LpKeyword::Minimize:
      case LpKeyword::Maximize: return true;
      default: return false;
    }
  }

  // ---- errors ----------------------------------------------------------------------------------------------
  // A failure of the source comes first: the tokens after it are not the file's.
  int32_t source_error() {
    if (fb_->out_of_memory()) return ZRV_REPORT(t_, ZRV_RES_ERR_SPACE);
    if (fb_->status() != 0) {
      int32_t code = sysfile_rescode(fb_->status());
      if (code == ZRV_RES_ERR_FILE_READ) return ZRV_REPORT(t_, code, filename_);
      return ZRV_REPORT(t_, code);
    }
    return ZRV_RES_OK;
  }
  int32_t syntax_error() {
    if (int32_t r = source_error()) return r;
    return ZRV_REPORT(t_, ZRV_RES_ERR_LP_FILE_FORMAT, cur().line);
  }
  // At a place where a section or the end tag may come: end of input means the end tag is missing.
  int32_t section_error() {
    if (cur().kind != TOKEN_NA) return syntax_error();
    if (int32_t r = source_error()) return r;
    int64_t line = cur().line;
    return ZRV_REPORT(t_, ZRV_RES_ERR_READ_LP_MISSING_END_TAG,
                      static_cast<int32_t>(std::min<int64_t>(line, std::numeric_limits<int32_t>::max())));
  }

  // ---- items -----------------------------------------------------------------------------------------------
  // The variable of a name; a new name becomes a new variable with lower bound 0 and no upper bound.
  int32_t variable(std::string_view name, int32_t* j) {
    bool found = false;
    NameClash clash;
    int32_t r = t_->names->lookup(NameClass::Var, name, &found, j, &clash);
    if (r != ZRV_RES_OK) return r == ZRV_RES_ERR_SPACE ? ZRV_REPORT(t_, r) : syntax_error();
    if (found) return ZRV_RES_OK;
    *j = t_->prob->numvar;
    if (int32_t e = append_items(t_, ITEM_VAR, 1)) return e;
    if (int32_t e = put_one_bound(t_, ITEM_VAR, *j, ZRV_BK_LO, 0.0, INF_BOUND)) return e;
    r = t_->names->put(NameClass::Var, *j, name, &clash);
    if (r != ZRV_RES_OK) return ZRV_REPORT(t_, r == ZRV_RES_ERR_SPACE ? r : ZRV_RES_ERR_INTERNAL, "variable name");
    return ZRV_RES_OK;
  }

  // ---- values ----------------------------------------------------------------------------------------------
  // A value after a relation or before one: a number, optionally signed, or the infinity keyword (with a sign;
  // after a relation also without one). Values beyond the doubles mean no bound.
  int32_t value(double* v, bool unsigned_infinity) {
    double sign = 1.0;
    bool signed_ = false;
    if (is_sign(cur().kind)) {
      sign = cur().kind == TOKEN_MINUS ? -1.0 : 1.0;
      signed_ = true;
      advance();
    }
    if (is_number(cur().kind)) {
      *v = sign * cur().value;
    } else if (keyword() == LpKeyword::Infinity && (signed_ || unsigned_infinity)) {
      *v = sign * INF_BOUND;
    } else {
      return syntax_error();
    }
    if (!std::isfinite(*v)) *v = *v > 0 ? INF_BOUND : -INF_BOUND;
    advance();
    return ZRV_RES_OK;
  }

  // ---- expressions -----------------------------------------------------------------------------------------
  // Terms: [sign] [coefficient] name, separated by signs, then an optional quadratic bracket. The first term may
  // come in pre-read: its sign and coefficient were consumed by the caller while it looked for a ranged form.
  struct Lead {
    bool present = false;
    bool has_sign = false;
    double sign = 1.0;
    bool has_coef = false;
    double coef = 1.0;
  };

  int32_t expression(Expr& e, Lead lead) {
    for (bool first = true;; first = false) {
      double sign = 1.0, coef = 1.0;
      bool has_sign = false, has_coef = false;
      if (first && lead.present) {
        has_sign = lead.has_sign, sign = lead.sign, has_coef = lead.has_coef, coef = lead.coef;
      } else if (is_sign(cur().kind)) {
        has_sign = true;
        sign = cur().kind == TOKEN_MINUS ? -1.0 : 1.0;
        advance();
      } else if (!first) {
        return ZRV_RES_OK;
      }
      if (!has_coef && is_number(cur().kind)) {
        has_coef = true;
        coef = cur().value;
        advance();
      }
      if (has_coef && !std::isfinite(coef)) return syntax_error();
      if (is_name(cur().kind)) {
        // An expression may be empty: an unsigned keyword in the first place begins the next section.
        if (first && !has_sign && !has_coef && at_section()) return ZRV_RES_OK;
        int32_t j;
        if (int32_t r = variable(cur().text, &j)) return r;
        if (!e.add(j, sign * coef)) return syntax_error();
        advance();
      } else if (cur().kind == TOKEN_LBRACKET && !has_coef) {
        return bracket(e, sign);
      } else if (first && !has_sign && !has_coef) {
        return ZRV_RES_OK;
      } else {
        return syntax_error();
      }
    }
  }

  // "[" quadratic terms "]" "/2". A term is [sign] [coefficient] name "^" 2, or ... name "*" name. Without the
  // "/2" the bracket is taken at its face value (twice the halved form) and a warning says so.
  int32_t bracket(Expr& e, double outer_sign) {
    advance();
    size_t first_term = e.qv.size();
    for (bool first = true; cur().kind != TOKEN_RBRACKET; first = false) {
      double sign = 1.0, coef = 1.0;
      if (is_sign(cur().kind)) {
        sign = cur().kind == TOKEN_MINUS ? -1.0 : 1.0;
        advance();
      } else if (!first) {
        return syntax_error();
      }
      if (is_number(cur().kind)) {
        coef = cur().value;
        if (!std::isfinite(coef)) return syntax_error();
        advance();
      }
      if (!is_name(cur().kind)) return syntax_error();
      int32_t a, b;
      if (int32_t r = variable(cur().text, &a)) return r;
      advance();
      double q = outer_sign * sign * coef;
      if (cur().kind == TOKEN_HAT) {
        advance();
        if (!is_number(cur().kind) || cur().value != 2.0) return syntax_error();
        advance();
        b = a;
      } else if (cur().kind == TOKEN_ASTERISK) {
        advance();
        if (!is_name(cur().kind)) return syntax_error();
        if (int32_t r = variable(cur().text, &b)) return r;
        advance();
        if (a != b) q *= 0.5;
      } else {
        return syntax_error();
      }
      e.qi.push_back(std::max(a, b));
      e.qj.push_back(std::min(a, b));
      e.qv.push_back(q);
    }
    advance();  // "]"
    e.has_bracket = true;
    if (cur().kind == TOKEN_DIVIDE) {
      advance();
      if (!is_number(cur().kind) || cur().value != 2.0) return syntax_error();
      advance();
    } else {
      for (size_t k = first_term; k < e.qv.size(); ++k) {
        e.qv[k] *= 2.0;
        if (!std::isfinite(e.qv[k])) return syntax_error();
      }
      if (int32_t r = ZRV_REPORT(t_, ZRV_RES_WRN_LP_OLD_QUAD_FORMAT)) return r;
    }
    return ZRV_RES_OK;
  }

  // ---- sections --------------------------------------------------------------------------------------------
  int32_t parse() {
    if (int32_t r = initial_capacities()) return r;
    advance();
    // Objective.
    LpKeyword sense = keyword();
    if (sense != LpKeyword::Minimize && sense != LpKeyword::Maximize) return syntax_error();
    if (int32_t r = ZRV_putobjsense(t_, sense == LpKeyword::Maximize ? ZRV_OBJECTIVE_SENSE_MAXIMIZE
                                                                       : ZRV_OBJECTIVE_SENSE_MINIMIZE))
      return r;
    advance();
    std::string_view objname = "obj";
    if (cur().kind == TOKEN_LABEL) objname = cur().text;
    if (t_->names->put_objective_name(objname) != ZRV_RES_OK) return ZRV_REPORT(t_, ZRV_RES_ERR_SPACE);
    if (cur().kind == TOKEN_LABEL) advance();
    expr_.clear();
    if (int32_t r = expression(expr_, Lead{})) return r;
    if (int32_t r = store_objective()) return r;

    // Constraints.
    if (keyword() == LpKeyword::SuchThat) {
      keyword(true);
      advance();
      while (constraint_starts()) {
        if (int32_t r = constraint()) return r;
      }
    }
    // Bounds.
    if (keyword() == LpKeyword::Bounds) {
      advance();
      while (cur().kind != TOKEN_NA && !at_section()) {
        if (int32_t r = bound()) return r;
      }
    }
    // Integer declarations.
    for (LpKeyword k = keyword(); k == LpKeyword::General || k == LpKeyword::Binary; k = keyword()) {
      advance();
      while (is_name(cur().kind) && !at_section()) {
        int32_t j;
        if (int32_t r = variable(cur().text, &j)) return r;
        if (int32_t r = ZRV_putvartype(t_, j, ZRV_VAR_TYPE_INT)) return r;
        if (k == LpKeyword::Binary) {
          if (int32_t r = put_one_bound(t_, ITEM_VAR, j, ZRV_BK_RA, 0.0, 1.0)) return r;
        }
        advance();
      }
    }
    if (keyword() == LpKeyword::End) return ZRV_RES_OK;
    return section_error();
  }

  int32_t initial_capacities() {
    auto atleast1 = [](int32_t v) { return v < 1 ? 1 : v; };
    Problem& p = *t_->prob;
    int32_t mc = std::max(atleast1(t_->ipar[ZRV_IPAR_READ_CON]), p.maxnumcon);
    int32_t mv = std::max(atleast1(t_->ipar[ZRV_IPAR_READ_VAR]), p.maxnumvar);
    int64_t anz = atleast1(t_->ipar[ZRV_IPAR_READ_ANZ]);
    int64_t qnz = atleast1(t_->ipar[ZRV_IPAR_READ_QNZ]);
    if (int32_t r = ZRV_resizetask(t_, mc, mv, 0, anz, qnz)) return r;
    return ZRV_RES_OK;
  }

  int32_t store_objective() {
    Problem& p = *t_->prob;
    for (size_t k = 0; k < expr_.sub.size(); ++k) p.c[static_cast<size_t>(expr_.sub[k])] += expr_.val[k];
    if (expr_.has_bracket) return put_quadratic(-1);
    return ZRV_RES_OK;
  }

  // The bracket's triplets become the quadratic term of the objective (k = -1) or of constraint k; the quadratic
  // module sums repeated positions.
  int32_t put_quadratic(int32_t k) {
    if (expr_.qv.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
      return ZRV_REPORT(t_, ZRV_RES_ERR_SPACE);
    const int32_t n = static_cast<int32_t>(expr_.qv.size());
    if (k < 0) return ZRV_putqobj(t_, n, expr_.qi.data(), expr_.qj.data(), expr_.qv.data());
    return ZRV_putqconk(t_, k, n, expr_.qi.data(), expr_.qj.data(), expr_.qv.data());
  }

  bool constraint_starts() {
    switch (cur().kind) {
      case TOKEN_LABEL:
      case TOKEN_DCLABEL:
      case TOKEN_PLUS:
      case TOKEN_MINUS:
      case TOKEN_LBRACKET:
      case TOKEN_QSTRING:
      case TOKEN_INTEGER:
      case TOKEN_FLOAT: return true;
      case TOKEN_STRING: return !at_section();
      default: return false;
    }
  }

  // [label] expression relation value  |  [label] value relation expression relation value
  int32_t constraint() {
    const int32_t i = t_->prob->numcon;
    if (int32_t r = append_items(t_, ITEM_CON, 1)) return r;
    if (cur().kind == TOKEN_LABEL || cur().kind == TOKEN_DCLABEL) {
      NameClash clash;
      int32_t r = t_->names->put(NameClass::Con, i, cur().text, &clash);
      if (r == ZRV_RES_ERR_DUP_NAME) return ZRV_REPORT(t_, r, cur().text.c_str(), "constraint");
      if (r != ZRV_RES_OK) return ZRV_REPORT(t_, ZRV_RES_ERR_SPACE);
      advance();
    }
    expr_.clear();
    // A leading value followed by a relation opens a ranged constraint; otherwise it begins the first term.
    Lead lead;
    if (is_sign(cur().kind)) {
      lead.present = lead.has_sign = true;
      lead.sign = cur().kind == TOKEN_MINUS ? -1.0 : 1.0;
      advance();
    }
    bool ranged = false;
    double lower_value = 0.0;
    if (is_number(cur().kind)) {
      if (is_relation(peek().kind)) {
        ranged = true;
        lower_value = lead.sign * cur().value;
        if (!std::isfinite(lower_value)) lower_value = lower_value > 0 ? INF_BOUND : -INF_BOUND;
      } else {
        lead.present = lead.has_coef = true;
        lead.coef = cur().value;
      }
      advance();
    } else if (lead.has_sign && keyword() == LpKeyword::Infinity && is_relation(peek().kind)) {
      ranged = true;
      lower_value = lead.sign * INF_BOUND;
      advance();
    }
    int rel1 = 0;
    if (ranged) {
      rel1 = relation_side(cur().kind);
      advance();
      lead = Lead{};
    }
    if (int32_t r = expression(expr_, lead)) return r;
    if (!is_relation(cur().kind)) return syntax_error();
    int rel2 = relation_side(cur().kind);
    int64_t rel_line = cur().line;
    advance();
    double v;
    if (int32_t r = value(&v, true)) return r;
    if (int32_t r = add_row(i)) return r;

    int32_t bk;
    double bl, bu;
    if (!ranged) {
      bk = rel2 < 0 ? ZRV_BK_UP : rel2 > 0 ? ZRV_BK_LO : ZRV_BK_FX;
      bl = bu = v;
    } else {
      // "l <= expr <= u" or "u >= expr >= l"; mixed directions and "=" have no meaning here.
      if (rel1 != rel2 || rel1 == 0) return ZRV_REPORT(t_, ZRV_RES_ERR_LP_FILE_FORMAT, rel_line);
      bk = ZRV_BK_RA;
      bl = rel1 < 0 ? lower_value : v;
      bu = rel1 < 0 ? v : lower_value;
    }
    if (int32_t r = put_one_bound(t_, ITEM_CON, i, bk, bl, bu)) return r;
    if (expr_.has_bracket) return put_quadratic(i);
    return ZRV_RES_OK;
  }

  // name free | name relation value | value relation name [relation value]
  int32_t bound() {
    if (is_name(cur().kind)) {
      int32_t j;
      if (int32_t r = variable(cur().text, &j)) return r;
      advance();
      if (keyword() == LpKeyword::Free) {
        advance();
        return put_one_bound(t_, ITEM_VAR, j, ZRV_BK_FR, -INF_BOUND, INF_BOUND);
      }
      if (!is_relation(cur().kind)) return syntax_error();
      int side = relation_side(cur().kind);
      advance();
      double v;
      if (int32_t r = value(&v, true)) return r;
      // x <= v is an upper bound, x >= v a lower one.
      return apply_bound(j, side == 0 ? 0 : -side, v);
    }
    double v;
    if (int32_t r = value(&v, false)) return r;
    if (!is_relation(cur().kind)) return syntax_error();
    int side = relation_side(cur().kind);
    advance();
    if (!is_name(cur().kind)) return syntax_error();
    int32_t j;
    if (int32_t r = variable(cur().text, &j)) return r;
    advance();
    // v <= x is a lower bound.
    if (int32_t r = apply_bound(j, side, v)) return r;
    if (!is_relation(cur().kind)) return ZRV_RES_OK;
    side = relation_side(cur().kind);
    advance();
    if (int32_t r = value(&v, true)) return r;
    return apply_bound(j, side == 0 ? 0 : -side, v);
  }

  // side -1: lower bound v, +1: upper bound v, 0: fixed at v. An infinite value removes that side.
  int32_t apply_bound(int32_t j, int side, double v) {
    if (side == 0) {
      if (std::fabs(v) >= INF_BOUND) return syntax_error();
      return put_one_bound(t_, ITEM_VAR, j, ZRV_BK_FX, v, v);
    }
    bool lower = side < 0;
    bool finite = lower ? v > -INF_BOUND : v < INF_BOUND;
    return ZRV_chgbound(t_, ZRV_ACC_VAR, j, lower ? 1 : 0, finite ? 1 : 0, v);
  }

  // ---- the constraint matrix -------------------------------------------------------------------------------
  // Rows are gathered here and put into A in one call at the end (also after a failure).
  int32_t add_row(int32_t i) {
    if (rowptr_.empty()) {
      first_row_ = i;
      rowptr_.push_back(0);
    }
    for (int32_t k = static_cast<int32_t>(rowptr_.size()) - 1; k < i - first_row_; ++k)
      rowptr_.push_back(static_cast<int64_t>(rowsub_.size()));
    rowsub_.insert(rowsub_.end(), expr_.sub.begin(), expr_.sub.end());
    rowval_.insert(rowval_.end(), expr_.val.begin(), expr_.val.end());
    rowptr_.push_back(static_cast<int64_t>(rowsub_.size()));
    return ZRV_RES_OK;
  }

  int32_t flush_rows() {
    if (rowptr_.size() < 2) return ZRV_RES_OK;
    int32_t last = first_row_ + static_cast<int32_t>(rowptr_.size()) - 1;
    SprMat& A = t_->prob->A;
    SpStatus s = A.set_pool_size(std::max<int64_t>(A.pool_size(), static_cast<int64_t>(rowsub_.size())));
    if (s == SpStatus::Ok)
      s = A.put_vector_slice<int64_t>(SpDim::Rows, first_row_, last, rowptr_.data(), rowptr_.data() + 1,
                                      rowsub_.data(), rowval_.data());
    rowptr_.clear();
    if (s != SpStatus::Ok) return report_sp_status(t_, static_cast<int32_t>(s), __FILE__, __LINE__);
    return ZRV_RES_OK;
  }

  ZRVtask_s* t_;
  FileBuffer* fb_;
  const char* filename_;
  Lexer lex_;
  Token tok_[2];
  int ci_ = 0;
  bool ahead_ = false;
  Expr expr_;
  int32_t first_row_ = 0;
  pvec<int64_t> rowptr_;
  pvec<int32_t> rowsub_;
  pvec<double> rowval_;
};

}  // namespace

int32_t lp_read_source(ZRVtask_s* t, FileReadFn read, void* handle, const char* name) {
  FileBuffer fb(&mem(t), read, handle);
  LpReader reader(t, &fb, name);
  return reader.run();
}

int32_t lp_read(ZRVtask_s* t, SysFile* f, const char* filename) {
  return lp_read_source(t, sysfile_read_fn, f, filename);
}

}  // namespace zrv
