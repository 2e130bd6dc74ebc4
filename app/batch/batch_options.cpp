#include "app/batch/batch_options.h"

#include <string_view>

#include "runtime/data/utf.h"

namespace {

bool SeparatorNamed(std::string_view name, XyzSeparator* separator) {
  if (name == "comma")
    *separator = XyzSeparator::kComma;
  else if (name == "semicolon")
    *separator = XyzSeparator::kSemicolon;
  else if (name == "blank")
    *separator = XyzSeparator::kBlank;
  else
    return false;
  return true;
}

}  // namespace

BatchOptions ParseBatchOptions(int argc, const char* const* argv) {
  BatchOptions options;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.inputs.push_back(Utf8ToUtf16(arg));
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-o" || arg == "--output") {
      if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
        options.error = std::string(arg) + " needs a file name";
        return options;
      }
      options.output = Utf8ToUtf16(argv[++i]);
    } else if (arg.rfind("--output=", 0) == 0) {
      options.output = Utf8ToUtf16(arg.substr(9));
      if (options.output.empty()) {
        options.error = "--output needs a file name";
        return options;
      }
    } else if (arg == "-s" || arg == "--separator" || arg.rfind("--separator=", 0) == 0) {
      const bool joined = arg.size() > 11;
      if (!joined && i + 1 >= argc) {
        options.error = std::string(arg) + " needs comma, semicolon or blank";
        return options;
      }
      const std::string_view name = joined ? arg.substr(12) : std::string_view(argv[++i]);
      if (!SeparatorNamed(name, &options.separator)) {
        options.error = "unknown separator " + std::string(name) + " (comma, semicolon or blank)";
        return options;
      }
    } else if (arg == "-w" || arg == "--world-file") {
      options.worldFile = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (const int used =
                   ParseOutputOption(argc, argv, i, &options.outputOptions, &options.error)) {
      if (!options.error.empty()) return options;
      i += used - 1;
    } else {
      options.error = "unknown option " + std::string(arg);
      return options;
    }
  }
  if (options.help || options.version) return options;
  if (options.inputs.empty())
    options.error = "no input file";
  else if (options.worldFile && options.output.empty())
    options.error = "-w needs -o";
  return options;
}

std::string BatchUsage() {
  return "Usage: relivox-batch [-o OUTPUT] [-w] [-s SEP] [OUTPUT OPTIONS] INPUT...\n"
         "Turns XYZ elevation point files (lines \"x,y,z\") and zip archives of them\n"
         "into one grey-scale mosaic, and with -o saves it as a PNG file.\n"
         "\n"
         "  -o, --output OUTPUT  save the mosaic as a PNG file at OUTPUT\n"
         "  -w, --world-file     also write a world file beside it (OUTPUT with .pgw)\n"
         "  -s, --separator SEP  how the fields of a line are separated:\n"
         "                         comma      (the default)  356000.50,5645000.50,123.45\n"
         "                         semicolon                 356000,50;5645000,50;123,45\n"
         "                         blank      (blanks, tabs) 371999.50 5806917.50 41.21\n"
         "                       every field counts with its integer part\n" +
         OutputUsage() +
         "  -h, --help           show this help and exit\n"
         "      --version        show the version and exit\n"
         "\n"
         "Inputs are loaded in the order given; *.xyz and *.zip files are read,\n"
         "other names are skipped. Status lines go to standard output, a progress\n"
         "bar to standard error when it is a terminal.\n"
         "Exit status: 0 done, 1 nothing could be saved, 2 wrong usage.\n";
}
