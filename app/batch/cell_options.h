// The options of relivox-batch that choose the output's grid: --cell (the
// pixel's size in coordinate units), --reduce (the points of one pixel) and
// --extent (a clipping box). Parsed beside the other output options; the
// converter gets them as a CellRule (app/cell_grid.h).
#pragma once

#include <string>

#include "app/batch/output_options.h"
#include "app/cell_grid.h"

// Reads the grid option at argv[i], if it is one: the number of arguments
// it took (0: not a grid option). On a bad value `error` is set.
int ParseCellOption(int argc, const char* const* argv, int i, OutputOptions* options,
                    std::string* error);

// Usage errors between the grid options; empty when they fit.
std::string CheckCellOptions(const OutputOptions& options);

// True when any grid option differs from the picture's grid.
bool CellOptionsGiven(const OutputOptions& options);

// The reduction of these options: --reduce, else last for --cell 1 (the
// later point wins, as in the picture) and mean for other sizes.
CellReduce ReductionOf(const OutputOptions& options);

// The converter's rule for an output: active unless the output is a PNG on
// the picture's grid (one unit, no box, the later point wins), which stays
// the window's picture byte for byte; GDAL rasters (`gdalRaster`) always go
// on cells, so no 32-bit mosaic (nor its limit of 32767 pixels) is made.
CellRule CellRuleOf(const OutputOptions& options, bool gdalRaster);

// The usage lines of these options.
std::string CellUsage();
