#include "runtime/data/locked_fd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

namespace {

struct Holders {
  int exclusive = 0;
  int shared = 0;
};

// Files this process holds open, by device and inode. Guarded by LockMutex().
// Neither is ever destroyed: descriptors held in static tables (a file still
// open at exit) are closed after this file's statics would be gone.
std::map<std::pair<dev_t, ino_t>, Holders>& OpenFiles() {
  static auto* files = new std::map<std::pair<dev_t, ino_t>, Holders>;
  return *files;
}

std::mutex& LockMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

}  // namespace

LockedFd& LockedFd::operator=(LockedFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
    dev_ = other.dev_;
    ino_ = other.ino_;
    share_ = other.share_;
  }
  return *this;
}

LockedFd LockedFd::Open(const std::string& path, int flags, FileShare share, bool truncate) {
  LockedFd result;
  if (path.empty()) return result;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return result;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // 0 is "no file" to the object table; keep descriptor 0 out of it.
  if (fd == 0) {
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) return result;
    fd = moved;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return result;
  }

  std::lock_guard lock(LockMutex());
  const auto key = std::make_pair(info.st_dev, info.st_ino);
  auto it = OpenFiles().find(key);
  if (it != OpenFiles().end()) {
    const Holders& h = it->second;
    if (h.exclusive > 0 || (share == FileShare::kExclusive && h.shared > 0)) {
      ::close(fd);
      return result;
    }
  }
  const int op = (share == FileShare::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  int rc;
  do rc = ::flock(fd, op);
  while (rc != 0 && errno == EINTR);
  // A file system without flock support still gets the in-process rule.
  if (rc != 0 && errno == EWOULDBLOCK) {
    ::close(fd);
    return result;
  }
  if (truncate && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return result;
  }
  Holders& h = OpenFiles()[key];
  (share == FileShare::kExclusive ? h.exclusive : h.shared)++;
  result.fd_ = fd;
  result.dev_ = info.st_dev;
  result.ino_ = info.st_ino;
  result.share_ = share;
  return result;
}

void LockedFd::Reset() {
  if (fd_ < 0) return;
  std::lock_guard lock(LockMutex());
  ::close(fd_);  // releases the flock
  fd_ = -1;
  auto it = OpenFiles().find({dev_, ino_});
  if (it == OpenFiles().end()) return;
  Holders& h = it->second;
  (share_ == FileShare::kExclusive ? h.exclusive : h.shared)--;
  if (h.exclusive <= 0 && h.shared <= 0) OpenFiles().erase(it);
}
