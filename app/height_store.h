// Heights beside the grey pictures, kept only when an output needs them:
// a Float32 per tile pixel, and a Float32 mosaic composed from the tiles in
// the registry's walk order (the order the 32-bit mosaic uses), so the same
// point wins a pixel in every output. Also where the pixel centres lie.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/grid_box.h"
#include "app/xyz_heights.h"
#include "runtime/data/handle.h"

struct Converter;
struct XyzScanner;

// A pixel without a point: a signalling NaN, which no conversion of a
// number (strtod's "nan" included) gives, so a point's NaN stays a value.
inline constexpr std::uint32_t kHeightGapBits = 0x7F800001u;
inline bool IsHeightGap(float value) { return std::bit_cast<std::uint32_t>(value) == kHeightGapBits; }
inline float HeightGap() { return std::bit_cast<float>(kHeightGapBits); }

// What a tile keeps beside its image (Converter::tileExtras, keyed by it).
struct TileExtras {
  GridBox box;
  std::vector<float> heights;  // rows top-down from box.minY; empty without heights
  XyzPhase phaseX, phaseY;
};

// Keeps the extras of a tile just drawn into `image` from the same points
// (a later point wins its pixel, as in the image); takes scan.heights over
// when they are the grid already. True when nothing is wanted; false when
// memory ran out (then nothing is kept). Worker only.
bool KeepTileExtras(Converter& core, ObjectHandle image, XyzScanner& scan, const GridBox& box);
// Forgets them again (a tile that was not registered after all).
void DropTileExtras(Converter& core, ObjectHandle image);

// Where the pixel centres of the mosaic lie: grid unit k of x at k + x, of
// the northing n at n + y. For grids of whole units both are 0; a tile whose
// points disagree counts as 0.5 (the middle of the truncation cell), and so
// does an axis whose tiles disagree (`tilesDisagree`).
// `cell` is the pixel's side in coordinate units (--cell): unit k of the
// grid spans k * cell to (k + 1) * cell before the shift.
struct Placement {
  double x = 0;
  double y = 0;
  bool tilesDisagree = false;
  double cell = 1;
};
// Over every registered tile with extras (with an output grid of cells:
// every tile that kept a point); {0, 0} when placement was not tracked.
// The worker, or any thread once it stopped.
Placement MosaicPlacement(const Converter& core);
// Adds one tile's phases to a placement worked out over the tiles (`first`:
// none was added yet).
void AddTilePlacement(Placement& placement, bool& first, const XyzPhase& x, const XyzPhase& y);

// The Float32 mosaic over `extent`, rows top-down; gaps are HeightGap().
struct HeightStore {
  GridBox extent;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::unique_ptr<float[]> values;
};
// Composes every tile with heights that meets the extent, in walk order
// (with an output grid of cells, ComposeCells). False when memory runs
// out. Once the worker stopped.
bool ComposeHeights(const Converter& core, const GridBox& extent, HeightStore* store);
