// The mosaic: every registered tile composed on one grid.
#pragma once

// Composes a new mosaicImage from every registered tile, seeded with the
// current registry record (the tile just registered), in the registry's walk
// order, and previews it. Worker thread only. Returns 0.
int RebuildMosaic();

// Held while the mosaic is replaced and previewed; a preview on another
// thread holds it while it reads its source.
void LockMosaic();
void UnlockMosaic();
