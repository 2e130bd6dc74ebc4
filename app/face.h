// What a face receives from the converter: everything the user is shown.
// The window and relivox-batch each install a table of their own; the core
// never prints and never reads a face's state.
#pragma once

#include <cstdint>
#include <string>

#include "app/grid_box.h"
#include "runtime/data/handle.h"

enum class ExportOutcome : int {
  kWritten = 0,
  kNothingLoaded,  // no tile registered
  kNoPath,
  kNoMosaic,  // no mosaic image
  kNoMemory,  // no mosaic, because its memory could not be had
  kFailed,    // the save failed
};

// What became of one input: a file a load job named, or an archive's entry.
enum class LoadOutcome : int {
  kLoaded = 0,
  kDuplicate,       // its content was loaded before
  kMissing,         // no such file
  kNotRegular,      // a folder (or another thing that is no file)
  kUnreadable,      // it could not be opened or read to its end
  kNoData,          // read to its end, but no line gave a point
  kTileTooLarge,    // wider or taller than an image can be
  kMosaicTooLarge,  // the mosaic with it would be
  kNoMemory,
  kSkippedName,     // not read: its name is not one of those the rule reads
  kNotAnArchive,    // named as an archive, but none that can be read
};

struct LoadReport {
  std::u16string name;  // as the user named it, for texts ("a.zip: b.xyz" for an entry)
  LoadOutcome outcome = LoadOutcome::kLoaded;
  bool archiveEntry = false;
};

// The end of an export job: the file, what became of it, and the grid box
// the picture covers (its top-left pixel is (extent.minX, extent.minY)).
struct ExportReport {
  std::u16string path;
  ExportOutcome outcome = ExportOutcome::kNothingLoaded;
  GridBox extent;
};

// Every entry may be null and receives `context`. Entries run on the thread
// that reports: the worker for everything a job does, the enqueuing thread
// for the queue line. A face must not block on the main thread.
struct ConverterFace {
  void* context = nullptr;
  // The mosaic changed; called with the converter's mosaic lock held.
  void (*preview)(void* context, ObjectHandle image) = nullptr;
  void (*status)(void* context, const std::u16string& text) = nullptr;
  void (*progress)(void* context, std::int64_t value) = nullptr;  // only changes
  void (*queue)(void* context, const std::u16string& text) = nullptr;
  // A file's reading begins (the name its status texts use).
  void (*reading)(void* context, const std::u16string& name) = nullptr;
  // An archive entry is done: the share of the archive done so far ("40%").
  void (*archiveShare)(void* context, const std::u16string& share) = nullptr;
  // An input's outcome, after its status texts.
  void (*loaded)(void* context, const LoadReport& report) = nullptr;
  void (*exported)(void* context, const ExportReport& report) = nullptr;
};
