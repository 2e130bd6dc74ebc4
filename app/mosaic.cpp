#include "app/mosaic.h"

#include <cassert>
#include <utility>

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

void FreeReserve(Converter& core) {
  MosaicStore_Free(core.mosaicReserve);
  core.mosaicReserve = nullptr;
}

// The reserved store when it was made for the tile just added and holds
// `extent`; the caller owns it. nullptr otherwise (a record registered
// without a reservation).
MosaicStore* TakeReserve(Converter& core, const GridBox& extent) {
  MosaicStore* reserve = std::exchange(core.mosaicReserve, nullptr);
  if (reserve && core.tiles->Size() == core.mosaicReserveTiles + 1 &&
      MosaicStore_Holds(*reserve, extent))
    return reserve;
  MosaicStore_Free(reserve);
  return nullptr;
}

bool HaveMosaic(const Converter& core) {
  return core.mosaicStore && core.mosaicImage && Img_IsImage(core.mosaicImage);
}

void DropMosaic(Converter& core) {
  if (core.mosaicImage && Img_IsImage(core.mosaicImage)) Img_Free(core.mosaicImage);
  core.mosaicImage = 0;
  MosaicStore_Free(core.mosaicStore);
  core.mosaicStore = nullptr;
}

}  // namespace

// The store is grown before the tile is registered, so that a tile whose
// mosaic cannot be had is refused rather than kept without a mosaic.
bool ReserveMosaic(Converter& core, const GridBox& box) {
  FreeReserve(core);
  const bool haveMosaic = HaveMosaic(core);
  const GridBox extent = Union(haveMosaic ? core.mosaicStore->shown : core.extent, box);
  if (haveMosaic && MosaicStore_Holds(*core.mosaicStore, extent)) return true;
  MosaicStore* fresh = MosaicStore_Create(extent);
  if (!fresh) {
    core.mosaicLackedMemory = !haveMosaic;
    return false;
  }
  // What the mosaic shows now; the new tile's box is composed once it is registered.
  if (haveMosaic)
    MosaicStore_Copy(*core.mosaicStore, *fresh, core.mosaicStore->shown);
  else if (!core.extent.Empty())
    MosaicStore_Compose(*fresh, *core.tiles, *core.tileIndex, core.extent);
  core.mosaicReserve = fresh;
  core.mosaicReserveTiles = core.tiles->Size();
  return true;
}

// Only the new tile's box can change: outside it a full recomposition draws
// the same tiles in the same relative order as before (the registry never
// reorders existing records). So the box is recomposed from the tiles that
// meet it, and the rest of the store is kept, or moved once into a larger
// store when the extent outgrows it.
void RebuildMosaic(Converter& core, const TileRecord& added) {
  const GridBox& box = added.box;
  const bool drawsPixels = added.image != 0;
  const bool haveMosaic = HaveMosaic(core);
  // The registry's extent already holds the new box.
  const GridBox extent = haveMosaic ? Union(core.mosaicStore->shown, box) : core.extent;

  // A new store is filled before the lock: the preview cannot see it yet.
  const bool moves = !haveMosaic || !MosaicStore_Holds(*core.mosaicStore, extent);
  MosaicStore* fresh = moves ? TakeReserve(core, extent) : nullptr;
  FreeReserve(core);
  if (fresh) {
    if (drawsPixels) MosaicStore_Compose(*fresh, *core.tiles, *core.tileIndex, box);
  } else if (moves) {
    fresh = MosaicStore_Create(extent);
    if (fresh && !haveMosaic) {  // first tile, or after a failure: every tile
      MosaicStore_Compose(*fresh, *core.tiles, *core.tileIndex, extent);
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
    core.mosaicLackedMemory = true;
    UnlockMosaic(core);
    MosaicStore_Free(retired);
    return;
  }
  core.mosaicLackedMemory = false;
  UpdatePreview(core, core.mosaicImage);
  UnlockMosaic(core);
  MosaicStore_Free(retired);
}

void ReleaseMosaic(Converter& core) {
  LockMosaic(core);
  DropMosaic(core);
  UnlockMosaic(core);
  FreeReserve(core);
}
