// Loading every file of a zip archive.
#pragma once

#include <string>

#include "app/converter.h"

// Extracts each file entry, in archive order, into a private folder made for
// this job and loads it like a file chosen directly; reports the share of
// the archive done after each entry. The folder and everything in it are
// gone when the job ends. Worker thread only.
void LoadZipArchive(Converter& core, const std::u16string& path);
