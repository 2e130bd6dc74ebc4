// Loading every file of a zip archive.
#pragma once

#include <string>

#include "app/converter.h"

// Extracts each file entry the input rule reads, in archive order, into a
// private folder made for this job and loads it like a file chosen
// directly; reports each entry's outcome (as "archive: entry") and the
// share of the archive done after each entry. The folder and everything in
// it are gone when the job ends. False when the archive cannot be read at
// all. Worker thread only.
bool LoadZipArchive(Converter& core, const std::u16string& path);
