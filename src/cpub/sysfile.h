// The library's buffered file layer: plain or gzip files with a 16384-byte buffer and a sticky status word.
// Every call takes the status and does nothing when it is already non-zero, so a sequence of calls needs one test
// at its end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory_resource>

namespace zrv {

enum SysFileStatus : int32_t {
  SYSFILE_OK = 0,
  SYSFILE_SPACE = 1,      // out of memory
  SYSFILE_OPEN = 2,       // the file cannot be opened
  SYSFILE_READ = 3,       // read failure
  SYSFILE_EOF = 4,        // end of file
  SYSFILE_WRITE = 5,      // write failure (fewer bytes written than pending)
  SYSFILE_MODE = 6,       // operation does not fit the open mode (reading a file opened for writing, bad flags)
  SYSFILE_REWIND = 7,     // rewind failed
  SYSFILE_LEAK = 8,       // memory leak detected
  SYSFILE_BAD_NAME = 9,   // the name is null, empty or not valid UTF-8
};

// Response code for a file-layer status (ZRV_RES_OK, ZRV_RES_ERR_SPACE, ZRV_RES_ERR_FILE_OPEN, ...).
int32_t sysfile_rescode(int32_t status);

struct SysFile;  // opaque

constexpr size_t SYSFILE_BUFFER_SIZE = 16384;

// Opens `name` (UTF-8); the record and its buffer come from `mem` (its owner's memory manager). Exactly one of read/write; append only with write; gzip selects zlib's gz stream with the
// given compression level (0-9, -1 default). On failure *out is null and status is set.
void sysfile_open(std::pmr::memory_resource* mem, const char* name, bool read, bool write, bool append, bool gzip, int level, SysFile** out,
                  int32_t* status);
// Flushes (when writing) and closes; safe on null. Returns the status of the final flush/close (0 on success),
// and also merges it into *status when status is not null.
int32_t sysfile_close(SysFile** f, int32_t* status);
void sysfile_flush(SysFile* f, int32_t* status);
void sysfile_rewind(SysFile* f, int32_t* status);
// Reads up to n bytes; *got receives the count. End of file with nothing read sets SYSFILE_EOF.
void sysfile_read(SysFile* f, void* buf, size_t n, size_t* got, int32_t* status);
// Reads one line (without its "\n"; a "\r" before it is kept) into `line`, 0-terminated, growing it as needed.
// *line/*cap start as null/0 or as a block from an earlier call; the block comes from the file's memory resource
// (default alignment) and is released with sysfile_line_free. End of file with nothing read sets SYSFILE_EOF.
void sysfile_readline(SysFile* f, char** line, size_t* cap, size_t* len, int32_t* status);
// Releases a line block of sysfile_readline (the resource is the one given to sysfile_open); safe on null.
void sysfile_line_free(std::pmr::memory_resource* mem, char** line, size_t* cap);
void sysfile_write(SysFile* f, const void* buf, size_t n, int32_t* status);
void sysfile_puts(SysFile* f, const char* s, int32_t* status);
bool sysfile_is_gzip(const SysFile* f);

}  // namespace zrv
