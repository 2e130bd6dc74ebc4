#include "runtime/data/atomic_file.h"

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

// A hidden name beside the target; O_EXCL never opens an existing file.
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
    fsync(fd);  // best effort: the new name exists either way
    close(fd);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The kernel's protected_symlinks rule: in a sticky, world-writable folder
// (a shared /tmp) a link is followed only when it belongs to us or to the
// folder's owner, so that another user cannot plant one that makes us
// replace a file of ours.
bool MayFollow(const std::string& link, const struct stat& linkInfo) {
  struct stat folder;
  if (stat(FolderOf(link).c_str(), &folder) != 0) return false;
  const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
  return !shared || linkInfo.st_uid == geteuid() || linkInfo.st_uid == folder.st_uid;
}

// Follows the links at the end of `path` one at a time, testing each hop as
// the kernel would: resolving them ourselves bypasses its rule. `resolved`
// becomes the file the chain ends at; a chain that ends nowhere (dangling,
// a loop) leaves `path`, so the link itself is replaced. False when a hop
// may not be followed.
bool ResolveFinalLinks(const std::string& path, std::string* resolved) {
  *resolved = path;
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0) return true;
    if (!S_ISLNK(info.st_mode)) {
      *resolved = current;
      return true;
    }
    if (!MayFollow(current, info)) return false;
    std::string next(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4095) + 1, '\0');
    const ssize_t length = readlink(current.c_str(), next.data(), next.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= next.size()) return true;
    next.resize(static_cast<std::size_t>(length));
    current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
  }
  return true;
}

}  // namespace

bool AtomicFile::RefusesLink(const char16_t* path) {
  std::string resolved;
  return path && *path && !ResolveFinalLinks(PathToSystem(path), &resolved);
}

AtomicFile::AtomicFile(const char16_t* path) {
  if (!path || !*path) return;
  if (!Open(PathToSystem(path))) Discard();
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& target) {
  if (target.empty() || target.back() == '/') return false;

  // Saving through a symbolic link replaces the file it points at, as writing
  // in place would, not the link itself; a planted link is refused.
  if (!ResolveFinalLinks(target, &target_)) {
    errno = EACCES;
    return false;
  }
  folder_ = FolderOf(target_);
  const std::size_t slash = target_.rfind('/');
  const std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1);

  struct stat info;
  bool keepMode = false;
  mode_t mode = 0;
  if (stat(target_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return false;
    keepMode = true;
    mode = info.st_mode & 07777;
  }

  // Naming an anonymous file later needs /proc; without it use a named one.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    anonymous_ = fd_ >= 0;
  }
  for (unsigned attempt = 0; fd_ < 0 && attempt < 16; ++attempt) {
    temporary_ = TemporaryName(folder_, base, attempt);
    fd_ = open(temporary_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      temporary_.clear();
      if (errno != EEXIST) return false;
    }
  }
  if (fd_ < 0) return false;
  if (keepMode) fchmod(fd_, mode);  // a replaced file keeps its permissions
  return true;
}

std::FILE* AtomicFile::stream() {
  if (!stream_ && fd_ >= 0) stream_ = fdopen(fd_, "wb");
  return stream_;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(fd_, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Gives the anonymous file a name. A missing target takes the file straight
// under its own name (a new name appears whole or not at all, and no
// temporary name ever exists); an existing one needs a temporary name that
// the rename then moves over it.
bool AtomicFile::LinkAnonymousFile() {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_);
  if (linkat(AT_FDCWD, procPath, AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    placed_ = true;
    return true;
  }
  if (errno != EEXIST) return false;
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

bool AtomicFile::CloseFile() {
  bool closed = true;
  if (stream_) {
    closed = std::fclose(stream_) == 0;
  } else if (fd_ >= 0) {
    closed = close(fd_) == 0;
  }
  stream_ = nullptr;
  fd_ = -1;
  return closed;
}

void AtomicFile::Discard() {
  CloseFile();
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
  anonymous_ = false;
}

bool AtomicFile::Commit() {
  if (fd_ < 0) return false;
  // Buffered bytes can still fail to reach the disk (disk full): every step
  // is checked before the old file is given up, and the data is on disk
  // before a name makes it the target.
  bool ok = !stream_ || (std::fflush(stream_) == 0 && !std::ferror(stream_));
  if (ok && fsync(fd_) != 0 && errno != EINVAL) ok = false;
  if (ok && anonymous_) ok = LinkAnonymousFile();
  if (!CloseFile()) ok = false;
  if (ok && placed_) {
    SyncFolder(folder_);
    return true;
  }
  if (ok && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    temporary_.clear();
    SyncFolder(folder_);
    return true;
  }
  if (placed_) std::remove(target_.c_str());  // closing failed after the link
  placed_ = false;
  Discard();
  return false;
}
