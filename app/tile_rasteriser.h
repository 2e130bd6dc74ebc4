// The second half of loading a file: its points become a tile image, which
// is registered and composed into the mosaic.
#pragma once

#include <string>

#include "app/xyz_format.h"
#include "runtime/data/typed_containers.h"

// `points` holds at least one point; `key` is the file's content digest and
// `name` its file name for the status texts. Refuses a tile (status, progress
// 0, nothing registered) whose box, or the mosaic it would make, is wider or
// taller than an image can be. 1 when the tile was registered, else 0.
int RasteriseTile(List<XyzPoint>& points, const std::u16string& key, const std::u16string& name);
