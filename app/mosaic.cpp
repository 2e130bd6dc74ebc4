#include "app/mosaic.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/mosaic_store.h"
#include "imaging/image.h"
#include "runtime/system/mutex.h"

void LockMosaic() { Mtx_Lock(App().mosaicLock); }
void UnlockMosaic() { Mtx_Unlock(App().mosaicLock); }

namespace {

MosaicExtent ExtentOf(const TileRecord& tile) {
  return {tile.minX, tile.minY, tile.maxX, tile.maxY};
}

MosaicExtent Union(const MosaicExtent& a, const MosaicExtent& b) {
  return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX),
          std::max(a.maxY, b.maxY)};
}

// Replaces mosaicImage by an image over the extent's part of the store
// (caller holds the mosaic lock). False when no image could be made.
bool ShowExtent(AppState& app, MosaicStore& store, const MosaicExtent& extent) {
  if (app.mosaicImage && Img_IsImage(app.mosaicImage)) Img_Free(app.mosaicImage);
  app.mosaicImage =
      Img_CreateOver(KX_Any, MosaicStore_Pixel(store, extent.minX, extent.maxY), extent.Width(),
                     extent.Height(), 32, static_cast<int>(store.stride));
  app.mosaicMinX = extent.minX;
  app.mosaicMinY = extent.minY;
  store.shown = extent;
  return app.mosaicImage != 0;
}

void DropMosaic(AppState& app) {
  if (app.mosaicImage && Img_IsImage(app.mosaicImage)) Img_Free(app.mosaicImage);
  app.mosaicImage = 0;
  MosaicStore_Free(app.mosaicStore);
  app.mosaicStore = nullptr;
}

}  // namespace

// Only the new tile's box can change: outside it a full recomposition draws
// the same tiles in the same relative order as before (the registry never
// reorders existing records). So the box is recomposed from the tiles that
// meet it, and the rest of the store is kept, or moved once into a larger
// store when the extent outgrows it.
int RebuildMosaic() {
  AppState& app = App();
  Map<TileRecord>& tiles = *app.tiles;
  const TileRecord* seed = tiles.Current();
  if (!seed) return 0;
  const MosaicExtent box = ExtentOf(*seed);
  const bool drawsPixels = seed->image != 0;
  const bool haveMosaic = app.mosaicStore && app.mosaicImage && Img_IsImage(app.mosaicImage);
  MosaicExtent extent = box;
  if (haveMosaic) {
    extent = Union(app.mosaicStore->shown, box);
  } else {
    tiles.Reset();
    while (const TileRecord* tile = tiles.Next()) extent = Union(extent, ExtentOf(*tile));
  }

  // A new store is filled before the lock: the preview cannot see it yet.
  const bool moves = !haveMosaic || !MosaicStore_Holds(*app.mosaicStore, extent);
  MosaicStore* fresh = nullptr;
  if (moves) {
    fresh = MosaicStore_Create(extent);
    if (fresh && !haveMosaic) {
      MosaicStore_Compose(*fresh, extent);  // first tile, or after a failure: every tile
    } else if (fresh) {
      MosaicStore_Copy(*app.mosaicStore, *fresh, app.mosaicStore->shown);
      if (drawsPixels) MosaicStore_Compose(*fresh, box);
    }
  }

  LockMosaic();
  MosaicStore* retired = nullptr;
  if (!haveMosaic) {
    DropMosaic(app);
    app.mosaicStore = fresh;
  } else if (moves) {
    retired = app.mosaicStore;  // freed once no image shows it any more
    app.mosaicStore = fresh;
  } else if (drawsPixels) {
    MosaicStore_Compose(*app.mosaicStore, box);
  }
  if (!app.mosaicStore || !ShowExtent(app, *app.mosaicStore, extent)) {
    DropMosaic(app);  // no mosaic, no preview; the next tile tries again
    UnlockMosaic();
    MosaicStore_Free(retired);
    return 0;
  }
  UpdatePreview(app.mosaicImage);
  UnlockMosaic();
  MosaicStore_Free(retired);
  return 0;
}

void ReleaseMosaic() {
  AppState& app = App();
  LockMosaic();
  DropMosaic(app);
  UnlockMosaic();
}
