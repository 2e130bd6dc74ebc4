// The file object record and the buffer primitives shared by the file_*.cpp
// sources. Not for use outside this library.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/data/file.h"
#include "runtime/data/locked_fd.h"
#include "runtime/data/object_table.h"

inline constexpr std::int32_t kBufferRead = 1;   // buffer holds read-ahead (or nothing)
inline constexpr std::int32_t kBufferWrite = 0;  // buffer holds bytes not yet written

struct FileRecord {
  LockedFd handle;
  // The I/O buffer; when it cannot be had, `spare` stands in and the file
  // counts as unbuffered (File_AtEnd then answers -1 at the end).
  std::unique_ptr<unsigned char[]> buffer;
  unsigned char spare[8] = {};
  bool unbuffered = false;
  std::int32_t capacity = 0;
  // Read mode: unread bytes, which end at `fill`. Write mode: free room;
  // the pending bytes are buffer[0, capacity - count).
  std::int32_t count = 0;
  std::int32_t fill = 0;
  std::int32_t mode = kBufferRead;
  std::int64_t textFormat = kTextUtf8;
  bool readOnly = false;
  // A write lost bytes (a direct one, a flush, or a flush made on the way to
  // a read or a query); File_Flush reports it from then on, as those bytes
  // never reached the file.
  bool writeFailed = false;
  // A read failed with an error (not the end): reading stops as at the end,
  // and File_Error says so from then on.
  bool readFailed = false;
  // The descriptor's offset, kept here so that File_Position needs no system
  // call (the loader asks after every line).
  std::int64_t offset = 0;

  unsigned char* data() { return unbuffered ? spare : buffer.get(); }
  const unsigned char* unread() { return data() + (fill - count); }
  void consume(std::int32_t n) { count -= n; }
};

// The file table; its free callback is File_Close.
ObjectTable<FileRecord>& FileTable();
// The live record of a file number, or nullptr. Line reading looks a file up
// once or twice per line, so the last answer is kept per thread and trusted
// until any file is opened or closed.
FileRecord* FindFile(ObjectHandle number);

// Writes the pending bytes of write mode and switches to (empty) read mode.
bool FlushPending(FileRecord& file);
// Makes at least `want` unread bytes contiguous in the buffer when the file
// has them (want <= 4): keeps the unread bytes, moving them to the front, and
// reads more behind them. Returns the unread count (< want only at the end).
std::int32_t FillAtLeast(FileRecord& file, std::int32_t want);
// The buffered read of n bytes; fewer only at the end of the file.
std::int64_t ReadBuffered(FileRecord& file, unsigned char* dest, std::int64_t n);
// read(2) until n bytes or the end; errors count as the end (and set
// *failed when given).
std::int64_t ReadFully(int fd, unsigned char* dest, std::int64_t n, bool* failed = nullptr);
// The same on a file: advances its offset and marks a failed read.
std::int64_t ReadFully(FileRecord& file, unsigned char* dest, std::int64_t n);
