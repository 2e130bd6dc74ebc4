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

// Frees the mosaic image and its store.
void ReleaseMosaic(Converter& core);

// Held while the mosaic is replaced and previewed; a preview on another
// thread holds it while it reads its source.
void LockMosaic(Converter& core);
[[nodiscard]] bool TryLockMosaic(Converter& core);
void UnlockMosaic(Converter& core);
