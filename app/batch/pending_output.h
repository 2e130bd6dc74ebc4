// An output that GDAL writes under a temporary name in the target's folder
// (with whatever sidecar files the driver makes beside it) and that takes
// the target's name only when complete. A failure or a signal removes every
// file of the temporary name; a rename is never interrupted half-way.
// One pending output per process, on the main thread.
#pragma once

#include <string>

// Registers the temporary name for `target` and returns the path GDAL is
// to write: ".NAME.relivox-PID.EXT" in the target's folder.
std::string BeginPendingOutput(const std::string& target);

// Gives every file of the temporary name the target's name (sidecars
// first, the main file last). False when one cannot be renamed; then what
// is left of the temporary name is removed.
bool CommitPendingOutput();

// Removes every file of the temporary name.
void DiscardPendingOutput();

// For the signal thread on its way out: removes the files of a pending
// output, waiting for a rename in progress to end first.
void RemovePendingOutputAtExit();
