// Writing a file so that it appears whole or not at all: the bytes go to a new
// file in the target's folder, which replaces the target only when Commit
// succeeds, after its data is on disk. A failed or abandoned write leaves an
// existing target as it was and no other file behind. Where the system allows
// it the new file has no name until the commit, so even a killed process
// leaves nothing. Every file the runtime writes for the user goes through it
// (image saves, archive extraction, archive writing).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class AtomicFile {
 public:
  // Opens the new file; fd() is -1 when that failed (empty or null path,
  // missing folder, no permission, the target is a folder, or a link that
  // RefusesLink names). A link at the target is followed to its file.
  explicit AtomicFile(const char16_t* path);
  explicit AtomicFile(const std::u16string& path) : AtomicFile(path.c_str()) {}
  ~AtomicFile();  // discards the file unless committed

  // True when `path` ends in a symbolic link that the kernel's
  // protected_symlinks rule would not let this process follow: one in a
  // sticky, world-writable folder that belongs neither to the caller nor to
  // the folder's owner (a link another user planted in a shared folder).
  static bool RefusesLink(const char16_t* path);
  static bool RefusesLink(const std::u16string& path) { return RefusesLink(path.c_str()); }

  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The descriptor, open for reading and writing; -1 when opening failed.
  int fd() const { return fd_; }
  // A stdio stream over fd(), made on the first call; null when opening
  // failed. Once it exists, write through it only.
  std::FILE* stream();
  // Writes every byte to fd(); false on any error.
  bool Write(const void* data, std::size_t size);

  // Flushes to disk, closes and puts the file in the target's place. False on
  // any error, in which case the new file is removed.
  bool Commit();

  // Closes and removes the new file now.
  void Discard();

 private:
  bool Open(const std::string& target);
  bool LinkAnonymousFile();
  bool CloseFile();

  std::string target_;
  std::string folder_;
  std::string temporary_;  // empty while the file is anonymous
  int fd_ = -1;
  std::FILE* stream_ = nullptr;  // owns fd_ once made
  bool anonymous_ = false;
  bool placed_ = false;  // linked straight to the target name
};
