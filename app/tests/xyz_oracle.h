// The rule-by-rule reading of an XYZ file (File_ReadLine, then the fields of
// every line), kept as the oracle the fast reader is tested against.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/xyz_format.h"
#include "app/xyz_loader.h"
#include "app/xyz_scan.h"
#include "runtime/data/file.h"
#include "runtime/data/tests/temp_file.h"

struct XyzReading {
  std::vector<XyzPoint> points;
  std::vector<std::int64_t> progress;  // repeats left out
  GridBox box;                         // as ComputeBoundingBox gives it for the points
};

inline bool operator==(const XyzPoint& a, const XyzPoint& b) {
  return a.x == b.x && a.y == b.y && a.grey == b.grey;
}

inline void AddFigure(std::vector<std::int64_t>& progress, std::int64_t value) {
  if (progress.empty() || progress.back() != value) progress.push_back(value);
}

inline XyzReading OracleRead(const std::u16string& path, XyzSeparator separator) {
  XyzReading r;
  const ObjectHandle file = File_OpenRead(KX_Any, path);
  if (!file) return r;
  const std::int64_t length = File_Length(file);
  while (File_AtEnd(file) == 0) {
    XyzPoint point;
    if (ParseXyzLine(File_ReadLine(file), &point, separator)) r.points.push_back(point);
    AddFigure(r.progress,
              length > 0 ? std::min<std::int64_t>(File_Position(file) * 50 / length, 50) : 0);
  }
  File_Close(file);
  r.box = ComputeBoundingBox(r.points);
  return r;
}

inline XyzReading OracleReadBytes(const std::string& bytes, XyzSeparator separator) {
  const TempFile file(bytes);
  return OracleRead(file.path(), separator);
}

// The fast reader over the bytes, cut before each offset in `cuts`
// (ascending), asked for `wants` beside the points.
inline XyzScanner FastScanBytes(const std::string& bytes, XyzSeparator separator,
                                const std::vector<std::size_t>& cuts, bool skipMark = false,
                                XyzWants wants = {}) {
  XyzScanner scan;
  scan.separator = separator;
  scan.byteOrderMark = skipMark ? 0 : -1;
  scan.length = static_cast<std::int64_t>(bytes.size());
  scan.wants = wants;
  std::size_t start = 0;
  std::vector<unsigned char> chunk;
  auto feed = [&](std::size_t end) {
    // A fresh buffer per chunk, filled with junk behind the bytes: the
    // scanner may rely on its padding only after it wrote it.
    chunk.assign(end - start + kXyzScanPadding, '7');
    std::memcpy(chunk.data(), bytes.data() + start, end - start);
    XyzScan_Chunk(scan, chunk.data(), end - start);
    start = end;
  };
  for (const std::size_t cut : cuts)
    if (cut > start && cut < bytes.size()) feed(cut);
  feed(bytes.size());
  XyzScan_Finish(scan);
  return scan;
}

inline XyzReading FastReadBytes(const std::string& bytes, XyzSeparator separator,
                                const std::vector<std::size_t>& cuts, bool skipMark = false) {
  const XyzScanner scan = FastScanBytes(bytes, separator, cuts, skipMark);
  return {scan.points, scan.progress, scan.box};
}

// Cuts every `step` bytes.
inline std::vector<std::size_t> EveryBytes(std::size_t size, std::size_t step) {
  std::vector<std::size_t> cuts;
  for (std::size_t at = step; at < size; at += step) cuts.push_back(at);
  return cuts;
}
