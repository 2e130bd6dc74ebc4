#include "imaging/save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace {

// Hidden name beside the target, unique enough that O_EXCL rarely retries.
std::string TempName(const std::string& folder, const std::string& base) {
  static std::atomic<unsigned> counter{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%x.%x.%llx.tmp", static_cast<unsigned>(getpid()),
                counter.fetch_add(1), ticks & 0xFFFFFFFFFFull);
  return folder + "/." + base + suffix;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);  // best effort: the rename is already done
    close(fd);
  }
}

}  // namespace

SaveFile::~SaveFile() { Discard(); }

bool SaveFile::Open(const std::string& target) {
  Discard();
  if (target.empty() || target.back() == '/') return false;

  // Saving through a symbolic link replaces the file it points at, as
  // writing in place would, rather than the link itself.
  target_ = target;
  struct stat info;
  if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }

  const std::size_t slash = target_.rfind('/');
  folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : target_.substr(0, slash);

  bool keepMode = false;
  mode_t mode = 0;
  if (stat(target_.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return false;
    keepMode = true;
    mode = info.st_mode & 07777;
  }

  int fd = -1;
  // Linking an anonymous file needs /proc; without it use a named one.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    anonymous_ = fd >= 0;
  }
  if (fd < 0) {
    const std::string base = target_.substr(slash == std::string::npos ? 0 : slash + 1);
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      tempPath_ = TempName(folder_, base);
      fd = open(tempPath_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
      tempPath_.clear();
      return false;
    }
  }
  if (keepMode) fchmod(fd, mode);  // a replaced file keeps its permissions

  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    close(fd);
    Discard();
    return false;
  }
  return true;
}

bool SaveFile::LinkAnonymousFile() {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fileno(stream_));
  const std::string base = target_.substr(target_.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TempName(folder_, base);
    if (linkat(AT_FDCWD, procPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      tempPath_ = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool SaveFile::CloseStream() {
  if (!stream_) return true;
  const int result = std::fclose(stream_);
  stream_ = nullptr;
  return result == 0;
}

bool SaveFile::Commit() {
  if (!stream_) return false;
  // Buffered bytes can still fail to reach the disk (disk full): every step
  // is checked before the old file is given up.
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  if (ok && fsync(fileno(stream_)) != 0 && errno != EINVAL) ok = false;
  if (ok && anonymous_) ok = LinkAnonymousFile();
  if (!CloseStream()) ok = false;
  if (ok && rename(tempPath_.c_str(), target_.c_str()) != 0) ok = false;
  if (!ok) {
    Discard();
    return false;
  }
  tempPath_.clear();
  SyncFolder(folder_);
  return true;
}

void SaveFile::Discard() {
  CloseStream();
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  anonymous_ = false;
}
