// Lexical rules shared by the LP reader and writer: the characters of a name and the keywords.
#pragma once
#include <cstdint>
#include <string_view>

#include "cpub/ioutils.h"
#include "zirva/problem.h"

struct ZRVtask_s;

namespace zrv {

// Letters, digits and the punctuation !"#$%&/(),.;?@_`'{}|~ .
bool lp_name_char(unsigned char c);

// Keyword classes of a plain (unquoted) name, case-insensitive.
enum class LpKeyword : int32_t {
  None,
  Bounds,    // bound, bounds
  SuchThat,  // s.t., st (and "subject"/"subj" when "to" follows)
  Subject,   // subject, subj: a keyword only together with a following "to"
  Infinity,  // infinity, inf
  Binary,    // bin, binary, binaries
  General,   // gen, general, generals, integer, integers
  Minimize,  // min, minimize, minimum
  Maximize,  // max, maximize, maximum
  End,       // end
  Free,      // free (bounds section)
};
LpKeyword lp_keyword(std::string_view s);

// True when `name` can be written as it is: not empty, every character a name character, the first neither a
// digit, nor ".", nor a double quote. Variables must in addition not spell a keyword (they may stand where the
// reader looks for one); constraint and objective names are written as labels and may.
bool lp_name_writable(std::string_view name, bool variable);

// The LP reader over any source of bytes (lp_read hands it the open file); `name` is for messages.
int32_t lp_read_source(ZRVtask_s* t, FileReadFn read, void* handle, const char* name);


}  // namespace zrv
