// The options of relivox-batch that choose and shape the output file: its
// format, no-data value, creation options, coordinate system and the 16-bit
// heightmap. Parsed beside the other options; checked against GDAL later
// (app/batch/height_output.h).
#pragma once

#include <string>
#include <vector>

#include "app/cell_grid.h"

enum class OutputKind {
  kPicture,    // the 8-bit RGB PNG of the low byte of z, as the window saves it
  kHeightmap,  // a 16-bit grey PNG stretched over the height range
  kRaster,     // Float32 heights through a GDAL raster driver
  kHillshade,  // shaded relief: an 8-bit grey PNG, or a Byte band through a GDAL driver
};

struct OutputOptions {
  std::string format;  // -f: a GDAL driver name; empty: by the output's extension
  double nodata = -9999;
  std::vector<std::string> creationOptions;  // --co KEY=VALUE, in the order given
  std::string crs;                           // --crs: as the user typed it
  bool heightmap = false;
  bool rangeGiven = false;
  double rangeMin = 0;
  double rangeMax = 0;
  bool hillshade = false;
  bool zFactorGiven = false;
  double zFactor = 1;  // --zfactor: multiplies the heights of the hillshade
  // The output's grid (cell_options.h): the pixel's side in coordinate
  // units, the reduction of a pixel's points, the clipping box.
  double cell = 1;
  bool reduceGiven = false;
  CellReduce reduce = CellReduce::kLast;
  bool extentGiven = false;
  double extent[4] = {};  // XMIN YMIN XMAX YMAX
};

// A whole argument as a finite number (C locale: the batch sets none).
bool ParseNumberArgument(const char* text, double* value);

// Reads the output option at argv[i], if it is one: the number of arguments
// it took (0: not an output option). On a bad value `error` is set.
int ParseOutputOption(int argc, const char* const* argv, int i, OutputOptions* options,
                      std::string* error);

// The kind of output and, for kRaster and kHillshade, the driver's name: -f,
// else .tif and .tiff are GTiff, else PNG: the picture (any other name, as
// before) or the hillshade.
OutputKind ChooseOutput(const OutputOptions& options, const std::string& outputPath,
                        std::string* driver);

// Usage errors between the options (a heightmap that is not a PNG, --range
// without --heightmap, --zfactor without --hillshade, output options
// without -o); empty when they fit.
std::string CheckOutputOptions(const OutputOptions& options, const std::string& outputPath);

// The usage lines of these options.
std::string OutputUsage();
