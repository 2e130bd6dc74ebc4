// The zip plugin over libarchive: opening, walking and extracting, and the
// plugin's operation table.
#include "runtime/data/pack_zip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "runtime/data/atomic_file.h"
#include "runtime/data/cp437.h"
#include "runtime/data/utf.h"

Utf8LocaleScope::Utf8LocaleScope() {
  // Made once and kept for the life of the process.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8) previous_ = uselocale(utf8);
}

Utf8LocaleScope::~Utf8LocaleScope() {
  if (previous_) uselocale(previous_);
}

bool ZipUsablePath(const std::u16string& path) {
  return !path.empty() && path.find(u'\0') == std::u16string::npos;
}

namespace {

constexpr std::size_t kReadBlockSize = 10240;

int SetupZip(archive* reader) { return archive_read_support_format_zip(reader); }

// Opens (or reopens) state.fileName with a fresh reader at the first entry.
bool OpenReader(ZipArchiveState& state) {
  state.reader.reset();
  state.currentEntry = nullptr;
  state.entryIndex = -1;
  state.dataRead = false;
  ZipReader reader(archive_read_new());
  if (!reader || state.setup(reader.get()) != ARCHIVE_OK) return false;
  if (archive_read_open_filename(reader.get(), state.fileName.c_str(), kReadBlockSize) !=
      ARCHIVE_OK)
    return false;
  state.reader = std::move(reader);
  return true;
}

bool ReadNextHeader(ZipArchiveState& state) {
  state.currentEntry = nullptr;
  if (!state.reader) return false;
  // Any header read starts a walk, so that Pack_Examine always restarts it.
  state.walkStarted = true;
  archive_entry* entry = nullptr;
  // Warnings (e.g. a name that cannot be converted) end the walk as well.
  if (archive_read_next_header(state.reader.get(), &entry) != ARCHIVE_OK) return false;
  state.currentEntry = entry;
  ++state.entryIndex;
  state.dataRead = false;
  return true;
}

int Examine(ZipArchiveState& state) {
  if (state.mode != 0) return 0;
  if (state.walkStarted && !OpenReader(state)) return 0;
  state.currentEntry = nullptr;
  state.entryIndex = -1;
  state.walkStarted = true;
  return 1;
}

// A name stored without the UTF-8 flag: tools on Linux write UTF-8 bytes
// anyway, desktop archivers the zip format's own code page, IBM 437. Valid
// UTF-8 is taken as such (a 437 name with two or more letters beyond ASCII
// rarely happens to be valid UTF-8).
std::u16string DecodeLegacyName(const std::string& bytes) {
  std::u16string utf16 = Utf8ToUtf16(bytes);
  if (Utf16ToUtf8(utf16) == bytes) return utf16;
  return Cp437ToUtf16(bytes);
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

// Makes the entry to extract current: the one called `name`, or for an empty
// name the current one. Folders have no content and are refused.
bool SelectEntry(ZipArchiveState& state, const std::u16string& name) {
  if (state.mode != 0) return false;
  if (!name.empty()) {
    if (!FindEntry(state, name)) return false;
  } else if (!state.currentEntry || (state.dataRead && !RewindToCurrent(state))) {
    return false;
  }
  return archive_entry_filetype(state.currentEntry) != AE_IFDIR;
}

// The size the current entry's header declares, or -1 when it has none
// (streamed entries may carry their size behind the data).
std::int64_t DeclaredSize(const ZipArchiveState& state) {
  if (!archive_entry_size_is_set(state.currentEntry)) return -1;
  const std::int64_t size = archive_entry_size(state.currentEntry);
  return size >= 0 ? size : -1;
}

// A scratch file (PackWrite::kScratch): overwritten in place and cut to
// its new length at the end, never synced. ext4 makes each of many files
// made and deleted in a row cost more (a new inode passes over the recently
// deleted ones), and writes a file emptied by a truncation back at its
// close (and discards its freed blocks): overwriting does neither. A failed
// write removes the file, so nothing partial is read.
class ScratchFile {
 public:
  explicit ScratchFile(const std::u16string& path) : path_(PathToSystem(path)) {
    fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  }
  ~ScratchFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  int fd() const { return fd_; }
  bool Write(const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
      written_ += n;
    }
    return true;
  }
  bool Commit() {
    committed_ = ftruncate(fd_, written_) == 0;
    if (close(fd_) != 0) committed_ = false;
    fd_ = -1;
    return committed_;
  }

 private:
  std::string path_;
  int fd_ = -1;
  off_t written_ = 0;
  bool committed_ = false;
};

// Streams the current entry's data into a new file that takes the target's
// place only once every byte is written and synced: neither a damaged or
// lying entry, a full disk nor a kill leaves a partial file or harms an old
// one. An entry may not expand beyond its declared size: reading one byte
// past it is enough to tell, so a small entry that inflates to gigabytes
// costs no more than its declared size on disk.
template <class Target>
std::int64_t ExtractCurrent(ZipArchiveState& state, const std::u16string& target) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kZipCopyBufferSize]);
  if (!buffer) return -1;
  Target file(target);
  if (file.fd() < 0) return -1;
  state.dataRead = true;
  const std::int64_t declared = DeclaredSize(state);
  std::int64_t total = 0;
  for (;;) {
    std::size_t want = kZipCopyBufferSize;
    // total never passes declared, so what is left cannot overflow (an
    // entry may declare up to 2^63 - 1 bytes); one byte more is added only
    // to a small remainder.
    const std::int64_t left = declared - total;
    if (declared >= 0 && left < static_cast<std::int64_t>(want))
      want = static_cast<std::size_t>(left) + 1;
    const la_ssize_t count = archive_read_data(state.reader.get(), buffer.get(), want);
    if (count == 0) break;
    if (count < 0) return -1;
    if (declared >= 0 && count > left) return -1;
    if (!file.Write(buffer.get(), static_cast<std::size_t>(count))) return -1;
    total += count;
  }
  if (declared >= 0 && total != declared) return -1;  // the data ended early
  return file.Commit() ? total : -1;
}

