// The MPS line tokenizer: reads the lines of an MPS file (or of a branch priority file), recognises section
// headers and cuts data lines into their six fields, in strict fixed columns, relaxed fixed columns (a field that
// runs past its last column pushes the following ones along) or free (blank-separated) fields.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>

namespace zrv {

// Sections in their required order; the value is the rank used by the order check.
enum MpsSection : int32_t {
  MPS_SEC_NAME = 0,
  MPS_SEC_OBJSENSE = 1,
  MPS_SEC_OBJNAME = 2,
  MPS_SEC_ROWS = 3,
  MPS_SEC_COLUMNS = 4,
  MPS_SEC_RHS = 5,
  MPS_SEC_RANGES = 6,
  MPS_SEC_BOUNDS = 7,
  MPS_SEC_SETS = 8,
  MPS_SEC_QUADOBJ = 9,
  MPS_SEC_QSECTION = 10,
  MPS_SEC_CSECTION = 11,
  MPS_SEC_ENDATA = 12,
  MPS_SEC_COUNT = 13,
  MPS_SEC_NONE = -1,
};

const char* mps_section_name(int32_t section);

// Status of a header or data read.
enum MpsStatus : int32_t {
  MPS_ST_DATA = 0,         // a data line; the fields are filled
  MPS_ST_HEADER = 1,       // the next line is a section header (kept for next_header)
  MPS_ST_READ = 2,         // read failure
  MPS_ST_SECTION = 3,      // a header whose keyword is not a section name
  MPS_ST_EMPTY = 4,        // an empty (or all blank) line
  MPS_ST_FIELD1 = 5,       // bad first field
  MPS_ST_FIELD2 = 6,       // fields 2..6 malformed: 6..10
  MPS_ST_FIELD6 = 10,
  MPS_ST_LINE = 11,        // otherwise malformed line (NUL byte, stray text, too many fields, open quote)
  MPS_ST_LONG = 12,        // a line longer than the width
  MPS_ST_TAB2 = 13,        // a tab in field 2, 3 or 5 of a fixed-column line
  MPS_ST_TAB3 = 14,
  MPS_ST_TAB5 = 15,
  MPS_ST_EOF = 16,         // end of file
  MPS_ST_LINE_GENERAL = 17,  // internal: the line needs the general cutter
};

// Flavours (the values of the ZRV_MPS_FORMAT_ constants).
enum MpsFlavour : int32_t { MPS_STRICT = 0, MPS_RELAXED = 1, MPS_FREE = 2 };

// Reads one line without its "\n" into buf (room for cap bytes including a terminating NUL).
// Returns 0 for a line, 1 at end of file, 2 on a read failure, 3 when the line did not fit (the rest of it is
// consumed; buf holds the first cap-1 bytes).
using MpsReadLine = int (*)(void* data, char* buf, size_t cap, size_t* len);

// Fields of a data line: index 0..5 stands for fields 1..6. Texts view the tokenizer's line buffer and stay
// valid until the next read; 16 bytes from the start of every text can be loaded (the buffer is padded). Fields 4 and 6 (index 3 and 5) carry their number when present.
struct MpsFields {
  std::string_view text[6];
  double num[6] = {};
  bool has(int k) const { return !text[k].empty(); }
};

class MpsTokenizer {
 public:
  // width: longest line accepted. Free flavour only: quoted names (a name field that starts with a double quote
  // runs to the closing one and may hold blanks).
  MpsTokenizer(std::pmr::memory_resource* mem, int32_t flavour, bool quoted_names, int64_t width, MpsReadLine read,
               void* data);
  ~MpsTokenizer();
  MpsTokenizer(const MpsTokenizer&) = delete;
  MpsTokenizer& operator=(const MpsTokenizer&) = delete;

  // Skips comments, empty lines and (when skip_data) data lines, then reads a section header: *section gets its
  // rank. Returns MPS_ST_DATA on success, MPS_ST_LINE for a data line where a header was expected, or a failure.
  int32_t next_header(int32_t* section, bool skip_data = false);
  // Reads the next line of the current section: MPS_ST_DATA with the fields cut, MPS_ST_HEADER when a header
  // follows, MPS_ST_EMPTY, or a failure status. Comments are skipped.
  int32_t next_data(MpsFields* f);
  // The argument of the current header: the text after the keyword (NAME), or fields 3, 4 and 5 of the header
  // line (QSECTION, CSECTION) in hdr->text[2..4], with the number of field 4.
  std::string_view header_text() const { return header_text_; }
  const MpsFields& header_fields() const { return header_; }
  int32_t header_status() const { return header_status_; }

  // Branch priority layout: field 1 in columns 2-3, field 2 (a name) from column 5 with the given width, field 3
  // two columns after it. Applies to the fixed flavours.
  void set_branch_layout(int32_t name_width);

  int64_t line_number() const { return lineno_; }
  const char* line_text() const { return line_ ? line_ : ""; }
  bool out_of_memory() const { return oom_; }

 private:
  int32_t read_line();
  int32_t classify_header(int32_t* section);
  int32_t cut_fixed(size_t from_field, MpsFields* f);
  int32_t cut_fixed_short(MpsFields* f);
  int32_t cut_free(MpsFields* f, bool header_args);
  int32_t cut_words(MpsFields* f);
  int32_t parse_numbers(MpsFields* f, size_t first_field);

  std::pmr::memory_resource* mem_;
  int32_t flavour_;
  bool quoted_;
  size_t width_;
  MpsReadLine read_;
  void* data_;
  // Bytes after the line buffer's capacity: 64 bytes from the start of the line, and 16 bytes from any position
  // within it, can always be loaded as words.
  static constexpr size_t LINE_PAD = 64;
  char* line_ = nullptr;     // current line, NUL-terminated
  size_t cap_ = 0;           // bytes of line_ (LINE_PAD more are allocated)
  size_t len_ = 0;
  char* scratch_ = nullptr;  // number texts with blanks removed
  size_t scratch_cap_ = 0;
  int64_t lineno_ = 0;
  bool pending_ = false;     // the current line is a header not yet handed out
  bool oom_ = false;
  int32_t section_ = MPS_SEC_NONE;
  bool branch_ = false;
  size_t start_[6], end_[6];  // fixed columns, 0-based, end exclusive
  std::string_view header_text_;
  MpsFields header_;
  int32_t header_status_ = MPS_ST_DATA;
};

// Parses a number field: blanks are dropped, "D"/"d" is an exponent marker, the whole text must be a decimal
// number. Overflow fails; underflow gives the nearest representable value. scratch needs text.size() + 1 bytes.
bool mps_parse_number(std::string_view text, char* scratch, double* value);

}  // namespace zrv
