// File-system helpers: sizes, the temporary directory, deletion, and the
// name and extension parts of a path. "/" and "\" both separate path parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Size in bytes; -1 when the path does not exist, -2 for a directory.
std::int64_t Fs_FileSize(const std::u16string& path);

// Bytes an unprivileged user may still write on the file system that holds
// `path`; -1 when unknown.
std::int64_t Fs_FreeSpace(const std::u16string& path);

// TMPDIR when set, else "/tmp"; always ends with "/".
std::u16string Fs_TempDirectory();

// Up to `count` first bytes of the regular file at path; empty for anything
// else, which is not opened (a pipe's bytes would be used up, a device may
// block).
std::string Fs_PeekRegularFile(const std::u16string& path, std::size_t count);

// A new empty folder of the caller's own (mode 0700) inside `parent`, named
// `prefix` and six random characters; its path ends with "/". Empty when it
// cannot be made. Nothing that exists is ever reused.
std::u16string Fs_CreateUniqueDirectory(const std::u16string& parent, const std::u16string& prefix);

// Deletes a folder and everything inside it. Symbolic links are removed, never
// followed, so nothing outside the folder is touched. Non-zero when the
// folder is gone.
std::int64_t Fs_DeleteDirectory(const std::u16string& path);

inline constexpr std::int64_t kDeleteForce = 2;  // make the file writable first

// Non-zero when the file was deleted.
std::int64_t Fs_DeleteFile(const std::u16string& path, std::int64_t flags = 0);

inline constexpr std::int64_t kFilePartNoExtension = 1;

// The name behind the last separator (a leading double quote is skipped, a
// later one ends the name). kFilePartNoExtension drops ".ext".
std::u16string Fs_FilePart(const std::u16string& path, std::int64_t flags = 0);

// The extension without its dot; empty for "name", "name.", ".profile".
std::u16string Fs_ExtensionPart(const std::u16string& path);
