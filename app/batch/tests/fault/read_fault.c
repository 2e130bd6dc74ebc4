/* Preloaded into relivox-batch by the tests to make reading one file fail
 * part-way, as a damaged disk does: every read of a file whose path ends
 * with RELIVOX_FAULT_NAME that starts at or beyond RELIVOX_FAULT_OFFSET
 * fails with EIO (only requests of at least RELIVOX_FAULT_MIN_REQUEST bytes
 * when that is set); reads starting before it succeed whole. Each injected
 * failure creates the file RELIVOX_FAULT_MARK, so a test can tell that the
 * program's reads went through here at all. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static int Matches(int fd) {
  const char* name = getenv("RELIVOX_FAULT_NAME");
  if (!name || !*name) return 0;
  char link[64], target[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length <= 0) return 0;
  target[length] = 0;
  const size_t nameLength = strlen(name);
  return (size_t)length >= nameLength && strcmp(target + length - nameLength, name) == 0;
}

static long long EnvNumber(const char* variable) {
  const char* text = getenv(variable);
  return text ? atoll(text) : 0;
}

/* 1 when the read of `count` bytes at `offset` must fail. */
static int MustFail(int fd, off_t offset, size_t count) {
  if (offset < 0 || !Matches(fd)) return 0;
  if (offset < EnvNumber("RELIVOX_FAULT_OFFSET")) return 0;
  if ((long long)count < EnvNumber("RELIVOX_FAULT_MIN_REQUEST")) return 0;
  const char* mark = getenv("RELIVOX_FAULT_MARK");
  if (mark) {
    const int markFd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (markFd >= 0) close(markFd);
  }
  return 1;
}

static void* Next(const char* name) { return dlsym(RTLD_NEXT, name); }

ssize_t read(int fd, void* buffer, size_t count) {
  static ssize_t (*real)(int, void*, size_t);
  if (!real) real = (ssize_t(*)(int, void*, size_t))Next("read");
  if (MustFail(fd, lseek(fd, 0, SEEK_CUR), count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, count);
}

ssize_t __read_chk(int fd, void* buffer, size_t count, size_t size) {
  (void)size;
  return read(fd, buffer, count);
}

ssize_t readv(int fd, const struct iovec* parts, int partCount) {
  static ssize_t (*real)(int, const struct iovec*, int);
  if (!real) real = (ssize_t(*)(int, const struct iovec*, int))Next("readv");
  size_t count = 0;
  for (int i = 0; i < partCount; ++i) count += parts[i].iov_len;
  if (MustFail(fd, lseek(fd, 0, SEEK_CUR), count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, parts, partCount);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
  static ssize_t (*real)(int, void*, size_t, off_t);
  if (!real) real = (ssize_t(*)(int, void*, size_t, off_t))Next("pread");
  if (MustFail(fd, offset, count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
  return pread(fd, buffer, count, offset);
}
