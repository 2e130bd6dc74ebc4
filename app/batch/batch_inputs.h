// The inputs of one relivox-batch run: the paths named on the command line,
// then those of the file list, with folders standing for their files.
#pragma once

#include <string>
#include <vector>

#include "app/batch/batch_options.h"
#include "app/face.h"

struct BatchInputs {
  std::vector<std::u16string> paths;  // to load, in order
  std::vector<LoadReport> skipped;    // found but not loaded (a folder's non-files)
  std::string error;                  // the file list could not be read (a usage error)
};

// Reads the file list (`options.inputList`; "-": `list`, standard input)
// and, unless the window's rules apply, puts in place of each folder every
// regular file below it named *.xyz, *.txt, *.csv or *.zip (any case), in
// path order.
BatchInputs CollectBatchInputs(const BatchOptions& options, std::FILE* list);

// The paths of a file list: one per line, CR LF accepted, blank lines left out.
std::vector<std::u16string> FileListPaths(const std::string& bytes);
