// A spatial index of the registered tiles, so that recomposing a box costs
// the tiles that meet it, not every tile. Worker thread only (as the
// registry it mirrors).
//
// Cells: a tile goes to the level whose square cells (2^k grid units a
// side, k >= 4) are at least as wide as its larger side, so it lies in at
// most 2 x 2 cells there; each level is a hash of the cells that hold
// tiles. A query probes, on each level that holds tiles, the cells the box
// covers (or walks the level's tiles when they are fewer than those cells)
// and takes a tile only in the first cell where it and the box meet, so no
// tile is found twice.
//
// Order: the registry's walk goes through its buckets in ascending order
// and each chain newest first. Records are never removed nor moved, so a
// record's place is fixed by (bucket, order of registration): a tile's
// sort key is its bucket, then its registration count reversed. The
// position in its chain would shift with every newer key of its bucket;
// this key never changes, and sorting the few candidates by it gives them
// exactly in walk order.
#pragma once

#include <cstdint>
#include <vector>

#include "app/converter.h"
#include "app/grid_box.h"

struct TileIndex;

// An empty index; nullptr when memory runs out.
[[nodiscard]] TileIndex* TileIndex_Create();
void TileIndex_Free(TileIndex* index);

// Records `tile` (a registry record, which stays where it is), registered
// after every tile the index holds, under the registry's walk bucket
// `bucket`. False when memory runs out: then nothing is recorded.
[[nodiscard]] bool TileIndex_Add(TileIndex& index, const TileRecord* tile, std::int64_t bucket);

// The tiles whose boxes meet `box`, in the registry's walk order, into
// `tiles` (replacing its content). False when memory runs out.
[[nodiscard]] bool TileIndex_Meeting(const TileIndex& index, const GridBox& box,
                                     std::vector<const TileRecord*>* tiles);

std::int64_t TileIndex_Size(const TileIndex& index);
