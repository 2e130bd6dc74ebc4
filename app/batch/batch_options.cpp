#include "app/batch/batch_options.h"

#include <string_view>

#include "runtime/data/utf.h"

namespace {

// "auto" is the default: no separator forced.
bool SeparatorNamed(std::string_view name, BatchOptions* options) {
  struct Named {
    std::string_view name;
    XyzSeparator separator;
  };
  static constexpr Named kNames[] = {
      {"comma", XyzSeparator::kComma}, {",", XyzSeparator::kComma},
      {"semicolon", XyzSeparator::kSemicolon}, {";", XyzSeparator::kSemicolon},
      {"blank", XyzSeparator::kBlank}, {" ", XyzSeparator::kBlank},
      {"tab", XyzSeparator::kTab}, {"\t", XyzSeparator::kTab},
  };
  if (name == "auto") {
    options->separatorGiven = false;
    return true;
  }
  for (const Named& n : kNames)
    if (n.name == name) {
      options->separator = n.separator;
      options->separatorGiven = true;
      return true;
    }
  return false;
}

// The value of an option given as "--name=value" or as the next argument;
// false when there is none.
bool ValueOf(std::string_view arg, std::string_view name, int argc, const char* const* argv,
             int* i, std::string_view* value) {
  if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
    *value = arg.substr(name.size() + 1);
    return true;
  }
  if (*i + 1 >= argc) return false;
  *value = argv[++*i];
  return true;
}

bool Named(std::string_view arg, std::string_view shortName, std::string_view longName) {
  return (!shortName.empty() && arg == shortName) || arg == longName ||
         (arg.size() > longName.size() && arg.substr(0, longName.size()) == longName &&
          arg[longName.size()] == '=');
}

}  // namespace

BatchOptions ParseBatchOptions(int argc, const char* const* argv) {
  BatchOptions options;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string_view value;
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.inputs.push_back(PathFromSystem(arg));
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (Named(arg, "-o", "--output")) {
      if (!ValueOf(arg, "--output", argc, argv, &i, &value) || value.empty()) {
        options.error = "--output needs a file name";
        return options;
      }
      options.output = PathFromSystem(value);
    } else if (Named(arg, "-s", "--separator")) {
      if (!ValueOf(arg, "--separator", argc, argv, &i, &value)) {
        options.error = std::string(arg) + " needs auto, comma, semicolon, blank or tab";
        return options;
      }
      if (!SeparatorNamed(value, &options)) {
        options.error = "unknown separator \"" + std::string(value) +
                        "\" (auto, comma, semicolon, blank, tab or the character itself)";
        return options;
      }
    } else if (Named(arg, "", "--input-file-list")) {
      if (!ValueOf(arg, "--input-file-list", argc, argv, &i, &value) || value.empty()) {
        options.error = "--input-file-list needs a file name (or - for standard input)";
        return options;
      }
      options.inputList = PathFromSystem(value);
    } else if (arg == "-w" || arg == "--world-file") {
      options.worldFile = true;
    } else if (arg == "--window-rules") {
      options.windowRules = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--progress") {
      options.progress = 1;
    } else if (arg == "--no-progress") {
      options.progress = 0;
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
  if (options.inputs.empty() && options.inputList.empty())
    options.error = "no input file";
  else if (options.worldFile && options.output.empty())
    options.error = "-w needs -o";
  return options;
}

XyzReadOptions ReadOptionsOf(const BatchOptions& options) {
  XyzReadOptions read;
  read.separator = options.separator;  // the comma unless -s named another
  read.detectSeparator = !options.windowRules && !options.separatorGiven;
  read.skipByteOrderMark = !options.windowRules;
  return read;
}

std::string BatchUsage() {
  return "Usage: relivox-batch [OPTION]... INPUT...\n"
         "Turns XYZ elevation point files (lines \"x,y,z\", \"x y z\" or \"x;y;z\") and zip\n"
         "archives of them into one grey-scale mosaic, and with -o saves it as a PNG file\n"
         "or, with -f or OUTPUT.tif, as a raster of the heights.\n"
         "\n"
         "  -o, --output OUTPUT    save the mosaic as a PNG file at OUTPUT\n"
         "  -w, --world-file       also write a world file beside it (OUTPUT with .pgw)\n"
         "  -s, --separator SEP    how the fields of a line are separated:\n"
         "                           auto       (the default) decided per file from its\n"
         "                                      first lines: \";\" semicolon, else \",\" comma,\n"
         "                                      else blanks\n"
         "                           comma      356000.50,5645000.50,123.45\n"
         "                           semicolon  356000,50;5645000,50;123,45\n"
         "                           blank      371999.50 5806917.50 41.21 (blanks, tabs)\n"
         "                           tab        one tab between fields\n"
         "                         or the character itself (-s ';', -s ' ', -s ',');\n"
         "                         every field counts with its integer part\n"
         "      --input-file-list FILE  also read the paths in FILE, one per line\n"
         "                         (- for standard input)\n" +
         OutputUsage() +
         "      --window-rules     read, dispatch and report exactly as the window does\n"
         "                         (the comma unless -s, *.xyz and *.zip only, a byte-order\n"
         "                         mark kept, exit status 0 whatever an input gave)\n"
         "  -q, --quiet            no status lines on standard output\n"
         "      --progress, --no-progress  the progress bar on standard error always or\n"
         "                         never (default: when it is a terminal)\n"
         "  -h, --help             show this help and exit\n"
         "      --version          show the version and exit\n"
         "\n"
         "Inputs are loaded in the order given. Every file is read as XYZ points\n"
         "whatever its extension, except zip archives (by their content or name), of\n"
         "which the *.xyz, *.txt and *.csv entries are read; a folder stands for every\n"
         "*.xyz, *.txt, *.csv and *.zip file below it, in path order. A header line and\n"
         "a UTF-8 byte-order mark are skipped. Status lines go to standard output, a\n"
         "summary of the inputs and every error to standard error.\n"
         "\n"
         "A GDAL raster (-f, OUTPUT.tif) may be as large as memory allows: one that\n"
         "needs more memory than there is is refused before it is made, naming its\n"
         "size. A PNG holds at most 32767 pixels a side: a file that would make it\n"
         "larger is refused (\"Kachel zu groß\", \"Mosaik zu groß\").\n"
         "\n"
         "Exit status: 0 every input loaded (or refused as already loaded) and the\n"
         "output written; 1 -o was given but nothing was written; 2 wrong usage;\n"
         "3 the output was written (or none asked for) but an input failed or was\n"
         "skipped. With --window-rules: 0, 1 or 2 as without the summary.\n";
}
