// Pieces shared by the MPS reader and writer and the branch priority files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cpub/sysfile.h"
#include "zirva/problem.h"

struct ZRVtask_s;

namespace zrv {

class MpsTokenizer;

// Lines of an open file for the MPS tokenizer, read through the file layer in chunks.
struct MpsLineSource {
  SysFile* file = nullptr;
  int32_t status = 0;
  bool eof = false;
  size_t pos = 0, fill = 0;
  char chunk[16384];
};
// The tokenizer's read-line function over an MpsLineSource.
int mps_source_read(void* data, char* out, size_t cap, size_t* len);

// The MPS reader over any source of lines (mps_read gives it the file's lines).
int32_t mps_read_lines(ZRVtask_s* t, int (*read)(void*, char*, size_t, size_t*), void* data, int32_t flavour);

// Log lines of reading and writing are printed when ZRV_IPAR_LOG and ZRV_IPAR_LOG_FILE are positive.
bool mps_log_lines(const ZRVtask_s* t);
// Reports the response code of a failed tokenizer read.
int32_t mps_tokenizer_failure(ZRVtask_s* t, const MpsTokenizer& tok, int32_t status);
// The two lines on the error stream that place a reader error: line number and line text.
void mps_error_position(ZRVtask_s* t, const MpsTokenizer& tok);
// Raised at the beginning and the end of reading (ZRV_CALLBACK_BEGIN_READ / END_READ).
int32_t mps_read_progress_hook(ZRVtask_s* t, int32_t code);

// Quadratic terms and cones as the reader hands them to the task.
int32_t mps_store_quadratic(ZRVtask_s* t, int32_t row, const pvec<int32_t>& subi, const pvec<int32_t>& subj,
                            const pvec<double>& val);
int32_t mps_store_objective_quadratic(ZRVtask_s* t, const pvec<int32_t>& subi, const pvec<int32_t>& subj,
                                      const pvec<double>& val);
int32_t mps_store_cone(ZRVtask_s* t, int32_t type, double par, const pvec<int32_t>& members, const std::string& name);

// A number as the writer prints it: "0" for zero, otherwise the shortest digits that read back as the value,
// at most precision + 1 significant digits (correctly rounded), in the form [-]d[.ddd]e(+|-)x. Returns the length;
// out needs 40 bytes.
size_t mps_format_number(double v, int32_t precision, char* out);

}  // namespace zrv
