// A tile's points reduced to the cells of the output grid while its file is
// read (cell_grid.h): per cell a value (last, min, max) or a sum and a
// count (mean). A tile costs its cells, not its points nor a one-unit grid,
// and the reader's list of points is emptied after every chunk.
#pragma once

#include <cstdint>
#include <vector>

#include "app/cell_grid.h"
#include "app/grid_box.h"
#include "app/xyz_heights.h"

struct TileRecord;
struct XyzScanner;

struct CellTile {
  GridBox box;                        // the cells held, rows top-down from box.minY; empty: none
  std::vector<float> values;          // last, min, max: per cell, gaps HeightGap()
  std::vector<double> sums;           // mean: per cell
  std::vector<std::uint32_t> counts;  // mean: per cell, 0 a gap
  XyzPhase phaseX, phaseY;            // of the points kept: x / size, northing / size
};

// A registered tile's cells (Converter::cellTiles).
struct CellTileEntry {
  const TileRecord* record = nullptr;  // the registry's record, which never moves
  CellTile tile;
};

// One cell's point of a chunk, between finding the chunk's box and adding.
struct CellHit {
  std::int64_t column, row;
  float z;
};

// A file being read onto the cells of `rule`; the worker's while it reads.
struct CellBuilder {
  explicit CellBuilder(const CellRule& cellRule) : rule(&cellRule) {}
  const CellRule* rule;
  CellTile tile;              // `box` holds room to grow until CellBuilder_Finish
  GridBox used;               // the cells that got a point
  std::int64_t points = 0;    // accepted lines, inside the box or not
  bool lackedMemory = false;  // the cells could not be had: the tile is refused
  bool oversized = false;     // beyond the picture's limit: only `used` grows
  std::vector<CellHit> hits;  // scratch of one chunk
};

// Adds the points the scanner gathered since the last call to the builder
// and empties the scanner's lists of them (an XyzPointDrain). False when
// memory ran out (lackedMemory): the read must stop.
bool CellBuilder_Take(CellBuilder& builder, XyzScanner& scan);
// After the file's last chunk: the tile cut to the cells that got a point,
// with the phases of the reader when it read whole units. False when
// memory ran out.
bool CellBuilder_Finish(CellBuilder& builder, const XyzScanner& scan);
