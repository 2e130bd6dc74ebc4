#include "app/mosaic.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/indicators.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/system/mutex.h"

void LockMosaic() { Mtx_Lock(App().mosaicLock); }
void UnlockMosaic() { Mtx_Unlock(App().mosaicLock); }

int RebuildMosaic() {
  AppState& app = App();
  Map<TileRecord>& tiles = *app.tiles;
  const TileRecord* seed = tiles.Current();
  if (!seed) return 0;
  std::int64_t minX = seed->minX, minY = seed->minY, maxX = seed->maxX, maxY = seed->maxY;
  tiles.Reset();
  while (const TileRecord* tile = tiles.Next()) {
    minX = std::min(minX, tile->minX);
    minY = std::min(minY, tile->minY);
    maxX = std::max(maxX, tile->maxX);
    maxY = std::max(maxY, tile->maxY);
  }
  // The loader refuses tiles that would make this larger than an image can be.
  const std::int64_t width = maxX - minX + 1;
  const std::int64_t height = maxY - minY + 1;

  LockMosaic();
  if (app.mosaicImage && Img_IsImage(app.mosaicImage)) Img_Free(app.mosaicImage);
  app.mosaicImage = Img_Create(KX_Any, width, height, 32, -1);
  if (!app.mosaicImage) {
    UnlockMosaic();
    return 0;
  }
  app.mosaicMinX = minX;
  app.mosaicMinY = minY;
  if (Draw_Start(Img_Output(app.mosaicImage))) {
    Draw_Mode(DrawMode_SourceOver);
    tiles.Reset();
    while (const TileRecord* tile = tiles.Next())
      if (tile->image && Img_IsImage(tile->image))
        Draw_AlphaImage(Img_Handle(tile->image), tile->minX - minX, tile->minY - minY);
    Draw_Stop();
  }
  UpdatePreview(app.mosaicImage);
  UnlockMosaic();
  return 0;
}
