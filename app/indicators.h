// What the user sees of the converter. The core calls the four indicator
// routines where its jobs change what is shown; each face (the window,
// relivox-batch) installs its own table of what that means.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/data/handle.h"

enum ExportOutcome : int {
  kExportWritten = 0,
  kExportNothingLoaded,  // no tile registered
  kExportNoPath,
  kExportNoMosaic,      // no mosaic image (it could not be made)
  kExportNoMemory,      // the export image could not be made
  kExportFailed,        // the save failed
};

// A face. Every entry may be null. Entries run on the thread that calls the
// routine: the worker for everything a job does, the main thread for the
// queue line after an enqueue.
struct ConverterFace {
  void (*preview)(ObjectHandle image);  // -1: the image shown last
  void (*status)(const std::u16string& text);
  void (*progress)(std::int64_t value);  // only changes reach it
  void (*queue)(const std::u16string& text);
  // A file's reading begins (the name its status texts use).
  void (*reading)(const std::u16string& name);
  // An export job ended: opening the file, a world file, an exit status.
  void (*exported)(const std::u16string& path, ExportOutcome outcome);
};

// Installs the face (null: none). Set it before the worker starts.
void SetConverterFace(const ConverterFace* face);

int UpdatePreview(ObjectHandle image);
int SetStatusText(const std::u16string& text);
// Repeats of the last requested value do not reach the face.
int SetProgress(std::int64_t value);
int SetQueueText(const std::u16string& text);
void NotifyReading(const std::u16string& name);
void NotifyExported(const std::u16string& path, ExportOutcome outcome);
