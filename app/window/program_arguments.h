// The command line of `relivox`: files to load at start-up ("Open with" in a
// file manager passes them), and the usual --help and --version.
#pragma once

#include <string>
#include <vector>

struct ProgramArguments {
  std::vector<std::u16string> files;  // in the order given
  bool help = false;
  bool version = false;
  std::string error;  // a usage error, empty when the line is good
};

// Reads the arguments after the program name. Options may stand anywhere
// before "--"; after it every argument is a file.
ProgramArguments ParseProgramArguments(int argc, const char* const* argv);

// The usage text, ending with a line feed.
std::string ProgramUsage();
