// The command line of relivox-batch.
#pragma once

#include <string>
#include <vector>

#include "app/batch/output_options.h"
#include "app/xyz_format.h"

struct BatchOptions {
  std::vector<std::u16string> inputs;  // paths as the system gave them (utf.h PathFromSystem)
  std::u16string inputList;            // --input-file-list: a file of paths, "-" standard input
  std::u16string output;               // empty: no export
  bool worldFile = false;
  // The window's rules: extension dispatch, the comma (or -s), a byte-order
  // mark read as part of the first field, main's exit statuses.
  bool windowRules = false;
  bool separatorGiven = false;  // -s: no detection
  XyzSeparator separator = XyzSeparator::kComma;
  bool quiet = false;     // no status lines on standard output
  int progress = -1;      // the bar: -1 on a terminal, 0 never, 1 always
  OutputOptions outputOptions;  // -f, --co, --crs, --heightmap and the rest
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, empty when the line is good
};

// Reads the arguments after the program name. Options may stand anywhere
// before "--"; after it every argument is an input.
BatchOptions ParseBatchOptions(int argc, const char* const* argv);

// How the converter reads the inputs of these options.
XyzReadOptions ReadOptionsOf(const BatchOptions& options);

// The usage text, ending with a line feed.
std::string BatchUsage();
