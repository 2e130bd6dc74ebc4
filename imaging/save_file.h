// A file that takes the place of its target only once it is complete.
//
// The bytes go to a new file in the target's folder; Commit() flushes them to
// disk and renames that file over the target. Until then the target keeps its
// old content, and a file that is never committed disappears (on Linux it has
// no name at all until the commit, so even a killed process leaves nothing).
#pragma once

#include <cstdio>
#include <string>

class SaveFile {
 public:
  SaveFile() = default;
  ~SaveFile();  // discards an uncommitted file
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  // `target` is a UTF-8 path. False when no file can be made next to it
  // (missing folder, no permission, the target is a folder).
  bool Open(const std::string& target);

  // Valid between a successful Open() and Commit()/Discard().
  std::FILE* Stream() const { return stream_; }

  // Every byte written and synced, then renamed over the target. False
  // leaves the target as it was and removes the new file.
  bool Commit();

  void Discard();

 private:
  bool CloseStream();
  bool LinkAnonymousFile();

  std::string target_;
  std::string folder_;
  std::string tempPath_;  // named new file; empty while the file is anonymous
  std::FILE* stream_ = nullptr;
  bool anonymous_ = false;
};
