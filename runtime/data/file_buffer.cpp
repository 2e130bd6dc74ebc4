// The 4096-byte buffer under every read and write.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/data/file_record.h"

namespace {

bool WriteFully(FileRecord& file, const unsigned char* data, std::int64_t n) {
  while (n > 0) {
    const ssize_t written = ::write(file.handle.fd(), data, static_cast<std::size_t>(n));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    file.offset += written;
    data += written;
    n -= written;
  }
  return true;
}

// Enters write mode. Read-ahead is given back to the system first, so that
// bytes land at the logical position rather than behind the buffered ones.
bool EnterWriteMode(FileRecord& file) {
  if (file.mode == kBufferWrite) return true;
  if (file.count > 0) {
    const off_t back = ::lseek(file.handle.fd(), -file.count, SEEK_CUR);
    if (back < 0) return false;
    file.offset = back;
  }
  file.mode = kBufferWrite;
  file.count = file.capacity;
  file.fill = 0;
  return true;
}

}  // namespace

std::int64_t ReadFully(int fd, unsigned char* dest, std::int64_t n, bool* failed) {
  std::int64_t total = 0;
  while (total < n) {
    const ssize_t got = ::read(fd, dest + total, static_cast<std::size_t>(n - total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && failed) *failed = true;
    if (got <= 0) break;
    total += got;
  }
  return total;
}

std::int64_t ReadFully(FileRecord& file, unsigned char* dest, std::int64_t n) {
  bool failed = false;
  const std::int64_t got = ReadFully(file.handle.fd(), dest, n, &failed);
  file.offset += got;
  if (failed) file.readFailed = true;
  return got;
}

bool FlushPending(FileRecord& file) {
  if (file.mode != kBufferWrite) return true;
  const std::int32_t pending = file.capacity - file.count;
  const bool ok = WriteFully(file, file.data(), pending);
  if (!ok) file.writeFailed = true;
  file.mode = kBufferRead;
  file.count = 0;
  file.fill = 0;
  return ok;
}

std::int32_t FillAtLeast(FileRecord& file, std::int32_t want) {
  if (file.mode == kBufferWrite) FlushPending(file);
  if (file.count >= want) return file.count;
  unsigned char* data = file.data();
  // Keep the unread tail: a unit split across the buffer edge becomes whole.
  if (file.count > 0) std::memmove(data, data + (file.fill - file.count), file.count);
  file.fill = file.count;
  while (file.count < want && file.fill < file.capacity) {
    const ssize_t got = ::read(file.handle.fd(), data + file.fill,
                               static_cast<std::size_t>(file.capacity - file.fill));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) file.readFailed = true;  // reads as the end; File_Error tells
    if (got <= 0) break;
    file.offset += got;
    file.fill += static_cast<std::int32_t>(got);
    file.count += static_cast<std::int32_t>(got);
  }
  return file.count;
}

std::int64_t ReadBuffered(FileRecord& file, unsigned char* dest, std::int64_t n) {
  if (file.mode == kBufferWrite) FlushPending(file);
  std::int64_t done = std::min<std::int64_t>(file.count, n);
  std::memcpy(dest, file.unread(), static_cast<std::size_t>(done));
  file.consume(static_cast<std::int32_t>(done));
  const std::int64_t rest = n - done;
  if (rest == 0) return done;
  // Large requests go straight to the system.
  if (rest >= file.capacity) return done + ReadFully(file, dest + done, rest);
  const std::int64_t take =
      std::min<std::int64_t>(rest, FillAtLeast(file, static_cast<std::int32_t>(rest)));
  std::memcpy(dest + done, file.unread(), static_cast<std::size_t>(take));
  file.consume(static_cast<std::int32_t>(take));
  return done + take;
}

std::int64_t File_ReadData(ObjectHandle number, void* data, std::int64_t size) {
  FileRecord* file = FindFile(number);
  if (!file || !data || size <= 0) return 0;
  return ReadBuffered(*file, static_cast<unsigned char*>(data), size);
}

std::int64_t File_WriteData(ObjectHandle number, const void* data, std::int64_t size) {
  FileRecord* file = FindFile(number);
  if (!file || file->readOnly || !data || size < 0) return 0;
  if (size == 0) return 0;
  // Every way a write can fail is remembered, so that File_Flush reports the
  // loss however the bytes were meant to travel.
  const auto failed = [file] {
    file->writeFailed = true;
    return std::int64_t{0};
  };
  if (!EnterWriteMode(*file)) return failed();
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (size > file->count) {
    if (!FlushPending(*file) || !EnterWriteMode(*file)) return failed();
    // Large writes bypass the buffer.
    if (size >= file->capacity) return WriteFully(*file, bytes, size) ? size : failed();
  }
  std::memcpy(file->data() + (file->capacity - file->count), bytes, static_cast<std::size_t>(size));
  file->count -= static_cast<std::int32_t>(size);
  return size;
}

std::int64_t File_Flush(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  return file && FlushPending(*file) && !file->writeFailed ? 1 : 0;
}
