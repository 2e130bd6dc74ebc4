#include "app/batch/pending_output.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// Guards the names below: the main thread holds it while it renames, the
// signal thread while it removes, so neither sees the other half-done.
std::mutex& PendingLock() {
  static auto* lock = new std::mutex;  // never destroyed: the signal thread may use it at exit
  return *lock;
}
struct Pending {
  std::string folder;      // ends with '/'
  std::string stem;        // the temporary name without the target's extension
  std::string targetStem;  // what replaces it
  std::string main;        // the file GDAL was told to write
};
Pending* g_pending = nullptr;  // under PendingLock

// The names in the folder that begin with the stem followed by '.' or nothing.
std::vector<std::string> FilesOf(const Pending& p) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(p.folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, p.stem.size(), p.stem) == 0 &&
        (name.size() == p.stem.size() || name[p.stem.size()] == '.'))
      names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

void RemoveFiles(const Pending& p) {
  for (const std::string& name : FilesOf(p)) ::unlink((p.folder + name).c_str());
}

}  // namespace

std::string BeginPendingOutput(const std::string& target) {
  const std::lock_guard<std::mutex> guard(PendingLock());
  delete g_pending;
  g_pending = new Pending;
  const auto slash = target.find_last_of('/');
  g_pending->folder = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  g_pending->targetStem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : "";
  // Hidden, and named for this process: two runs never share one.
  g_pending->stem = "." + g_pending->targetStem + ".relivox-" + std::to_string(::getpid());
  g_pending->main = g_pending->folder + g_pending->stem + extension;
  return g_pending->main;
}

bool CommitPendingOutput() {
  const std::lock_guard<std::mutex> guard(PendingLock());
  if (!g_pending) return false;
  const Pending& p = *g_pending;
  std::string mainName;
  bool ok = true;
  for (const std::string& name : FilesOf(p)) {
    if (p.folder + name == p.main) {
      mainName = name;
      continue;
    }
    const std::string to = p.folder + p.targetStem + name.substr(p.stem.size());
    ok = ok && std::rename((p.folder + name).c_str(), to.c_str()) == 0;
  }
  // A driver that writes no file (MEM) has nothing to rename.
  if (ok && !mainName.empty())
    ok = std::rename(p.main.c_str(), (p.folder + p.targetStem + mainName.substr(p.stem.size())).c_str()) == 0;
  if (!ok) RemoveFiles(p);
  delete g_pending;
  g_pending = nullptr;
  return ok;
}

void DiscardPendingOutput() {
  const std::lock_guard<std::mutex> guard(PendingLock());
  if (g_pending) RemoveFiles(*g_pending);
  delete g_pending;
  g_pending = nullptr;
}

void RemovePendingOutputAtExit() {
  // Held from here to _exit: the main thread cannot start a rename after it.
  PendingLock().lock();
  if (g_pending) RemoveFiles(*g_pending);
}
