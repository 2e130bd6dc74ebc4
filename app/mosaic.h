// The mosaic: every registered tile composed on one grid.
#pragma once

#include "app/converter.h"

// Brings the mosaic up to date after `added` (the tile just registered) and
// previews it: the same pixels as composing every registered tile afresh in
// the registry's walk order, at a cost that follows the new tile's area
// (see app/mosaic_store.h). If no mosaic can be made, mosaicImage is 0 and
// nothing is previewed; the next tile composes all tiles again. Worker
// thread only.
void RebuildMosaic(Converter& core, const TileRecord& added);

// Before a tile of `box` is registered: when the mosaic with it outgrows
// its store, makes the larger store now and fills it with the present
// picture, for the RebuildMosaic that follows the registration. False when
// that memory cannot be had: then the tile must be refused, and the mosaic
// stays as it is. Worker thread only.
[[nodiscard]] bool ReserveMosaic(Converter& core, const GridBox& box);

// Frees the mosaic image, its store and a reserved one.
void ReleaseMosaic(Converter& core);

// Held while the mosaic is replaced and previewed; a preview on another
// thread holds it while it reads its source.
void LockMosaic(Converter& core);
[[nodiscard]] bool TryLockMosaic(Converter& core);
void UnlockMosaic(Converter& core);
