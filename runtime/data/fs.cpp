#include "runtime/data/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "runtime/data/utf.h"

std::int64_t Fs_FileSize(const std::u16string& path) {
  if (path.empty()) return -1;
  // Long paths are legal here, so nothing is cut off.
  std::string native = PathToSystem(path);
  // Trailing separators go, but "/" itself stays the root.
  while (native.size() > 1 && (native.back() == '/' || native.back() == '\\')) native.pop_back();
  struct stat info;
  if (::stat(native.c_str(), &info) != 0) return -1;
  if (S_ISDIR(info.st_mode)) return -2;
  return static_cast<std::int64_t>(info.st_size);
}

std::int64_t Fs_FreeSpace(const std::u16string& path) {
  struct statvfs info;
  if (path.empty() || ::statvfs(PathToSystem(path).c_str(), &info) != 0) return -1;
  using Bytes = unsigned long long;
  const Bytes bytes = static_cast<Bytes>(info.f_bavail) * static_cast<Bytes>(info.f_frsize);
  return bytes > static_cast<Bytes>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(bytes);
}

std::u16string Fs_TempDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  if (dir.back() != '/') dir.push_back('/');
  return PathFromSystem(dir);
}

std::string Fs_PeekRegularFile(const std::u16string& path, std::size_t count) {
  struct stat info;
  const std::string native = PathToSystem(path);
  if (path.empty() || ::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::string bytes(count, '\0');
  ssize_t got = 0;
  // A file that became something else since the stat is not read either.
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) got = ::read(fd, bytes.data(), count);
  ::close(fd);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

std::int64_t Fs_DeleteFile(const std::u16string& path, std::int64_t flags) {
  if (path.empty()) return 0;
  const std::string native = PathToSystem(path);
  if (flags & kDeleteForce) {
    // The nearest thing to clearing a read-only attribute: let the owner write.
    struct stat info;
    if (::lstat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode))
      ::chmod(native.c_str(), info.st_mode | S_IWUSR);
  }
  return ::unlink(native.c_str()) == 0 ? 1 : 0;
}

std::u16string Fs_CreateUniqueDirectory(const std::u16string& parent, const std::u16string& prefix) {
  if (parent.empty()) return {};
  std::string pattern = PathToSystem(parent);
  if (pattern.back() != '/') pattern.push_back('/');
  pattern += PathToSystem(prefix) + "XXXXXX";
  if (!::mkdtemp(pattern.data())) return {};
  return PathFromSystem(pattern + "/");
}

namespace {

// Empties the folder open as `dir` (which this call closes), relative to its
// own descriptor so that a renamed or replaced path cannot redirect it.
bool EmptyFolder(int dir) {
  DIR* stream = ::fdopendir(dir);
  if (!stream) {
    ::close(dir);
    return false;
  }
  bool ok = true;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (::unlinkat(dir, name.c_str(), 0) == 0) continue;
    const int child = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    ok = child >= 0 && EmptyFolder(child) && ::unlinkat(dir, name.c_str(), AT_REMOVEDIR) == 0 && ok;
  }
  ::closedir(stream);
  return ok;
}

}  // namespace

std::int64_t Fs_DeleteDirectory(const std::u16string& path) {
  if (path.empty()) return 0;
  std::string native = PathToSystem(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  const int dir = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (dir < 0) return 0;
  EmptyFolder(dir);
  return ::rmdir(native.c_str()) == 0 ? 1 : 0;
}
