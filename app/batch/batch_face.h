// How relivox-batch shows the converter: status lines on standard output,
// a progress bar on standard error when that is a terminal.
#pragma once

#include <string>
#include <vector>

#include "app/face.h"

// What one run shows and keeps. The settings are made before the worker
// starts; the reports are written on the worker and read once it stopped.
struct Converter;

struct BatchSession {
  bool worldFileWanted = false;
  bool quiet = false;  // no status lines
  int progress = -1;   // the bar: -1 when standard error is a terminal, 0 never, 1 always
  const Converter* core = nullptr;  // whose grid places the world file

  std::vector<LoadReport> loads;  // every input's outcome, in order
  bool exportRan = false;
  ExportReport exported;
  std::string failureReason;  // when an output was refused for more than its outcome says
  bool worldFileWritten = false;
};

// The face table over `run`, which must outlive the worker.
ConverterFace BatchFace(BatchSession& run);

// Removes the progress bar from the terminal (before the program ends; the
// bar is the terminal's, so any thread may).
void ClearBatchProgress();
