// Opening, closing and the state queries of file objects.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <new>

#include "runtime/data/file_record.h"
#include "runtime/data/utf.h"

ObjectTable<FileRecord>& FileTable() {
  static ObjectTable<FileRecord> table(16, 16, File_Close);
  return table;
}

namespace {

// Counts opens and closes; a cached lookup is valid while it is unchanged.
std::atomic<std::uint64_t> gTableGeneration{0};

struct CachedLookup {
  ObjectHandle number = 0;
  FileRecord* record = nullptr;
  std::uint64_t generation = ~std::uint64_t{0};
};
// Each thread's own last lookup.
thread_local CachedLookup tLastLookup;

void TableChanged() { gTableGeneration.fetch_add(1, std::memory_order_acq_rel); }

// Takes the slot first (closing a file that holds a fixed number), then
// opens; a failed open gives the slot back.
ObjectHandle OpenInto(ObjectHandle number, const std::u16string& path, int flags, bool truncate,
                      bool readOnly, int retryFlags = 0) {
  if (path.empty()) return 0;
  const std::string native = PathToSystem(path);
  auto& table = FileTable();
  std::lock_guard lock(table.Mutex());
  TableChanged();
  ObjectHandle assigned = 0;
  FileRecord* file = table.Allocate(number, &assigned);
  if (!file) return 0;
  file->handle = LockedFd::Open(native, flags, FileShare::kExclusive, truncate);
  if (!file->handle && retryFlags)
    file->handle = LockedFd::Open(native, retryFlags, FileShare::kExclusive, truncate);
  if (!file->handle) {
    table.Release(assigned);
    TableChanged();
    return 0;
  }
  // A fresh record: every other field (positions, mode, text format, the
  // sticky read and write failures) starts at its default.
  file->buffer.reset(new (std::nothrow) unsigned char[kFileBufferSize]);
  file->unbuffered = !file->buffer;
  file->capacity =
      file->unbuffered ? static_cast<std::int32_t>(sizeof file->spare) : kFileBufferSize;
  file->readOnly = readOnly;
  return ObjectTable<FileRecord>::CreateResult(number, assigned, file->handle.fd());
}

}  // namespace

FileRecord* FindFile(ObjectHandle number) {
  const std::uint64_t generation = gTableGeneration.load(std::memory_order_acquire);
  CachedLookup& last = tLastLookup;
  if (last.record && last.number == number && last.generation == generation) return last.record;
  FileRecord* record = FileTable().Find(number);
  last = {number, record, generation};
  return record;
}

ObjectHandle File_OpenRead(ObjectHandle file, const std::u16string& path) {
  return OpenInto(file, path, O_RDONLY, false, true);
}

ObjectHandle File_Create(ObjectHandle file, const std::u16string& path) {
  // A file we may write but not read can still be created (emptied).
  return OpenInto(file, path, O_RDWR | O_CREAT, true, false, O_WRONLY | O_CREAT);
}

ObjectHandle File_Open(ObjectHandle file, const std::u16string& path) {
  return OpenInto(file, path, O_RDWR | O_CREAT, false, false);
}

void File_Close(ObjectHandle number) {
  auto& table = FileTable();
  if (number == KX_Any) {
    table.FreeAll();
    return;
  }
  std::lock_guard lock(table.Mutex());
  FileRecord* file = table.Find(number);
  if (!file) return;
  FlushPending(*file);
  TableChanged();
  table.Release(number);  // closes the descriptor and frees the buffer
}

std::int64_t File_Length(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  if (!file) return -1;
  FlushPending(*file);
  struct stat info;
  if (::fstat(file->handle.fd(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

std::int64_t File_IsDevice(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  struct stat info;
  if (!file || ::fstat(file->handle.fd(), &info) != 0) return 0;
  return S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? 1 : 0;
}

std::int64_t File_AtEnd(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  if (!file) return 0;
  if (file->mode == kBufferRead && file->count > 0) return 0;
  if (FillAtLeast(*file, 1) > 0) return 0;
  return file->unbuffered ? -1 : 1;
}

std::int64_t File_Position(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  if (!file) return -1;
  if (file->mode == kBufferWrite) return file->offset + (file->capacity - file->count);
  return file->offset - file->count;
}

std::int64_t File_Error(ObjectHandle number) {
  FileRecord* file = FindFile(number);
  return file && file->readFailed ? 1 : 0;
}

std::int64_t File_Seek(ObjectHandle number, std::int64_t position) {
  FileRecord* file = FindFile(number);
  if (!file || position < 0) return 0;
  const bool flushed = FlushPending(*file);
  file->count = 0;  // read-ahead belongs to the old position
  file->fill = 0;
  const off_t moved = ::lseek(file->handle.fd(), position, SEEK_SET);
  if (moved >= 0) file->offset = moved;
  return flushed && moved == position ? 1 : 0;
}
