// The 8-bit picture of an output grid of cells (app/cell_grid.h): made
// from the same Float32 mosaic as the outputs of heights, so the PNG shows
// the same pixels as a GeoTIFF of the same run.
#pragma once

#include <string>

#include "app/face.h"

struct Converter;

// Saves the mosaic of cells over the converter's extent at `path` as an
// RGB PNG whose grey is the low byte of each pixel's truncated height
// (black without a point), with the status texts of saving. Once the
// worker stopped.
ExportOutcome WriteCellPicture(Converter& core, const std::u16string& path);
