// Saving the mosaic as a PNG file.
#pragma once

#include <string>

#include "app/converter.h"

// Saves the mosaic at `path` as a 24-bit PNG (black where no point lies),
// streaming its rows (no copy of the picture is made), with
// the status texts of saving; tells the face the outcome (which opens the
// file or writes a world file only when it was written). Worker thread
// only.
void ExportPngJob(Converter& core, const std::u16string& path);
