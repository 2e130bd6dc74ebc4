#include "app/job_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "runtime/data/fs.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"
#include "runtime/system/mutex.h"

namespace {

struct JobFolders {
  RtMutex* lock = Mtx_Create();  // held while a folder is made, so none appears after the exit's sweep
  std::vector<std::u16string> live;
  bool ending = false;
};

JobFolders& Folders() {
  // Never destroyed: a worker may still ask for a folder while the process ends.
  static auto* folders = new JobFolders;
  return *folders;
}

// The process id in a folder name `prefix` + id + "-" + six characters;
// 0 for any other name.
pid_t FolderProcess(const std::string& name, const std::string& prefix) {
  if (name.size() < prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::size_t dash = name.size() - 7;
  if (name[dash] != '-' || dash == prefix.size()) return 0;
  long pid = 0;
  for (std::size_t i = prefix.size(); i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9' || pid > 1 << 30) return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return static_cast<pid_t>(pid);
}

// A kill -9 leaves the folder of a running job behind. Only our own user's
// folders are touched (another user's may belong to a process we cannot see),
// and only once their process is gone.
void RemoveAbandonedFolders(const std::u16string& parent, const std::u16string& prefix) {
  const std::string base = PathToSystem(parent);
  const std::string start = PathToSystem(prefix);
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return;
  std::vector<std::string> abandoned;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t pid = FolderProcess(entry->d_name, start);
    if (pid <= 0 || pid == ::getpid()) continue;
    struct stat info;
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
      continue;
    if (::kill(pid, 0) != 0 && errno == ESRCH) abandoned.push_back(base + entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& folder : abandoned) Fs_DeleteDirectory(PathFromSystem(folder));
}

}  // namespace

std::u16string CreateJobFolder(const std::u16string& prefix) {
  JobFolders& folders = Folders();
  const MtxGuard guard(folders.lock);
  if (folders.ending) return {};
  const std::u16string parent = Fs_TempDirectory();
  RemoveAbandonedFolders(parent, prefix);
  std::u16string folder =
      Fs_CreateUniqueDirectory(parent, prefix + Str_FromInteger(::getpid()) + u"-");
  if (!folder.empty()) folders.live.push_back(folder);
  return folder;
}

void RemoveJobFolder(const std::u16string& folder) {
  if (folder.empty()) return;
  JobFolders& folders = Folders();
  const MtxGuard guard(folders.lock);
  Fs_DeleteDirectory(folder);
  folders.live.erase(std::remove(folders.live.begin(), folders.live.end(), folder),
                     folders.live.end());
}

void RemoveJobFoldersAtExit() {
  JobFolders& folders = Folders();
  const MtxGuard guard(folders.lock);
  folders.ending = true;
  for (const std::u16string& folder : folders.live) {
    // The job may put a file in while the folder is emptied, which keeps the
    // folder from going; once it is gone nothing can be written into it.
    for (int attempt = 0; attempt < 100 && Fs_FileSize(folder) != -1; ++attempt)
      Fs_DeleteDirectory(folder);
  }
  folders.live.clear();
}

bool JobFolderHasRoomFor(const std::u16string& folder, std::int64_t bytes) {
  const std::int64_t free = Fs_FreeSpace(folder);
  if (bytes < 0 || free < 0) return true;
  const std::int64_t margin = std::min<std::int64_t>(free / 20, std::int64_t{64} << 20);
  return bytes <= free - margin;
}
