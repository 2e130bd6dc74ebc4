// The XYZ loader: one file becomes one registered tile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/xyz_format.h"

// Smallest and largest x and y of a tile's points.
struct BoundingBox {
  std::int64_t minX;
  std::int64_t minY;
  std::int64_t maxX;
  std::int64_t maxY;
};

// Announces the file, refuses content already registered, reads its points
// and rasterises them into a registered tile, then has the mosaic rebuilt.
// 1 when a tile was registered, else 0. Worker thread only.
int LoadXyzFile(const std::u16string& path);

// Fills the box from the points; an empty list leaves it untouched. Returns 0.
int ComputeBoundingBox(const std::vector<XyzPoint>& points, BoundingBox* box);

// The status texts of a file that yielded no data, for callers that could
// not even hand the loader a file (an archive entry that cannot be placed).
void ReportNoXyzData(const std::u16string& name);
