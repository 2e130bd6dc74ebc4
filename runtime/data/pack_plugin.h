// The contract between the archive objects (pack.h) and a format plugin.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

struct PackerOperations;

struct PackerRecord {
  void* handle = nullptr;  // the plugin's per-archive state; non-null while open
  const PackerOperations* operations = nullptr;
};

// One table per format, in slot order. Every slot may be empty; the archive
// layer then returns the operation's failure value. A plugin must answer
// reading operations on an archive it writes (and the reverse) with their
// failure values.
struct PackerOperations {
  // 0: frees the state and sets record.handle to null.
  void (*close)(PackerRecord& record);
  // 1: sets record.handle to a new state; 1 on success, 0 on failure (state
  // left null).
  int (*openRead)(PackerRecord& record, const std::u16string& path);
  // 2: adds the file `file` to an archive being written as entry `name`.
  int (*addFile)(PackerRecord& record, const std::u16string& file, const std::u16string& name);
  // 3: adds `size` bytes at `data` as entry `name`.
  int (*addMemory)(PackerRecord& record, const void* data, std::int64_t size,
                   const std::u16string& name);
  // 4: like openRead, but creates `path` for writing at a compression level.
  int (*create)(PackerRecord& record, const std::u16string& path, int level);
  int (*examine)(PackerRecord& record);                        // 5
  std::int64_t (*entrySize)(PackerRecord& record, int which);  // 6
  int (*entryType)(PackerRecord& record);                      // 7
  int (*nextEntry)(PackerRecord& record);                      // 8
  std::u16string (*entryName)(PackerRecord& record);           // 9
  // 10: `durable` as in Pack_ExtractToFile.
  std::int64_t (*extractToFile)(PackerRecord& record, const std::u16string& target,
                                const std::u16string& entryName, bool durable);
  // 11: like extractToFile, into `size` bytes at `buffer`; bytes read or -1.
  std::int64_t (*extractToMemory)(PackerRecord& record, void* buffer, std::int64_t size,
                                  const std::u16string& entryName);
  int (*reserved)(PackerRecord& record);  // 12
  // 13, 14: need no archive. Compressed size or 0; uncompressed size or -1.
  std::int64_t (*compressMemory)(const void* in, std::int64_t inSize, void* out,
                                 std::int64_t outSize, int level);
  std::int64_t (*uncompressMemory)(const void* in, std::int64_t inSize, void* out,
                                   std::int64_t outSize);
};

// Adds a plugin to the process-wide registry; ids compare on their low 16
// bits and a known id changes nothing. The table must outlive the process's
// use of it.
void Pack_RegisterPlugin(std::uint32_t id, const PackerOperations* operations);

// The zip plugin's table (id 1).
const PackerOperations& ZipPackerOperations();
