// The output grid of relivox-batch when it is not the picture's grid of one
// unit per pixel: pixels SIZE units wide and tall (--cell), a box that clips
// the points (--extent), and how the points of one pixel are reduced
// (--reduce). Cells are numbered like the picture's units: column
// trunc(x / size), row -trunc(northing / size); the grid is anchored at 0,
// so runs with the same size align pixel for pixel.
#pragma once

#include <cstdint>

#include "app/grid_box.h"

struct Converter;

enum class CellReduce : int { kLast, kMean, kMin, kMax };

struct CellRule {
  // false: the picture's grid (the window's, and relivox-batch's default
  // PNG), through tile images and the 32-bit mosaic.
  bool active = false;
  double size = 1;
  CellReduce reduce = CellReduce::kLast;
  // The clipping box on eastings and northings, half-open:
  // minX <= x < maxX, minY <= northing < maxY.
  bool clipped = false;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  GridBox cells;  // the cells the box's points can fall into (rows: negated)
  // Coordinates are read as decimals (a size other than 1, or a box);
  // otherwise the reader's integers are the cells.
  bool decimal = false;
  // Tiles and the mosaic keep the picture's limit of kMaxImageSide a side
  // (PNG outputs); GDAL outputs are limited by memory alone.
  bool pictureLimits = false;
};

// The cell of a coordinate: trunc(coordinate / size), where a quotient
// within 1e-9 (relative) of an integer counts as that integer, so 0.3 / 0.1
// is 3. `fraction` gets the quotient's part behind the cell (with its sign,
// 0 for whole quotients). False when the cell lies beyond +-2^62 or the
// coordinate is no number: such a point has no place on the grid.
bool CellOf(double coordinate, double size, std::int64_t* cell, double* fraction);

// A rule of `size` and `reduce`, clipped to [box[0], box[2]) x [box[1],
// box[3]) when `box` is given, with `cells` worked out. The box must not be
// empty and its corners must have cells (CellBoxFits).
CellRule MakeCellRule(double size, CellReduce reduce, const double* box);
// True when the corners of the box have cells at `size`.
bool CellBoxFits(double size, const double box[4]);

// Installs the rule before the worker starts: what the reader must give
// (heights always, decimal coordinates or the integer phases) and, with a
// box, the mosaic's extent from the start (its cells, whether points fall
// there or not).
void UseCellRule(Converter& core, const CellRule& rule);
