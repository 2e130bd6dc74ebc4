// The steps that turn a file's points into a registered tile, in the order
// LoadXyzFile calls them. Worker thread only.
#pragma once

#include <string>
#include <vector>

#include "app/converter.h"
#include "app/xyz_format.h"

// " (W x H)": the size of `box` as the refusals name it (any size the grid allows).
std::u16string BoxSizeText(const GridBox& box);

// Why a tile of `box` cannot be kept (named `name` in the text): the tile,
// or the mosaic with it added, is wider or taller than an image can be.
// kLoaded with no text when it fits.
struct TileRefusal {
  LoadOutcome outcome = LoadOutcome::kLoaded;
  std::u16string text;
};
TileRefusal TileSizeRefusal(const Converter& core, const GridBox& box, const std::u16string& name);
// The refusal of a tile whose mosaic's memory could not be had, with the
// size of that mosaic.
TileRefusal MosaicMemoryRefusal(const Converter& core, const GridBox& box,
                                const std::u16string& name);

// A transparent 32-bit image of the box with one opaque grey pixel per
// point (a later point wins its pixel); 0 when no image could be made. The
// bar climbs from 50 to 100 while it draws. The box fits (TileSizeRefusal).
ObjectHandle MakeTileImage(Converter& core, const std::vector<XyzPoint>& points,
                           const GridBox& box);

// Registers a tile under its content digest and widens the converter's
// extent by it. `image` (0 allowed) belongs to the registry from here on.
// nullptr when memory runs out or the key is registered already: then
// nothing is registered and the image stays the caller's.
// True when a tile is registered under `key`.
[[nodiscard]] bool IsRegistered(Converter& core, const std::u16string& key);

[[nodiscard]] const TileRecord* RegisterTile(Converter& core, const std::u16string& key,
                                             const GridBox& box, ObjectHandle image);
