// The zip plugin's writing half: creating an archive and adding entries.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <new>

#include "runtime/data/pack_zip.h"
#include "runtime/data/utf.h"

namespace {

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) close(fd);
  }
};

ZipArchiveState* Writer(PackerRecord& record) {
  ZipArchiveState* state = ZipState(record);
  return state->mode == 1 && state->writer && !state->writeFailed ? state : nullptr;
}

// A regular file entry with the given name and size, permissions 0644.
ZipEntry NewEntry(const std::u16string& name, std::int64_t size) {
  ZipEntry entry(archive_entry_new());
  if (!entry) return entry;
  archive_entry_update_pathname_utf8(entry.get(), Utf16ToUtf8(name).c_str());
  archive_entry_set_filetype(entry.get(), AE_IFREG);
  archive_entry_set_perm(entry.get(), 0644);
  archive_entry_set_size(entry.get(), size);
  return entry;
}

// Once an entry's header is out, a short entry would spoil the archive:
// the whole archive is then dropped at closing instead of replacing a file.
int EntryFailed(ZipArchiveState& state) {
  state.writeFailed = true;
  return 0;
}

}  // namespace

int ZipCreate(PackerRecord& record, const std::u16string& path, int level) {
  if (!ZipUsablePath(path)) return 0;
  auto state = std::make_unique<ZipArchiveState>();
  state->mode = 1;
  state->fileName = PathToSystem(path);
  Utf8LocaleScope locale;
  ZipWriter writer(archive_write_new());
  if (!writer || archive_write_set_format_zip(writer.get()) != ARCHIVE_OK) return 0;
  // Levels outside 0 (stored) to 9 keep libarchive's default.
  if (level >= 0 && level <= 9) {
    const std::string option = "compression-level=" + std::to_string(level);
    if (archive_write_set_options(writer.get(), option.c_str()) != ARCHIVE_OK) return 0;
  }
  // Names go out as UTF-8 with the zip flag that says so.
  if (archive_write_set_options(writer.get(), "hdrcharset=UTF-8") != ARCHIVE_OK) return 0;
  state->file = std::make_unique<AtomicFile>(path);
  if (state->file->fd() < 0) return 0;
  // The writer leaves the descriptor open; the AtomicFile closes it.
  if (archive_write_open_fd(writer.get(), state->file->fd()) != ARCHIVE_OK) return 0;
  state->writer = std::move(writer);
  record.handle = state.release();
  return 1;
}

int ZipAddFile(PackerRecord& record, const std::u16string& file, const std::u16string& name) {
  ZipArchiveState* state = Writer(record);
  if (!state || !ZipUsablePath(file) || !ZipUsablePath(name)) return 0;
  FileCloser source{open(PathToSystem(file).c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat status;
  if (source.fd < 0 || fstat(source.fd, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kZipCopyBufferSize]);
  if (!buffer) return 0;
  Utf8LocaleScope locale;
  ZipEntry entry = NewEntry(name, status.st_size);
  if (!entry) return 0;
  archive_entry_set_mtime(entry.get(), status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
  archive_entry_set_atime(entry.get(), status.st_atim.tv_sec, status.st_atim.tv_nsec);
  archive_entry_set_ctime(entry.get(), status.st_ctim.tv_sec, status.st_ctim.tv_nsec);
  if (archive_write_header(state->writer.get(), entry.get()) != ARCHIVE_OK)
    return EntryFailed(*state);
  // Exactly the size the header announced: a file that shrinks meanwhile
  // fails, one that grows is cut at its old size.
  std::int64_t remaining = status.st_size;
  while (remaining > 0) {
    const std::size_t want = remaining < static_cast<std::int64_t>(kZipCopyBufferSize)
                                 ? static_cast<std::size_t>(remaining)
                                 : kZipCopyBufferSize;
    const ssize_t got = read(source.fd, buffer.get(), want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return EntryFailed(*state);
    if (archive_write_data(state->writer.get(), buffer.get(), static_cast<std::size_t>(got)) != got)
      return EntryFailed(*state);
    remaining -= got;
  }
  if (archive_write_finish_entry(state->writer.get()) != ARCHIVE_OK) return EntryFailed(*state);
  return 1;
}

int ZipAddMemory(PackerRecord& record, const void* data, std::int64_t size,
                 const std::u16string& name) {
  ZipArchiveState* state = Writer(record);
  if (!state || size < 0 || (size > 0 && !data) || !ZipUsablePath(name)) return 0;
  Utf8LocaleScope locale;
  ZipEntry entry = NewEntry(name, size);
  if (!entry) return 0;
  archive_entry_set_mtime(entry.get(), std::time(nullptr), 0);
  if (archive_write_header(state->writer.get(), entry.get()) != ARCHIVE_OK)
    return EntryFailed(*state);
  if (size > 0 &&
      archive_write_data(state->writer.get(), data, static_cast<std::size_t>(size)) != size)
    return EntryFailed(*state);
  if (archive_write_finish_entry(state->writer.get()) != ARCHIVE_OK) return EntryFailed(*state);
  return 1;
}

void ZipFinishWriting(ZipArchiveState& state) {
  Utf8LocaleScope locale;
  const bool complete =
      state.writer && !state.writeFailed && archive_write_close(state.writer.get()) == ARCHIVE_OK;
  state.writer.reset();
  if (state.file && complete) state.file->Commit();  // nothing to report to: Pack_Close is void
  state.file.reset();                                 // discards an incomplete archive
}
