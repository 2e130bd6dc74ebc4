#include "app/job_folders.h"

#include <algorithm>
#include <vector>

#include "runtime/data/fs.h"
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

}  // namespace

std::u16string CreateJobFolder(const std::u16string& prefix) {
  JobFolders& folders = Folders();
  const MtxGuard guard(folders.lock);
  if (folders.ending) return {};
  std::u16string folder = Fs_CreateUniqueDirectory(Fs_TempDirectory(), prefix);
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
