// Saving the mosaic as a PNG file.
#pragma once

#include <string>

// Draws the mosaic onto a black 24-bit image and saves it at `path`, with
// the status texts of saving; tells the face the outcome (which opens the
// file or writes a world file only when it was written). Worker thread
// only. Returns 0.
int ExportPngJob(const std::u16string& path);
