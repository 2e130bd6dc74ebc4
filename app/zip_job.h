// Loading every file of a zip archive.
#pragma once

#include <string>

// Extracts each file entry, in archive order, into a private folder made for
// this job and loads it like a file chosen directly; prints the share of the
// archive done after each entry. The folder and everything in it are gone
// when the job ends. Worker thread only. Returns 0.
int LoadZipArchive(const std::u16string& path);
