#include "app/mosaic.h"

#include <cassert>

#include "app/indicators.h"
#include "app/mosaic_store.h"
#include "imaging/image.h"
#include "runtime/system/mutex.h"

void LockMosaic(Converter& core) { Mtx_Lock(core.mosaicLock); }
bool TryLockMosaic(Converter& core) { return Mtx_TryLock(core.mosaicLock) != 0; }
void UnlockMosaic(Converter& core) { Mtx_Unlock(core.mosaicLock); }

namespace {

// Replaces mosaicImage by an image over the extent's part of the store
// (caller holds the mosaic lock). False when no image could be made.
bool ShowExtent(Converter& core, MosaicStore& store, const GridBox& extent) {
  assert(Mtx_IsHeld(core.mosaicLock));
  if (core.mosaicImage && Img_IsImage(core.mosaicImage)) Img_Free(core.mosaicImage);
  core.mosaicImage = Img_CreateOver(KX_Any, MosaicStore_Pixel(store, extent.minX, extent.maxY),
                                   static_cast<std::int64_t>(extent.Width()),
                                   static_cast<std::int64_t>(extent.Height()), 32,
                                   static_cast<int>(store.stride));
  core.mosaicMinX = extent.minX;
  core.mosaicMinY = extent.minY;
  store.shown = extent;
  return core.mosaicImage != 0;
}

void DropMosaic(Converter& core) {
  if (core.mosaicImage && Img_IsImage(core.mosaicImage)) Img_Free(core.mosaicImage);
  core.mosaicImage = 0;
  MosaicStore_Free(core.mosaicStore);
  core.mosaicStore = nullptr;
}

}  // namespace

// Only the new tile's box can change: outside it a full recomposition draws
// the same tiles in the same relative order as before (the registry never
// reorders existing records). So the box is recomposed from the tiles that
// meet it, and the rest of the store is kept, or moved once into a larger
// store when the extent outgrows it.
void RebuildMosaic(Converter& core, const TileRecord& added) {
  const GridBox& box = added.box;
  const bool drawsPixels = added.image != 0;
  const bool haveMosaic = core.mosaicStore && core.mosaicImage && Img_IsImage(core.mosaicImage);
  // The registry's extent already holds the new box.
  const GridBox extent = haveMosaic ? Union(core.mosaicStore->shown, box) : core.extent;

  // A new store is filled before the lock: the preview cannot see it yet.
  const bool moves = !haveMosaic || !MosaicStore_Holds(*core.mosaicStore, extent);
  MosaicStore* fresh = nullptr;
  if (moves) {
    fresh = MosaicStore_Create(extent);
    if (fresh && !haveMosaic) {
      MosaicStore_Compose(*fresh, *core.tiles, *core.tileIndex, extent);  // first tile, or after a failure: every tile
    } else if (fresh) {
      MosaicStore_Copy(*core.mosaicStore, *fresh, core.mosaicStore->shown);
      if (drawsPixels) MosaicStore_Compose(*fresh, *core.tiles, *core.tileIndex, box);
    }
  }

  LockMosaic(core);
  MosaicStore* retired = nullptr;
  if (!haveMosaic) {
    DropMosaic(core);
    core.mosaicStore = fresh;
  } else if (moves) {
    retired = core.mosaicStore;  // freed once no image shows it any more
    core.mosaicStore = fresh;
  } else if (drawsPixels) {
    MosaicStore_Compose(*core.mosaicStore, *core.tiles, *core.tileIndex, box);
  }
  if (!core.mosaicStore || !ShowExtent(core, *core.mosaicStore, extent)) {
    DropMosaic(core);  // no mosaic, no preview; the next tile tries again
    UnlockMosaic(core);
    MosaicStore_Free(retired);
    return;
  }
  UpdatePreview(core, core.mosaicImage);
  UnlockMosaic(core);
  MosaicStore_Free(retired);
}

void ReleaseMosaic(Converter& core) {
  LockMosaic(core);
  DropMosaic(core);
  UnlockMosaic(core);
}
