// How relivox-batch shows the converter: status lines on standard output,
// a progress bar on standard error when that is a terminal.
#pragma once

#include <string>

#include "app/indicators.h"

// The face table.
const ConverterFace* BatchFace();

// Outcome of the last export job (kExportNothingLoaded when none ran),
// whether its world file was asked for and written.
struct BatchExportResult {
  bool ran = false;
  ExportOutcome outcome = kExportNothingLoaded;
  bool worldFileWanted = false;
  bool worldFileWritten = false;
  std::u16string path;
};
BatchExportResult& BatchExport();

// Removes the progress bar from the terminal (before the program ends).
void ClearBatchProgress();
