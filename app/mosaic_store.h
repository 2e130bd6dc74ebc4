// The pixels behind the mosaic: one 32-bit store larger than the mosaic's
// extent, so that a tile which widens the extent costs only its own area.
// `mosaicImage` is an image over the part of the store the extent covers
// (Img_CreateOver): exactly the extent's size, with a stride wider than its
// rows. Readers must step rows by the bitmap's stride.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/converter.h"
#include "app/grid_box.h"
#include "app/tile_index.h"

// Grid coordinate (originX, originY) is the store's top-left pixel; pixels
// are bottom-up rows `stride` bytes apart, blue, green, red, alpha. Pixels
// outside the extent the store was told about are always 0 (transparent).
struct MosaicStore {
  std::uint8_t* base = nullptr;  // an anonymous mapping of `bytes`
  std::size_t bytes = 0;
  std::int64_t originX = 0;
  std::int64_t originY = 0;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  GridBox shown;  // the part mosaicImage covers
};

// A store that holds `extent` with room to grow on every side, all
// transparent; null when no memory can be mapped even for the extent alone.
MosaicStore* MosaicStore_Create(const GridBox& extent);
void MosaicStore_Free(MosaicStore* store);

bool MosaicStore_Holds(const MosaicStore& store, const GridBox& extent);

// Address of the pixel at grid (x, y), which the store holds.
inline std::uint8_t* MosaicStore_Pixel(const MosaicStore& store, std::int64_t x, std::int64_t y) {
  const auto row = static_cast<std::size_t>(store.height - 1 - (y - store.originY));
  return store.base + row * store.stride + static_cast<std::size_t>(x - store.originX) * 4;
}

// Copies the pixels of `extent` (held by both) from one store to the other.
void MosaicStore_Copy(const MosaicStore& from, MosaicStore& to, const GridBox& extent);

// Makes `box` transparent and draws every tile of `tiles` that meets it, in
// the registry's walk order, clipped to the box: the pixels a full
// recomposition would give there. `index` (of the same tiles) finds them.
void MosaicStore_Compose(MosaicStore& store, const Map<TileRecord>& tiles, const TileIndex& index,
                         const GridBox& box);
