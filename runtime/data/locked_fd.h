// A file descriptor with an open-mode lock, so that files opened by the
// runtime exclude each other as Windows sharing modes would: an exclusive
// holder refuses every other opener, shared holders refuse exclusive ones.
// The lock is both an advisory flock() (other processes) and an entry in a
// process-wide table (this process, where advisory locks may not conflict).
#pragma once

#include <sys/types.h>

#include <string>

enum class FileShare {
  kExclusive,  // no other opener while open
  kRead,       // other readers that also share reading
};

class LockedFd {
 public:
  LockedFd() = default;
  ~LockedFd() { Reset(); }
  LockedFd(LockedFd&& other) noexcept { *this = std::move(other); }
  LockedFd& operator=(LockedFd&& other) noexcept;
  LockedFd(const LockedFd&) = delete;
  LockedFd& operator=(const LockedFd&) = delete;

  // Opens path with open(2) flags (O_CLOEXEC is added), refuses directories,
  // then takes the lock. With truncate, the file is emptied only once the
  // lock is held, so a refused open never damages a file someone holds.
  // An empty result on any failure.
  static LockedFd Open(const std::string& path, int flags, FileShare share, bool truncate = false);

  int fd() const { return fd_; }
  explicit operator bool() const { return fd_ > 0; }

  // Closes the descriptor, then gives up the lock entry.
  void Reset();

 private:
  int fd_ = -1;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  FileShare share_ = FileShare::kRead;
};
