// The fast XYZ reader: turns the bytes of a file, handed over in chunks of
// any size, into the same points (and the same progress figures) as reading
// it line by line and converting every line with ParseXyzLine.
//
// It works on bytes, not decoded text: every byte of 128 and above belongs to
// some character that is neither a digit, a sign, a prefix, a blank nor a
// separator, and a UTF-8 sequence never swallows an ASCII byte, so no byte
// outside ASCII can change a point or move a line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <string>

#include "app/grid_box.h"
#include "app/xyz_format.h"
#include "app/xyz_heights.h"

// Bytes behind every chunk that the scanner may overwrite and read ahead.
inline constexpr std::size_t kXyzScanPadding = 64;

// A line that began in an earlier chunk, read byte by byte.
struct XyzLineState {
  std::uint64_t fields[3] = {};
  std::uint64_t value = 0;
  int field = 0;  // 3: the rest of the line is ignored
  int phase = 0;
  int base = 10;
  bool negative = false;
};

struct XyzScanner {
  XyzSeparator separator = XyzSeparator::kComma;
  // 0: a UTF-8 byte-order mark at the start is skipped (1, 2: that many of
  // its bytes seen so far, 3: skipped); -1: bytes are read as they are.
  int byteOrderMark = -1;
  std::int64_t length = 0;       // the file's length, which the progress figures divide by
  std::vector<XyzPoint> points;  // the accepted points, in file order
  GridBox box;                   // their bounding box, found on the way (empty: none)
  // The reading progress after each line (position * 50 / length, at most
  // 50), with repeats left out: what SetProgress would have passed on.
  std::vector<std::int64_t> progress;
  // What an output needs beyond the points (set before the first chunk):
  // `heights` has one z per point, in the same order; the phases cover x
  // and the northing of every accepted point.
  XyzWants wants;
  std::vector<float> heights;
  std::vector<double> eastings, northings;  // `coordinates`: one each per point
  XyzPhase phaseX, phaseY;

  // Scanning state.
  std::int64_t offset = 0;  // bytes of earlier chunks
  bool inLine = false;      // `line` holds a line not yet ended
  bool pendingCr = false;   // the last chunk ended on a CR; an LF next is part of it
  XyzLineState line;
  std::string lineBytes;  // the bytes of `line` so far, when extras are wanted
  std::int64_t nextProgressAt = 0;  // the first position whose figure differs
};

// Scans `size` bytes at `data`, which must be followed by kXyzScanPadding
// bytes the scanner may write. False when memory for the points ran out.
bool XyzScan_Chunk(XyzScanner& scanner, unsigned char* data, std::size_t size);
// The end of the file: ends the last line.
bool XyzScan_Finish(XyzScanner& scanner);
