#include "app/batch/cell_options.h"

#include <algorithm>
#include <string_view>

namespace {

bool ReductionNamed(std::string_view name, CellReduce* reduce) {
  struct Named {
    std::string_view name;
    CellReduce reduce;
  };
  static constexpr Named kNames[] = {{"mean", CellReduce::kMean},
                                     {"min", CellReduce::kMin},
                                     {"max", CellReduce::kMax},
                                     {"last", CellReduce::kLast}};
  for (const Named& n : kNames)
    if (n.name == name) {
      *reduce = n.reduce;
      return true;
    }
  return false;
}

// "--name=value" or "--name value": the arguments taken (0: not this option),
// `text` the value or nullptr when it is missing.
int ValueOption(int argc, const char* const* argv, int i, std::string_view name,
                const char** text) {
  const std::string_view arg = argv[i];
  if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
    *text = argv[i] + name.size() + 1;
    return 1;
  }
  if (arg != name) return 0;
  *text = i + 1 < argc ? argv[i + 1] : nullptr;
  return std::min(2, argc - i);
}

}  // namespace

int ParseCellOption(int argc, const char* const* argv, int i, OutputOptions* options,
                    std::string* error) {
  const char* text = nullptr;
  if (int used = ValueOption(argc, argv, i, "--cell", &text)) {
    if (!text || !ParseNumberArgument(text, &options->cell) || !(options->cell > 0))
      *error = "--cell needs a positive number" + (text ? ", not " + std::string(text) : "");
    return used;
  }
  if (int used = ValueOption(argc, argv, i, "--reduce", &text)) {
    if (!text || !ReductionNamed(text, &options->reduce))
      *error = "--reduce needs mean, min, max or last" + (text ? ", not " + std::string(text) : "");
    options->reduceGiven = true;
    return used;
  }
  if (std::string_view(argv[i]) == "--extent") {
    bool numbers = i + 4 < argc;
    for (int k = 0; numbers && k < 4; ++k)
      numbers = ParseNumberArgument(argv[i + 1 + k], &options->extent[k]);
    if (!numbers) {
      *error = "--extent needs four numbers XMIN YMIN XMAX YMAX";
      return std::min(5, argc - i);
    }
    if (!(options->extent[0] < options->extent[2]) || !(options->extent[1] < options->extent[3]))
      *error = "--extent needs XMIN below XMAX and YMIN below YMAX";
    options->extentGiven = true;
    return 5;
  }
  return 0;
}

std::string CheckCellOptions(const OutputOptions& options) {
  if (options.extentGiven && !CellBoxFits(options.cell, options.extent))
    return "--extent lies too far out for pixels of --cell's size";
  return {};
}

bool CellOptionsGiven(const OutputOptions& options) {
  return options.cell != 1 || options.reduceGiven || options.extentGiven;
}

CellReduce ReductionOf(const OutputOptions& options) {
  if (options.reduceGiven) return options.reduce;
  return options.cell == 1 ? CellReduce::kLast : CellReduce::kMean;
}

CellRule CellRuleOf(const OutputOptions& options, bool gdalRaster) {
  const CellReduce reduce = ReductionOf(options);
  CellRule rule =
      MakeCellRule(options.cell, reduce, options.extentGiven ? options.extent : nullptr);
  rule.active = options.cell != 1 || options.extentGiven || reduce != CellReduce::kLast ||
                gdalRaster;
  rule.pictureLimits = !gdalRaster;
  return rule;
}

std::string CellUsage() {
  return "      --cell SIZE        one pixel is SIZE coordinate units wide and tall (1):\n"
         "                         column x / SIZE and row northing / SIZE, truncated\n"
         "                         (pixels align over runs of the same SIZE)\n"
         "      --reduce HOW       the points of one pixel, over all files: mean, min,\n"
         "                         max or last (default: last for --cell 1, the later\n"
         "                         point winning as in the picture; mean otherwise)\n"
         "      --extent XMIN YMIN XMAX YMAX  only points with XMIN <= x < XMAX and\n"
         "                         YMIN <= northing < YMAX; the output covers every\n"
         "                         pixel such points can fall into, those without a\n"
         "                         point no-data (black in a PNG)\n";
}
