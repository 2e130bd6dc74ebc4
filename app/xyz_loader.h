// The XYZ loader: one file becomes one registered tile. The road of one
// file: announce it, read and digest it once (ReadXyzOnce), refuse known
// content, check the tile's size (CheckTileSize), draw its image
// (MakeTileImage), make room in the mosaic (ReserveMosaic), register it
// (RegisterTile) and update the mosaic (RebuildMosaic).
#pragma once

#include <string>
#include <vector>

#include "app/converter.h"
#include "app/xyz_format.h"

// Loads the file at path into `core` and says what became of it (kLoaded:
// a tile was registered). The caller reports the outcome. Worker thread only.
LoadOutcome LoadXyzFile(Converter& core, const std::u16string& path);
// The same for a file whose status texts call it `name` (an archive entry
// read from a scratch file of another name).
LoadOutcome LoadXyzFileAs(Converter& core, const std::u16string& path, const std::u16string& name);

// The box of the points; empty for no points.
GridBox ComputeBoundingBox(const std::vector<XyzPoint>& points);

// The status text of a file that gave no points.
std::u16string NoXyzDataText(const std::u16string& name);

// The status texts of a file that yielded no data, for callers that could
// not even hand the loader a file (an archive entry that cannot be placed).
void ReportNoXyzData(Converter& core, const std::u16string& name);
