// The second half of loading a file: its points become a tile image, which
// is registered and composed into the mosaic.
#pragma once

#include <string>
#include <vector>

#include "app/xyz_format.h"
#include "app/xyz_loader.h"

// `points` holds at least one point; `key` is the file's content digest and
// `name` its file name for the status texts. Refuses a tile (status, progress
// 0, nothing registered) whose box, or the mosaic it would make, is wider or
// taller than an image can be. 1 when the tile was registered, else 0.
// `box`, when given, is the points' bounding box as the reader found it.
int RasteriseTile(std::vector<XyzPoint>& points, const std::u16string& key,
                  const std::u16string& name, const BoundingBox* box = nullptr);
