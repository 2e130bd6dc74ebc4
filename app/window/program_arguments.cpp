#include "app/window/program_arguments.h"

#include <string_view>

#include "runtime/data/utf.h"

ProgramArguments ParseProgramArguments(int argc, const char* const* argv) {
  ProgramArguments arguments;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // An empty argument names no file.
    if (arg.empty()) continue;
    if (optionsEnded || arg[0] != '-' || arg == "-") {
      arguments.files.push_back(PathFromSystem(arg));
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      arguments.help = true;
    } else if (arg == "--version") {
      arguments.version = true;
    } else {
      arguments.error = "unknown option " + std::string(arg);
      return arguments;
    }
  }
  return arguments;
}

std::string ProgramUsage() {
  return "Usage: relivox [FILE...]\n"
         "Opens the Relivox window, which turns XYZ elevation point files (lines\n"
         "\"x,y,z\") and zip archives of them into one grey-scale mosaic and saves\n"
         "it as a PNG file. Each FILE is loaded at start-up, in the order given,\n"
         "as if chosen with \"XYZ öffnen\"; files dropped onto the window are too.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "\n"
         "Exit status: 0 the window was closed, 1 it could not start (no display),\n"
         "2 wrong usage.\n";
}
