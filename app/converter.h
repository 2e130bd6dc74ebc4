// The converter core as one object: the tile registry, the job queue with
// its worker, the mosaic, and the face that shows what they do. Every job,
// loader and mosaic routine receives the converter it works on; nothing in
// the core is process-wide.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/cell_tile.h"
#include "app/face.h"
#include "app/grid_box.h"
#include "app/height_store.h"
#include "app/xyz_format.h"
#include "runtime/data/handle.h"
#include "runtime/data/typed_containers.h"

struct RtMutex;
struct RtCondition;
struct MosaicStore;
struct TileIndex;

// One registered tile: seven signed 64-bit fields, in this order (the box's
// four, then the image and its size).
struct TileRecord {
  GridBox box;
  ObjectHandle image;  // 0 when the tile image could not be made
  std::int64_t width;
  std::int64_t height;
};
static_assert(sizeof(TileRecord) == 7 * sizeof(std::int64_t));

// What a job does. A job of any other kind cannot be made.
enum class JobKind : std::int64_t { LoadFile = 0, ExportPng = 1 };

// Which files a load job reads. The window's rule, kByExtension: by the
// lower-cased extension, "xyz" as points and "zip" as an archive whose every
// file entry is read; other names are skipped. relivox-batch's, kByContent:
// every file as points unless it is a zip archive (by its signature or its
// name), and of an archive the entries named *.xyz, *.txt or *.csv.
enum class InputRule : int { kByExtension, kByContent };

struct JobRecord {
  JobKind kind = JobKind::LoadFile;
  std::u16string path;  // owned by the element
};

struct Converter {
  // Worker thread only (a test that loads without the worker is the worker).
  // The registry, keyed by content digest: its walk order decides which tile
  // wins an overlapping pixel. `extent` is the union of the registered boxes.
  Map<TileRecord>* tiles = nullptr;
  // The registry's tiles by place, for the compose of a box (tile_index.h).
  TileIndex* tileIndex = nullptr;
  GridBox extent;
  // The byte counts of the files whose tiles were registered: a file of
  // another length cannot be one of them, so its reading figures may show
  // before its digest is known. Entries are never removed.
  std::unordered_set<std::int64_t> registeredLengths;
  // The heights and grid phases of each registered tile, by its image
  // (images are never freed while the converter lives); only when `wants`
  // asks for them.
  std::unordered_map<ObjectHandle, TileExtras> tileExtras;
  // With an output grid of cells: each registered tile's cells, in the
  // order of registration (any thread once the worker stopped).
  std::vector<CellTileEntry> cellTiles;
  // Hashes of the registered keys: the registry's chains grow with the
  // tiles (its bucket count is fixed, as it decides the walk), so a new key
  // is told from the known ones here first. Entries are never removed.
  std::unordered_set<std::size_t> registeredKeyHashes;

  // Set before the worker starts, read by it: how lines are read, which
  // files a load job reads, and where the results go.
  XyzReadOptions readOptions;
  InputRule inputRule = InputRule::kByExtension;
  XyzWants wants;  // what the outputs need of the reader beyond the points
  // The output's grid when it is not the picture's (cell_grid.h; the window
  // never sets one): then tiles are kept as cells, without images, and with
  // a clipping box `extent` is the box's cells from the start.
  CellRule cells;
  ConverterFace face;

  // Under queueLock (the count is also read without it: List_Size is atomic).
  List<JobRecord>* jobQueue = nullptr;
  RtMutex* queueLock = nullptr;
  // Broadcast on every change of the queue or of the worker's state.
  RtCondition* queueChanged = nullptr;
  bool workerRunning = false;
  bool workerBusy = false;  // a job is running
  bool workerStop = false;

  // Written by the worker under mosaicLock; a preview on another thread
  // reads them under it. mosaicImage is exactly the extent's size but lies
  // over mosaicStore, so its rows are further apart than its width (step by
  // the bitmap's stride). (mosaicMinX, mosaicMinY) is its top-left grid unit.
  ObjectHandle mosaicImage = 0;
  MosaicStore* mosaicStore = nullptr;
  std::int64_t mosaicMinX = 0;
  std::int64_t mosaicMinY = 0;
  RtMutex* mosaicLock = nullptr;
  // Worker only. The larger store ReserveMosaic made for the tile about to
  // be registered (the registry's size then), taken by the next rebuild.
  MosaicStore* mosaicReserve = nullptr;
  std::int32_t mosaicReserveTiles = 0;
  // Worker only: there is no mosaic because its memory could not be had
  // (the export says so rather than that there is none).
  bool mosaicLackedMemory = false;

  // The progress value last requested, so that repeats never reach the face.
  std::atomic<std::int64_t> lastProgress{0};
};

// A converter with an empty registry and queue and no face, the digest,
// archive and image encoders registered; nullptr when memory runs out.
[[nodiscard]] Converter* StartConverter();
// Frees the converter with every tile and the mosaic. Its worker must have
// been stopped (StopWorker). nullptr is ignored.
void StopConverter(Converter* core);

// Installs the face the converter reports to (an empty table: none). Before
// the worker starts, or after it stopped.
void SetConverterFace(Converter& core, const ConverterFace& face);
