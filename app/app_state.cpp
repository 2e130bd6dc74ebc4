#include "app/app_state.h"

#include "imaging/image.h"
#include "imaging/png_encoder.h"
#include "runtime/data/hash.h"
#include "runtime/data/pack.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"

AppState& App() {
  static AppState state;
  return state;
}

int StartConverter() {
  AppState& app = App();
  Img_Init();
  Img_UsePngEncoder();
  Hash_UseMd5();
  Pack_UseZip();
  app.tiles = new Map<TileRecord>(512);
  app.jobQueue = new List<JobRecord>();
  app.queueLock = Mtx_Create();
  app.queueChanged = Cnd_Create();
  app.mosaicLock = Mtx_Create();
  const bool ok = app.tiles->Valid() && app.jobQueue->Valid() && app.queueLock &&
                  app.queueChanged && app.mosaicLock;
  if (!ok) StopConverter();
  return ok ? 1 : 0;
}

void StopConverter() {
  AppState& app = App();
  if (app.tiles) {
    app.tiles->Reset();
    while (TileRecord* tile = app.tiles->Next())
      if (tile->image) Img_Free(tile->image);
  }
  if (app.mosaicImage) Img_Free(app.mosaicImage);
  delete app.tiles;
  delete app.jobQueue;
  Mtx_Free(app.queueLock);
  Cnd_Free(app.queueChanged);
  Mtx_Free(app.mosaicLock);
  app.tiles = nullptr;
  app.jobQueue = nullptr;
  app.queueLock = nullptr;
  app.queueChanged = nullptr;
  app.mosaicLock = nullptr;
  app.mosaicImage = 0;
  app.previewSource = 0;
  app.mosaicMinX = app.mosaicMinY = 0;
  app.lastProgress = 0;
  app.workerRunning = app.workerBusy = app.workerStop = false;
}
