// The command line of relivox-batch.
#pragma once

#include <string>
#include <vector>

#include "app/batch/output_options.h"
#include "app/xyz_format.h"

struct BatchOptions {
  std::vector<std::u16string> inputs;
  std::u16string output;  // empty: no export
  bool worldFile = false;
  XyzSeparator separator = XyzSeparator::kComma;
  OutputOptions outputOptions;  // -f, --co, --crs, --heightmap and the rest
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, empty when the line is good
};

// Reads the arguments after the program name. Options may stand anywhere
// before "--"; after it every argument is an input.
BatchOptions ParseBatchOptions(int argc, const char* const* argv);

// The usage text, ending with a line feed.
std::string BatchUsage();
