// Buffered files: opening by path, reading lines in a chosen text format,
// raw reads and writes, position, length and end test.
//
// Files are numbered objects (ObjectHandle; KX_Any for a dynamic number).
// Every open is exclusive: while a file is open here, no other File_ open
// and no Hash_File of it succeeds, in this process or another one that
// honours flock(). One file is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

// Text formats for line reads and string writes.
inline constexpr std::int64_t kTextUtf8 = 2;
inline constexpr std::int64_t kTextAnsi = 24;   // Windows-1252; so is any unlisted format
inline constexpr std::int64_t kTextUtf16 = 25;  // little-endian

// File_ReadLineEx flags: bits 0-4 a text format (0: the file's own), and:
inline constexpr std::int64_t kReadRaw = 1 << 16;  // CR and LF are ordinary units

// Size of every file's I/O buffer.
inline constexpr std::int32_t kFileBufferSize = 4096;

// The open calls return the dynamic number for KX_Any, otherwise the
// descriptor; 0 on failure. A live fixed number is closed first.
ObjectHandle File_OpenRead(ObjectHandle file, const std::u16string& path);  // existing, read-only
ObjectHandle File_Create(ObjectHandle file, const std::u16string& path);    // created or emptied
ObjectHandle File_Open(ObjectHandle file, const std::u16string& path);      // created when missing

// Writes pending bytes and closes; KX_Any closes every open file (shut-down).
void File_Close(ObjectHandle file);

// Size in bytes after pending writes; -1 for an unknown file.
std::int64_t File_Length(ObjectHandle file);
// 1 when the open file is a character or block device (/dev/zero, a disk):
// such a file may never end, so readers of whole files refuse it. 0 for
// anything else (a FIFO ends when its writer does) and for an unknown file.
std::int64_t File_IsDevice(ObjectHandle file);
// 0 while a byte remains; 1 at the end (-1 for an unbuffered file); 0 for an unknown file.
std::int64_t File_AtEnd(ObjectHandle file);
// The logical position (bytes handed out or written); -1 for an unknown file.
// Costs no system call.
std::int64_t File_Position(ObjectHandle file);
// 1 when a read of the file failed with an error: reading stopped there as
// at the end (File_AtEnd 1, short File_ReadData, the line so far), so a
// damaged file would otherwise pass for a shorter complete one. 0 for a
// file read without error, and for an unknown file.
std::int64_t File_Error(ObjectHandle file);

// The next line without its end (LF, CR LF, CR or a 0 unit); empty at the end
// and for an unknown file.
std::u16string File_ReadLine(ObjectHandle file);
// The same with a text format in flags and at most maximum units (-1: no
// limit); with kReadRaw the next run of units up to a 0 unit, the maximum or
// the end of the file.
std::u16string File_ReadLineEx(ObjectHandle file, std::int64_t flags, std::int64_t maximum = -1);

// Bytes read into data (fewer at the end of the file); 0 for an unknown file.
std::int64_t File_ReadData(ObjectHandle file, void* data, std::int64_t size);
// Bytes taken (all of them, or 0 for an unknown or read-only file or a failed write).
std::int64_t File_WriteData(ObjectHandle file, const void* data, std::int64_t size);
// Writes text encoded in format (0: the file's own), without a line end;
// unmappable characters become "?" in ANSI. Returns the bytes written.
std::int64_t File_WriteString(ObjectHandle file, const std::u16string& text,
                              std::int64_t format = 0);
// Passes pending bytes to the system; non-zero on success. 0 from the first
// failed write of the file on (buffered or not), as bytes were lost.
std::int64_t File_Flush(ObjectHandle file);
// Moves to a byte position from the start; non-zero on success.
std::int64_t File_Seek(ObjectHandle file, std::int64_t position);
