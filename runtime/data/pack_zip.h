// Inside the zip plugin: the per-archive state its reading and writing
// halves share. Not for use outside the plugin.
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/data/atomic_file.h"
#include "runtime/data/pack_plugin.h"

inline constexpr std::size_t kZipCopyBufferSize = 2097152;

// libarchive converts entry names through the calling thread's locale. A
// process that never called setlocale runs in "C", where every non-ASCII
// name fails to convert and its header read ends in a warning (the walk
// would stop at the first umlaut). Each call into libarchive therefore runs
// under C.UTF-8 on the calling thread only; the process locale is untouched.
class Utf8LocaleScope {
 public:
  Utf8LocaleScope();
  ~Utf8LocaleScope();
  Utf8LocaleScope(const Utf8LocaleScope&) = delete;
  Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(0);
};

struct ZipReaderFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
struct ZipWriterFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};
struct ZipEntryFree {
  void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using ZipReader = std::unique_ptr<archive, ZipReaderFree>;
using ZipWriter = std::unique_ptr<archive, ZipWriterFree>;
using ZipEntry = std::unique_ptr<archive_entry, ZipEntryFree>;

struct ZipArchiveState {
  int mode = 0;          // 0 = reading, 1 = writing
  std::string fileName;  // UTF-8, as handed to the system

  // Reading.
  ZipReader reader;                       // null after a failed reopen
  archive_entry* currentEntry = nullptr;  // owned by the reader
  bool walkStarted = false;
  int (*setup)(archive* reader) = nullptr;
  // Position of the current entry in the walk (0 = first), and whether its
  // data has been read: a second extraction of it must reopen the archive.
  std::int64_t entryIndex = -1;
  bool dataRead = false;

  // Writing: the archive grows in a new file that takes fileName's place
  // only when it is complete.
  // `file` comes first so that it outlives the writer, which may still write
  // to its descriptor when it is freed.
  std::unique_ptr<AtomicFile> file;
  ZipWriter writer;
  bool writeFailed = false;  // an entry went out incomplete
};

inline ZipArchiveState* ZipState(PackerRecord& record) {
  return static_cast<ZipArchiveState*>(record.handle);
}

// A path with an embedded NUL would reach the system cut short and name
// another file.
bool ZipUsablePath(const std::u16string& path);

// Slots 2-4 (pack_zip_write.cpp) and the writer's part of closing.
int ZipCreate(PackerRecord& record, const std::u16string& path, int level);
int ZipAddFile(PackerRecord& record, const std::u16string& file, const std::u16string& name);
int ZipAddMemory(PackerRecord& record, const void* data, std::int64_t size,
                 const std::u16string& name);
void ZipFinishWriting(ZipArchiveState& state);

// Slots 13 and 14 (pack_zlib.cpp).
std::int64_t ZlibCompress(const void* in, std::int64_t inSize, void* out, std::int64_t outSize,
                          int level);
std::int64_t ZlibUncompress(const void* in, std::int64_t inSize, void* out, std::int64_t outSize);
