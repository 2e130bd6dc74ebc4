// The mosaic: every registered tile composed on one grid.
#pragma once

// Brings mosaicImage up to date after the current registry record (the tile
// just registered) was added, and previews it: the same pixels as composing
// every registered tile afresh in the registry's walk order, at a cost that
// follows the new tile's area (see app/mosaic_store.h). If no mosaic can be
// made, mosaicImage is 0 and nothing is previewed; the next tile composes
// all tiles again. Worker thread only. Returns 0.
int RebuildMosaic();

// Frees the mosaic image and its store (StopConverter).
void ReleaseMosaic();

// Held while the mosaic is replaced and previewed; a preview on another
// thread holds it while it reads its source.
void LockMosaic();
void UnlockMosaic();
