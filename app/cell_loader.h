// The end of a file's road when the output has a grid of cells
// (cell_grid.h): its points were reduced to cells while it was read
// (CellBuilder), and the tile is registered with those cells and no image;
// no 32-bit tile nor mosaic is made. Worker thread only.
#pragma once

#include <string>

#include "app/cell_tile.h"
#include "app/converter.h"

// The refusal text of a tile whose cells could not be had.
std::u16string CellMemoryText(const CellBuilder& builder, const std::u16string& name);

// From "Bestimme Koordinaten" on: the tile cut to its cells, checked
// against the picture's limit when the rule keeps it, registered under
// `key` (a tile without a point inside the clipping box too: it is loaded,
// and its content known), its file's length noted. The outcome, with the
// status texts and the bar as LoadXyzFile gives them.
LoadOutcome KeepCellTile(Converter& core, const std::u16string& key, std::int64_t length,
                         const XyzScanner& scan, CellBuilder& builder, const std::u16string& name);
