// The zip plugin: reads zip archives through libarchive.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "runtime/data/pack_plugin.h"
#include "runtime/data/utf.h"

namespace {

constexpr std::size_t kReadBlockSize = 10240;
constexpr std::size_t kExtractBufferSize = 2097152;

// libarchive converts entry names through the calling thread's locale. A
// process that never called setlocale runs in "C", where every non-ASCII
// name fails to convert and its header read ends in a warning (the walk
// would stop at the first umlaut). Each call into libarchive therefore runs
// under C.UTF-8 on the calling thread only; the process locale is untouched.
class Utf8LocaleScope {
 public:
  Utf8LocaleScope() {
    // Made once and kept for the life of the process.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (utf8) previous_ = uselocale(utf8);
  }
  ~Utf8LocaleScope() {
    if (previous_) uselocale(previous_);
  }
  Utf8LocaleScope(const Utf8LocaleScope&) = delete;
  Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(0);
};

struct ReaderFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ReaderFree>;

struct ZipArchiveState {
  ArchiveReader archive;                  // null after a failed reopen
  std::string fileName;                   // UTF-8, as handed to the system
  int mode = 0;                           // 0 = reading
  archive_entry* currentEntry = nullptr;  // owned by the reader
  bool walkStarted = false;
  int (*setup)(struct archive* reader) = nullptr;
  // Position of the current entry in the walk (0 = first), and whether its
  // data has been read: a second extraction of it must reopen the archive.
  std::int64_t entryIndex = -1;
  bool dataRead = false;
};

int SetupZip(archive* reader) { return archive_read_support_format_zip(reader); }

ZipArchiveState* State(PackerRecord& record) {
  return static_cast<ZipArchiveState*>(record.handle);
}

// A path with an embedded NUL would reach the system cut short and name
// another file.
bool UsablePath(const std::u16string& path) {
  return !path.empty() && path.find(u'\0') == std::u16string::npos;
}

// Opens (or reopens) state.fileName with a fresh reader at the first entry.
bool OpenReader(ZipArchiveState& state) {
  state.archive.reset();
  state.currentEntry = nullptr;
  state.entryIndex = -1;
  state.dataRead = false;
  ArchiveReader reader(archive_read_new());
  if (!reader || state.setup(reader.get()) != ARCHIVE_OK) return false;
  if (archive_read_open_filename(reader.get(), state.fileName.c_str(), kReadBlockSize) !=
      ARCHIVE_OK)
    return false;
  state.archive = std::move(reader);
  return true;
}

bool ReadNextHeader(ZipArchiveState& state) {
  state.currentEntry = nullptr;
  if (!state.archive) return false;
  // Any header read starts a walk, so that Pack_Examine always restarts it.
  state.walkStarted = true;
  archive_entry* entry = nullptr;
  // Warnings (e.g. a name that cannot be converted) end the walk as well.
  if (archive_read_next_header(state.archive.get(), &entry) != ARCHIVE_OK) return false;
  state.currentEntry = entry;
  ++state.entryIndex;
  state.dataRead = false;
  return true;
}

int Examine(ZipArchiveState& state) {
  if (state.walkStarted && !OpenReader(state)) return 0;
  state.currentEntry = nullptr;
  state.entryIndex = -1;
  state.walkStarted = true;
  return 1;
}

// Windows-1252 for 0x80-0x9F; its five unassigned bytes map to the C1
// controls, as Windows does, so that no two names decode alike.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A name stored without a charset: tools on Linux write UTF-8 bytes, tools on
// Windows their ANSI code page. Valid UTF-8 is taken as such.
std::u16string DecodeLegacyName(const std::string& bytes) {
  std::u16string utf16 = Utf8ToUtf16(bytes);
  if (Utf16ToUtf8(utf16) == bytes) return utf16;
  std::u16string ansi;
  ansi.reserve(bytes.size());
  for (unsigned char c : bytes)
    ansi.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : static_cast<char16_t>(c));
  return ansi;
}

std::u16string CurrentName(const ZipArchiveState& state) {
  if (!state.currentEntry) return {};
  Utf8LocaleScope locale;
  if (const char* utf8 = archive_entry_pathname_utf8(state.currentEntry)) return Utf8ToUtf16(utf8);
  if (const char* bytes = archive_entry_pathname(state.currentEntry))
    return DecodeLegacyName(bytes);
  return {};
}

