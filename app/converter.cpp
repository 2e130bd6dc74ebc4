#include "app/converter.h"

#include <new>

#include "app/mosaic.h"
#include "app/tile_index.h"
#include "imaging/image.h"
#include "imaging/png_encoder.h"
#include "runtime/data/hash.h"
#include "runtime/data/pack.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"

Converter* StartConverter() {
  Img_Init();
  Img_UsePngEncoder();
  Hash_UseMd5();
  Pack_UseZip();
  auto* core = new (std::nothrow) Converter;
  if (!core) return nullptr;
  core->tiles = new (std::nothrow) Map<TileRecord>(512);
  core->tileIndex = TileIndex_Create();
  core->jobQueue = new (std::nothrow) List<JobRecord>();
  core->queueLock = Mtx_Create();
  core->queueChanged = Cnd_Create();
  core->mosaicLock = Mtx_Create();
  const bool ok = core->tiles && core->tiles->Valid() && core->tileIndex && core->jobQueue &&
                  core->jobQueue->Valid() && core->queueLock && core->queueChanged &&
                  core->mosaicLock;
  if (!ok) {
    StopConverter(core);
    return nullptr;
  }
  return core;
}

void StopConverter(Converter* core) {
  if (!core) return;
  if (core->tiles)
    core->tiles->ForEach([](const TileRecord& tile) {
      if (tile.image) Img_Free(tile.image);
    });
  if (core->mosaicLock) ReleaseMosaic(*core);
  delete core->tiles;
  TileIndex_Free(core->tileIndex);
  delete core->jobQueue;
  Mtx_Free(core->queueLock);
  Cnd_Free(core->queueChanged);
  Mtx_Free(core->mosaicLock);
  delete core;
}

void SetConverterFace(Converter& core, const ConverterFace& face) { core.face = face; }
