// Archive access: format-neutral archive objects whose work is done by a
// registered format plugin (pack_plugin.h). The zip plugin reads and writes
// zip files through libarchive.
//
// The table of archive numbers is locked; an archive itself is used by one
// thread at a time.
//
// A walk: Pack_Open, Pack_Examine, then Pack_NextEntry until it returns 0,
// asking Pack_EntryName / Pack_EntryType / Pack_EntrySize and extracting
// entries on the way. Another Pack_Examine starts again at the first entry.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

// Registers the zip plugin (id 1). Returns 1; repeating it changes nothing.
int Pack_UseZip();

// Opens an archive for reading. `archive` is a fixed number (a live one is
// closed first) or KX_Any; `plugin` -1 takes the first registered plugin.
// Non-zero on success (the new number for KX_Any), 0 on failure.
ObjectHandle Pack_Open(ObjectHandle archive, const std::u16string& path, int plugin = -1);

// 1 when a walk can begin (reopening the archive if one had started),
// 0 when it cannot.
int Pack_Examine(ObjectHandle archive);

// 1 when the next entry is now current, 0 at the end or on any error.
int Pack_NextEntry(ObjectHandle archive);

// The current entry's path inside the archive, as stored ("/" separates
// folders); empty without a current entry.
std::u16string Pack_EntryName(ObjectHandle archive);

// 1 for a folder entry, 0 for any other entry, -1 without a current entry.
int Pack_EntryType(ObjectHandle archive);

// The current entry's uncompressed size, -1 without a current entry.
// `which` selects the size (0 = uncompressed); the zip plugin ignores it.
std::int64_t Pack_EntrySize(ObjectHandle archive, int which = 0);

// Writes an entry's content to `target`: the entry called `entryName`, or
// the current entry when the name is empty (folders are refused). Returns
// the number of bytes written, or -1. The target is replaced only by a
// complete extraction; a failure leaves no new file behind.
// PackWrite::kScratch is for a file in a private folder that is read once
// (the zip job's): written in place without waiting for the disk, reusing
// the file when it exists; a failure removes it.
enum class PackWrite : int { kDurable, kScratch };
std::int64_t Pack_ExtractToFile(ObjectHandle archive, const std::u16string& target,
                                const std::u16string& entryName = u"",
                                PackWrite write = PackWrite::kDurable);

// Like Pack_ExtractToFile, into `size` bytes at `buffer`. Returns the bytes
// read (at most `size`; compare with Pack_EntrySize), or -1.
std::int64_t Pack_ExtractToMemory(ObjectHandle archive, void* buffer, std::int64_t size,
                                  const std::u16string& entryName = u"");

// Closes the archive and frees its number; KX_Any closes every archive.
// Closing an archive being written completes it.
void Pack_Close(ObjectHandle archive);

// Starts a new archive at `path`; `level` 0 stores, 1-9 deflate. Entries are
// added with Pack_AddFile / Pack_AddMemory. The archive appears at `path`
// (replacing a file of that name) only when Pack_Close completes it; an
// archive that could not be completed, or that an add left incomplete, is
// dropped and the old file stays. Results as for Pack_Open.
ObjectHandle Pack_Create(ObjectHandle archive, const std::u16string& path, int level = 9,
                         int plugin = -1);

// Adds the file `file` as entry `name` ("/" separates folders). 1 when every
// byte was written, else 0.
int Pack_AddFile(ObjectHandle archive, const std::u16string& file, const std::u16string& name);

// Adds `size` bytes at `data` as entry `name`. 1 when every byte was
// written, else 0.
int Pack_AddMemory(ObjectHandle archive, const void* data, std::int64_t size,
                   const std::u16string& name);

// zlib streams in memory, through the plugin's own compressor. Compress
// returns the compressed size or 0; uncompress the uncompressed size or -1.
std::int64_t Pack_CompressMemory(const void* in, std::int64_t inSize, void* out,
                                 std::int64_t outSize, int level = 9, int plugin = -1);
std::int64_t Pack_UncompressMemory(const void* in, std::int64_t inSize, void* out,
                                   std::int64_t outSize, int plugin = -1);
