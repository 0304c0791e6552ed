// Task parameters: access helpers used inside the library.
#pragma once
#include <cstdint>

struct ZRVtask_s;

namespace zrv {

// Copies every integer and double default and a copy of each default string into the task; a failed string copy
// is reported as out of space and the copying goes on. Returns the first failure's code.
int32_t copy_default_parameters(ZRVtask_s* t);

// String parameter value, never null ("" when unset).
const char* spar_value(const ZRVtask_s* t, int32_t id);

// Reads a double as putparam does: one character must be a digit; a longer text must convert up to its end or to
// a blank. Returns false when the text does not read.
bool parse_param_double(const char* text, double* value);
// Reads an integer as putparam does: a decimal integer ending at the end or at a blank (empty reads as 0), or the
// name of a symbolic constant. Returns false when neither reads.
bool parse_param_int(const char* text, int32_t* value);

}  // namespace zrv
