#include "app/batch/output_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <string_view>

#include "app/batch/cell_options.h"

bool ParseNumberArgument(const char* text, double* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::string Extension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Lower(path.substr(dot + 1));
}

bool IsPng(const OutputOptions& options, const std::string& path) {
  return options.format.empty() ? Extension(path) != "tif" && Extension(path) != "tiff"
                                : Lower(options.format) == "png";
}

}  // namespace

int ParseOutputOption(int argc, const char* const* argv, int i, OutputOptions* options,
                      std::string* error) {
  const std::string_view arg = argv[i];
  // "--name=value" and "--name value" alike.
  const auto value = [&](std::string_view name, const char** text) -> int {
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
      *text = argv[i] + name.size() + 1;
      return 1;
    }
    if (arg != name) return 0;
    if (i + 1 >= argc) {
      *error = std::string(name) + " needs a value";
      *text = nullptr;
      return 1;
    }
    *text = argv[i + 1];
    return 2;
  };
  if (const int used = ParseCellOption(argc, argv, i, options, error)) return used;
  const char* text = nullptr;
  int used = value("-f", &text);
  if (!used) used = value("--format", &text);
  if (used) {
    if (text && !*text) *error = "-f needs a format name";
    if (text) options->format = text;
    return used;
  }
  if ((used = value("--nodata", &text))) {
    if (text && !ParseNumberArgument(text, &options->nodata))
      *error = "--nodata needs a number, not " + std::string(text);
    return used;
  }
  if ((used = value("--co", &text))) {
    const std::string_view option = text ? text : "";
    if (text && (option.find('=') == std::string_view::npos || option[0] == '='))
      *error = "--co needs KEY=VALUE, not " + std::string(option);
    if (text) options->creationOptions.emplace_back(option);
    return used;
  }
  if ((used = value("--crs", &text))) {
    if (text && !*text) *error = "--crs needs a coordinate system";
    if (text) options->crs = text;
    return used;
  }
  if (arg == "--heightmap") {
    options->heightmap = true;
    return 1;
  }
  if (arg == "--range") {
    if (i + 2 >= argc || !ParseNumberArgument(argv[i + 1], &options->rangeMin) ||
        !ParseNumberArgument(argv[i + 2], &options->rangeMax)) {
      *error = "--range needs two numbers MIN MAX";
      return std::min(3, argc - i);
    }
    if (!(options->rangeMin < options->rangeMax)) *error = "--range needs MIN below MAX";
    options->rangeGiven = true;
    return 3;
  }
  if (arg == "--hillshade") {
    options->hillshade = true;
    return 1;
  }
  if ((used = value("--zfactor", &text))) {
    if (text && !ParseNumberArgument(text, &options->zFactor))
      *error = "--zfactor needs a number, not " + std::string(text);
    options->zFactorGiven = true;
    return used;
  }
  return 0;
}

OutputKind ChooseOutput(const OutputOptions& options, const std::string& outputPath,
                        std::string* driver) {
  if (options.hillshade) {
    *driver = !options.format.empty() ? options.format : IsPng(options, outputPath) ? "PNG" : "GTiff";
    return OutputKind::kHillshade;
  }
  if (IsPng(options, outputPath)) return options.heightmap ? OutputKind::kHeightmap : OutputKind::kPicture;
  *driver = options.format.empty() ? "GTiff" : options.format;
  return OutputKind::kRaster;
}

std::string CheckOutputOptions(const OutputOptions& options, const std::string& outputPath) {
  const bool any = !options.format.empty() || !options.creationOptions.empty() ||
                   !options.crs.empty() || options.heightmap || options.rangeGiven ||
                   options.nodata != -9999 || options.hillshade || options.zFactorGiven ||
                   CellOptionsGiven(options);
  if (any && outputPath.empty()) return "output options need -o";
  if (std::string error = CheckCellOptions(options); !error.empty()) return error;
  if (options.heightmap && !IsPng(options, outputPath)) return "--heightmap needs a PNG output";
  if (options.rangeGiven && !options.heightmap) return "--range needs --heightmap";
  if (options.hillshade && options.heightmap) return "--hillshade and --heightmap exclude each other";
  if (options.zFactorGiven && !options.hillshade) return "--zfactor needs --hillshade";
  if (!options.creationOptions.empty() && IsPng(options, outputPath) && !options.heightmap &&
      !options.hillshade)
    return "--co needs a GDAL output (-f or .tif), --heightmap or --hillshade";
  return {};
}

std::string OutputUsage() {
  return "  -f, --format NAME      write the output with this GDAL raster driver (GTiff,\n"
         "                         COG, AAIGrid, ...): Float32 heights; by default\n"
         "                         OUTPUT.tif and OUTPUT.tiff are GTiff, others PNG\n"
         "      --nodata V         the value of pixels without a point (-9999)\n"
         "      --co KEY=VALUE     a creation option of the driver (repeatable)\n"
         "      --crs DEF          the coordinate system (EPSG:25832, WKT, PROJ),\n"
         "                         written into the file, for PNG into OUTPUT.aux.xml\n"
         "      --heightmap        a 16-bit grey PNG: lowest height 0, highest 65535\n"
         "      --range MIN MAX    the heights that map to 0 and 65535 (with --heightmap)\n"
         "      --hillshade        shaded relief instead of heights (Horn's method, light\n"
         "                         from 315 degrees at 45): an 8-bit grey PNG, or a Byte\n"
         "                         band with -f or OUTPUT.tif; 0 at the edges and gaps\n"
         "      --zfactor Z        multiply the heights of --hillshade by Z (1)\n" +
         CellUsage();
}
