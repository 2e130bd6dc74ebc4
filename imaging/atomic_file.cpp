#include "imaging/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "runtime/data/utf.h"

namespace {

// A hidden name beside the target; "x"/O_EXCL never opens an existing file.
std::string TemporaryName(const std::string& folder, const std::string& base, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  const unsigned value = seed ^ (counter.fetch_add(1) * 2654435761u) ^ attempt;
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".~%d-%08x.tmp", static_cast<int>(getpid()), value);
  return folder + "/." + base + suffix;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);  // best effort: the rename has happened either way
    close(fd);
  }
}

}  // namespace

AtomicFile::AtomicFile(const char16_t* path) {
  if (!path || !*path) return;
  if (!Open(Utf16ToUtf8(path))) Discard();
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(std::string target) {
  if (target.empty() || target.back() == '/') return false;

  // Saving through a symbolic link replaces the file it points at, as writing
  // in place would, not the link itself.
  struct stat info;
  if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  target_ = std::move(target);
  const std::size_t slash = target_.rfind('/');
  folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);
  const std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1);

  bool keepMode = false;
  mode_t mode = 0;
  if (stat(target_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return false;
    keepMode = true;
    mode = info.st_mode & 07777;
  }

  int fd = -1;
  // Naming an anonymous file later needs /proc; without it use a named one.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    anonymous_ = fd >= 0;
  }
  for (unsigned attempt = 0; fd < 0 && attempt < 16; ++attempt) {
    temporary_ = TemporaryName(folder_, base, attempt);
    fd = open(temporary_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
      temporary_.clear();
      if (errno != EEXIST) return false;
    }
  }
  if (fd < 0) return false;
  if (keepMode) fchmod(fd, mode);  // a replaced file keeps its permissions

  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    close(fd);
    return false;
  }
  return true;
}

bool AtomicFile::NameAnonymousFile() {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fileno(stream_));
  const std::string base = target_.substr(target_.rfind('/') + 1);
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    std::string name = TemporaryName(folder_, base, attempt);
    if (linkat(AT_FDCWD, procPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporary_ = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool AtomicFile::CloseStream() {
  if (!stream_) return true;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed;
}

void AtomicFile::Discard() {
  CloseStream();
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
  anonymous_ = false;
}

bool AtomicFile::Commit() {
  if (!stream_) return false;
  // Buffered bytes can still fail to reach the disk (disk full): every step
  // is checked before the old file is given up, and the data is on disk
  // before the rename makes it the target.
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  if (ok && fsync(fileno(stream_)) != 0 && errno != EINVAL) ok = false;
  if (ok && anonymous_) ok = NameAnonymousFile();
  if (!CloseStream()) ok = false;
  if (ok && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    temporary_.clear();
    SyncFolder(folder_);
    return true;
  }
  Discard();
  return false;
}
