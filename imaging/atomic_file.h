// Writing a file so that it appears whole or not at all: the bytes go to a new
// temporary file in the target's folder, which replaces the target only when
// Commit succeeds. A failed or abandoned write leaves an existing target as it
// was and no temporary file behind. Where the system allows it the new file
// has no name until the commit, so even a killed process leaves nothing.
#pragma once

#include <cstdio>
#include <string>

class AtomicFile {
 public:
  // Opens the temporary file; stream() is null when that failed (empty or null
  // path, missing folder, no permission, the target is a folder).
  explicit AtomicFile(const char16_t* path);
  ~AtomicFile();  // discards the temporary file unless committed

  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  std::FILE* stream() const { return stream_; }

  // Flushes to disk, closes and renames over the target. False on any error,
  // in which case the temporary file is removed.
  bool Commit();

  // Closes and removes the temporary file now.
  void Discard();

 private:
  bool Open(std::string target);
  bool NameAnonymousFile();
  bool CloseStream();

  std::string target_;
  std::string folder_;
  std::string temporary_;  // empty while the file is anonymous
  std::FILE* stream_ = nullptr;
  bool anonymous_ = false;
};
