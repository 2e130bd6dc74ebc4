// How relivox-batch shows the converter: status lines on standard output,
// a progress bar on standard error when that is a terminal.
#pragma once

#include <string>

#include "app/face.h"

// What one run keeps of the export job's report: written on the worker
// while the export job ends, read once the worker has stopped.
struct Converter;

struct BatchRun {
  bool worldFileWanted = false;  // set before the worker starts
  const Converter* core = nullptr;  // whose grid places the world file; set before the worker starts
  bool exportRan = false;
  ExportReport exported;
  bool worldFileWritten = false;
};

// The face table over `run`, which must outlive the worker.
ConverterFace BatchFace(BatchRun& run);

// Removes the progress bar from the terminal (before the program ends; the
// bar is the terminal's, so any thread may).
void ClearBatchProgress();
