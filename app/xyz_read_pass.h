// Reading an XYZ file once: every chunk read is digested (the registry key)
// and parsed (the points), on two threads when the file spans several chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/xyz_scan.h"

// The chunk of files over 1 MiB; smaller files use a quarter of their
// length, but no less than kXyzMinChunkBytes.
inline constexpr std::size_t kXyzChunkBytes = 1 << 20;
inline constexpr std::size_t kXyzMinChunkBytes = 64 << 10;

struct XyzReadResult {
  std::u16string key;     // the content digest (MD5, as Hash_File gives it)
  XyzScanner scan;        // the points and the reading progress figures
  std::size_t shown = 0;  // figures already passed to `show`
};

// Where the reading figures go as they come.
struct XyzFigureSink {
  void (*show)(void* context, std::int64_t figure);
  void* context;
};

// Takes the points parsed so far, after each chunk and at the end, and
// empties the scanner's lists of them: a reader that reduces the points as
// they come keeps no list of a file's points. False stops the read (as a
// failure).
struct XyzPointDrain {
  bool (*take)(void* context, XyzScanner& scan);
  void* context;
};

// Reads the file at path to its end by `options` (a separator to detect is
// decided on the first chunk, which holds its first lines). False when it cannot be opened or read
// to its end, or memory runs out: then neither the key nor the points may be
// used. The MD5 plugin must be registered (Hash_UseMd5). Files of more than
// one chunk are digested on a helper thread, joined before the
// return. `sink`, when given, gets the progress figures as they come, after
// each chunk. chunkBytes 0 picks the
// size from the file's length; tests pass their own. `wants` adds heights
// and fractional parts to the points (see app/xyz_heights.h); `drain`, when
// given, takes them away as they come.
bool ReadXyzOnce(const std::u16string& path, const XyzReadOptions& options, XyzReadResult* result,
                 const XyzFigureSink* sink = nullptr, std::size_t chunkBytes = 0,
                 XyzWants wants = {}, const XyzPointDrain* drain = nullptr);
