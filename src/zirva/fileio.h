// The data file layer and the format readers and writers behind it. A reader gets an open file and an emptied
// task and builds the problem through the task's data operations; a writer gets an open file and reads the task
// through its getters.
#pragma once
#include <cstdint>

#include "cpub/sysfile.h"

struct ZRVtask_s;

namespace zrv {

// Extension rule: the tail of the name from the last "." after the last "/" or "\\"; an outer ".gz" means gzip
// and the extension before it picks the format; an unknown or missing extension means MPS.
void format_from_name(const char* name, int32_t* format, bool* gzip);

// Empties the task of its problem (constraints, variables, matrix, objective, quadratic terms, cones, matrix
// variables, names, solutions); parameters and the task's other settings stay.
int32_t clear_problem(ZRVtask_s* t);

// Format readers and writers (filename is for messages).
int32_t mps_read(ZRVtask_s* t, SysFile* f, const char* filename, int32_t flavour);
int32_t mps_write(ZRVtask_s* t, SysFile* f, bool generic_names, bool free_format);
int32_t lp_read(ZRVtask_s* t, SysFile* f, const char* filename);
int32_t lp_write(ZRVtask_s* t, SysFile* f, bool generic_names);

}  // namespace zrv
