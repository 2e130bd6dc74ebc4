// The converter's process-wide state and its records.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/data/handle.h"
#include "runtime/data/typed_containers.h"

struct RtMutex;
struct RtCondition;

// One registered tile. Seven signed 64-bit fields, in this order.
struct TileRecord {
  std::int64_t minX;
  std::int64_t minY;  // y is the negated northing: the northern edge
  std::int64_t maxX;
  std::int64_t maxY;
  ObjectHandle image;  // 0 when the tile image could not be made
  std::int64_t width;
  std::int64_t height;
};

enum JobKind : std::int64_t { LoadFile = 0, ExportPng = 1 };

struct JobRecord {
  std::int64_t kind = 0;
  std::u16string path;  // owned by the element
};

struct AppState {
  // Worker thread only: the tile registry, keyed by content digest, and the
  // mosaic's top-left grid coordinate.
  Map<TileRecord>* tiles = nullptr;
  std::int64_t mosaicMinX = 0;
  std::int64_t mosaicMinY = 0;

  // Under queueLock (count also read without it: List_Size is atomic).
  List<JobRecord>* jobQueue = nullptr;
  RtMutex* queueLock = nullptr;
  // Broadcast on every change of the queue or of the worker's state.
  RtCondition* queueChanged = nullptr;
  bool workerRunning = false;  // under queueLock
  bool workerBusy = false;     // under queueLock: a job is running
  bool workerStop = false;     // under queueLock

  // Main thread (the window face).
  ObjectHandle xmlDocument = 0;
  ObjectHandle mainDialog = 0;
  ObjectHandle mainWindow = 0;
  int (*canCloseHandler)() = nullptr;
  void (*exitHandler)() = nullptr;

  // Written by the worker under mosaicLock; the preview reads them under it.
  ObjectHandle mosaicImage = 0;
  ObjectHandle previewSource = 0;
  RtMutex* mosaicLock = nullptr;

  // Worker thread only.
  std::atomic<std::int64_t> lastProgress{0};
};

// The one instance.
AppState& App();

// Creates the registry (512 buckets), the queue and its lock, and registers
// the digest, archive and image encoders the jobs use. Non-zero on success.
int StartConverter();
// Frees what StartConverter made and every tile and mosaic image; the worker
// must have been stopped (StopWorker). For tests and a clean exit.
void StopConverter();
