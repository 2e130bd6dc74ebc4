// The mosaic of the tiles read onto the output's cells (cell_tile.h): the
// Float32 heights over an extent, and where the pixel centres lie.
#pragma once

#include "app/grid_box.h"
#include "app/height_store.h"

struct Converter;
struct CellRule;

// Bytes ComposeCells needs for an extent of `width` x `height` cells.
Wide CellComposeBytes(const CellRule& rule, Wide width, Wide height);

// Every registered tile's cells over `extent`, rows top-down, gaps
// HeightGap(): last takes the value of the tile that comes last in the
// registry's walk order (the picture's rule for overlapping tiles), mean
// is the sum over count of all points of all tiles, min and max are over
// all of them. False when the memory is not available (asked before it is
// taken) or runs out. Once the worker stopped.
bool ComposeCells(const Converter& core, const GridBox& extent, HeightStore* store);

// Over the tiles that kept a point, with the cell size.
Placement CellPlacement(const Converter& core);