// ---- operation slots ----

void ZipClose(PackerRecord& record) {
  ZipArchiveState* state = ZipState(record);
  if (state->mode == 1) ZipFinishWriting(*state);
  delete state;
  record.handle = nullptr;
}

int ZipOpenRead(PackerRecord& record, const std::u16string& path) {
  if (!ZipUsablePath(path)) return 0;
  // A device may never end (a disk, /dev/zero): no archive is read from one.
  struct stat info;
  if (stat(PathToSystem(path).c_str(), &info) == 0 &&
      (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)))
    return 0;
  auto state = std::make_unique<ZipArchiveState>();
  state->fileName = PathToSystem(path);
  state->setup = SetupZip;
  Utf8LocaleScope locale;
  if (!OpenReader(*state)) return 0;
  record.handle = state.release();
  return 1;
}

int ZipExamine(PackerRecord& record) {
  Utf8LocaleScope locale;
  return Examine(*ZipState(record));
}

int ZipNextEntry(PackerRecord& record) {
  Utf8LocaleScope locale;
  return ReadNextHeader(*ZipState(record)) ? 1 : 0;
}

std::u16string ZipEntryName(PackerRecord& record) { return CurrentName(*ZipState(record)); }

int ZipEntryType(PackerRecord& record) {
  const ZipArchiveState& state = *ZipState(record);
  if (!state.currentEntry) return -1;
  return archive_entry_filetype(state.currentEntry) == AE_IFDIR ? 1 : 0;
}

std::int64_t ZipEntrySize(PackerRecord& record, int /*which*/) {
  const ZipArchiveState& state = *ZipState(record);
  return state.currentEntry ? archive_entry_size(state.currentEntry) : -1;
}

std::int64_t ZipExtractToFile(PackerRecord& record, const std::u16string& target,
                              const std::u16string& entryName, bool durable) {
  ZipArchiveState& state = *ZipState(record);
  if (!ZipUsablePath(target)) return -1;
  Utf8LocaleScope locale;
  if (!SelectEntry(state, entryName)) return -1;
  return durable ? ExtractCurrent<AtomicFile>(state, target)
                 : ExtractCurrent<ScratchFile>(state, target);
}

std::int64_t ZipExtractToMemory(PackerRecord& record, void* buffer, std::int64_t size,
                                const std::u16string& entryName) {
  ZipArchiveState& state = *ZipState(record);
  if (size < 0 || (size > 0 && !buffer)) return -1;
  Utf8LocaleScope locale;
  if (!SelectEntry(state, entryName)) return -1;
  state.dataRead = true;
  const std::int64_t declared = DeclaredSize(state);
  // With room for it, one byte more than declared tells a lying entry.
  const std::int64_t want = declared >= 0 && declared < size ? declared + 1 : size;
  const la_ssize_t count = archive_read_data(state.reader.get(), buffer, static_cast<size_t>(want));
  if (count < 0) return -1;
  if (declared >= 0) {
    if (count > declared) return -1;
    // Short of the declared size and of the buffer: the data ended early.
    if (count < declared && count < size) return -1;
    if (count < declared) return count;  // a buffer smaller than the entry is no error
  }
  // The checksum at the end of the entry is tested only when a read reaches
  // it; one more read does. More data is an error when the header declared
  // this much, otherwise the entry is just larger than the buffer.
  if (count == want) {
    char probe;
    const la_ssize_t more = archive_read_data(state.reader.get(), &probe, 1);
    if (more < 0 || (more > 0 && declared >= 0)) return -1;
  }
  return count;
}

int ZipReserved(PackerRecord& /*record*/) { return 0; }

}  // namespace

const PackerOperations& ZipPackerOperations() {
  static const PackerOperations operations = {
      .close = ZipClose,
      .openRead = ZipOpenRead,
      .addFile = ZipAddFile,
      .addMemory = ZipAddMemory,
      .create = ZipCreate,
      .examine = ZipExamine,
      .entrySize = ZipEntrySize,
      .entryType = ZipEntryType,
      .nextEntry = ZipNextEntry,
      .entryName = ZipEntryName,
      .extractToFile = ZipExtractToFile,
      .extractToMemory = ZipExtractToMemory,
      .reserved = ZipReserved,
      .compressMemory = ZlibCompress,
      .uncompressMemory = ZlibUncompress,
  };
  return operations;
}