bool FindEntry(ZipArchiveState& state, const std::u16string& name) {
  if (!Examine(state)) return false;
  while (ReadNextHeader(state))
    if (CurrentName(state) == name) return true;
  return false;
}

// Makes the current entry's data readable again after an extraction used it
// up: reopens the archive and walks to the same position.
bool RewindToCurrent(ZipArchiveState& state) {
  const std::int64_t index = state.entryIndex;
  if (!OpenReader(state)) return false;
  state.walkStarted = true;
  while (state.entryIndex < index)
    if (!ReadNextHeader(state)) return false;
  return true;
}

// A new file beside `target`, so that the finished file can be renamed over
// it in one step. Returns the descriptor (or -1) and the name in *name.
int CreateSibling(const std::string& target, std::string* name) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = folder + ".extract-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Streams the current entry's data into a new file beside the target and
// renames it over the target only once every byte is written: neither a
// damaged entry nor a full disk leaves a partial file or harms an old one.
std::int64_t ExtractCurrent(ZipArchiveState& state, const std::string& target) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kExtractBufferSize]);
  if (!buffer) return -1;
  std::string partName;
  const int fd = CreateSibling(target, &partName);
  if (fd < 0) return -1;
  state.dataRead = true;
  std::int64_t total = 0;
  for (;;) {
    const la_ssize_t count =
        archive_read_data(state.archive.get(), buffer.get(), kExtractBufferSize);
    if (count == 0) break;
    if (count < 0 || !WriteAll(fd, buffer.get(), static_cast<std::size_t>(count))) {
      total = -1;
      break;
    }
    total += count;
  }
  if (close(fd) != 0) total = -1;
  if (total >= 0 && std::rename(partName.c_str(), target.c_str()) != 0) total = -1;
  if (total < 0) unlink(partName.c_str());
  return total;
}

// ---- operation slots ----

void ZipClose(PackerRecord& record) {
  delete State(record);
  record.handle = nullptr;
}

int ZipOpenRead(PackerRecord& record, const std::u16string& path) {
  if (!UsablePath(path)) return 0;
  auto state = std::make_unique<ZipArchiveState>();
  state->fileName = Utf16ToUtf8(path);
  state->setup = SetupZip;
  Utf8LocaleScope locale;
  if (!OpenReader(*state)) return 0;
  record.handle = state.release();
  return 1;
}

int ZipExamine(PackerRecord& record) {
  Utf8LocaleScope locale;
  return Examine(*State(record));
}

int ZipNextEntry(PackerRecord& record) {
  Utf8LocaleScope locale;
  return ReadNextHeader(*State(record)) ? 1 : 0;
}

std::u16string ZipEntryName(PackerRecord& record) { return CurrentName(*State(record)); }

int ZipEntryType(PackerRecord& record) {
  const ZipArchiveState& state = *State(record);
  if (!state.currentEntry) return -1;
  return archive_entry_filetype(state.currentEntry) == AE_IFDIR ? 1 : 0;
}

std::int64_t ZipEntrySize(PackerRecord& record, int /*which*/) {
  const ZipArchiveState& state = *State(record);
  return state.currentEntry ? archive_entry_size(state.currentEntry) : -1;
}

std::int64_t ZipExtractToFile(PackerRecord& record, const std::u16string& target,
                              const std::u16string& entryName) {
  ZipArchiveState& state = *State(record);
  if (!UsablePath(target)) return -1;
  Utf8LocaleScope locale;
  if (!entryName.empty()) {
    if (!FindEntry(state, entryName)) return -1;
  } else if (!state.currentEntry || (state.dataRead && !RewindToCurrent(state))) {
    return -1;
  }
  // A folder has no content to write.
  if (archive_entry_filetype(state.currentEntry) == AE_IFDIR) return -1;
  return ExtractCurrent(state, Utf16ToUtf8(target));
}

}  // namespace

const PackerOperations& ZipPackerOperations() {
  static const PackerOperations operations = {
      .close = ZipClose,
      .openRead = ZipOpenRead,
      .addFile = nullptr,
      .addMemory = nullptr,
      .create = nullptr,
      .examine = ZipExamine,
      .entrySize = ZipEntrySize,
      .entryType = ZipEntryType,
      .nextEntry = ZipNextEntry,
      .entryName = ZipEntryName,
      .extractToFile = ZipExtractToFile,
      .extractToMemory = nullptr,
      .reserved = nullptr,
      .compressMemory = nullptr,
      .uncompressMemory = nullptr,
  };
  return operations;
}
