// World files: where a GIS program places the exported mosaic.
#pragma once

#include <cstdint>
#include <string>

// The world file's name for an image: the extension replaced by ".pgw", or
// ".pgw" appended when the file name has none.
std::u16string WorldFilePath(const std::u16string& imagePath);

// The world file GDAL looks for beside a raster of another format: the
// extension's first and last letter and "w" (m.tif: m.tfw), else ".wld".
std::u16string RasterWorldFilePath(const std::u16string& rasterPath);

// Writes the six lines for one pixel per grid unit, north up, whose top-left
// pixel centre lies at (easting + eastFraction, northing + northFraction)
// (the fractions from the grid's placement, 0 for whole units, which are
// written as integers). With a `cell` other than 1 the grid's units are
// cells of that size: pixels `cell` wide, the centre at those figures times
// `cell`. Replaces an older file only when complete. Non-zero on success.
int WriteWorldFile(const std::u16string& path, std::int64_t easting, std::int64_t northing,
                   double eastFraction = 0, double northFraction = 0, double cell = 1);
