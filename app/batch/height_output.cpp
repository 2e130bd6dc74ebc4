#include "app/batch/height_output.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "app/batch/gdal_module.h"
#include "app/batch/hillshade.h"
#include "app/batch/pending_output.h"
#include "app/converter.h"
#include "app/indicators.h"
#include "runtime/data/atomic_file.h"
#include "runtime/data/utf.h"

namespace {

bool SameName(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }
bool IsGtiff(const std::string& driver) { return SameName(driver, "GTiff"); }

std::string Quoted(const std::string& message) {
  return message.empty() ? std::string() : ": " + message;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  return out;
}

template <typename Number>
std::string Shortest(Number value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

void ShowProgress(void* context, double done) {
  SetProgress(*static_cast<Converter*>(context), static_cast<std::int64_t>(done * 100));
}

// The heightmap's grey values: the range (given, or the lowest and highest
// finite height) mapped linearly onto 0 .. 65535, rounded, clamped; gaps
// and NaN 0.
std::vector<std::uint16_t> HeightmapLevels(const HeightStore& store, const OutputOptions& options,
                                           double* low, double* high) {
  const std::size_t count =
      static_cast<std::size_t>(store.width) * static_cast<std::size_t>(store.height);
  const float* values = store.values.get();
  if (options.rangeGiven) {
    *low = options.rangeMin;
    *high = options.rangeMax;
  } else {
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    for (std::size_t i = 0; i < count; ++i)
      if (std::isfinite(values[i])) {  // a gap is a NaN
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
      }
    if (lo > hi) lo = hi = 0;
    *low = lo;
    *high = hi;
  }
  std::vector<std::uint16_t> levels(count);
  const double span = *high - *low;
  for (std::size_t i = 0; i < count; ++i) {
    const float v = values[i];
    if (std::isnan(v) || span <= 0) {
      levels[i] = 0;
      continue;
    }
    const double level = std::clamp((static_cast<double>(v) - *low) * 65535.0 / span, 0.0, 65535.0);
    levels[i] = static_cast<std::uint16_t>(std::lround(level));
  }
  return levels;
}

std::u16string FormatLabel(const OutputPlan& plan) {
  if (plan.kind == OutputKind::kHeightmap) return u"PNG (16 Bit)";
  const std::u16string format = IsGtiff(plan.driver) ? u"GeoTIFF" : Utf8ToUtf16(plan.driver);
  return plan.kind == OutputKind::kHillshade ? format + u" (Schummerung)" : format;
}

}  // namespace

std::string PlanOutput(const OutputOptions& options, const std::string& outputPath, bool worldFile,
                       OutputPlan* plan) {
  *plan = OutputPlan{};
  if (std::string error = CheckOutputOptions(options, outputPath); !error.empty()) return error;
  if (outputPath.empty()) return {};
  plan->kind = ChooseOutput(options, outputPath, &plan->driver);
  const bool heights = plan->kind != OutputKind::kPicture;
  if (!heights && options.crs.empty()) {
    plan->wants.placement = worldFile;
    return {};
  }
  std::string reason;
  plan->gdal = LoadGdalModule(&reason);
  plan->gdalMissing = !plan->gdal;
  if (!plan->gdal) return reason;
  if (!options.crs.empty()) {
    std::string message;
    if (!plan->gdal->parseCrs(options.crs, &plan->crsWkt, &plan->crsAxisMapping, &message))
      return "invalid coordinate system " + options.crs + Quoted(message);
  }
  if (heights) {
    const std::string name = plan->kind == OutputKind::kHeightmap ? "PNG" : plan->driver;
    const GdalBand band = plan->kind == OutputKind::kHeightmap   ? GdalBand::kUInt16
                          : plan->kind == OutputKind::kHillshade ? GdalBand::kByte
                                                                 : GdalBand::kFloat32;
    if (!plan->gdal->findDriver(name, band, &plan->driver, &reason)) return reason;
    if (plan->kind == OutputKind::kRaster && IsGtiff(plan->driver))
      plan->creationOptions = {"TILED=YES",        "BLOCKXSIZE=512",  "BLOCKYSIZE=512",
                               "COMPRESS=DEFLATE", "PREDICTOR=3",     "BIGTIFF=IF_SAFER",
                               "NUM_THREADS=ALL_CPUS"};
    // Shades are bytes: the horizontal predictor (the floating-point one refuses them).
    if (plan->kind == OutputKind::kHillshade && IsGtiff(plan->driver))
      plan->creationOptions = {"TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512", "COMPRESS=DEFLATE",
                               "PREDICTOR=2", "BIGTIFF=IF_SAFER", "NUM_THREADS=ALL_CPUS"};
    for (const std::string& option : options.creationOptions)
      plan->creationOptions.push_back(option);
    std::string message;
    if (!plan->gdal->acceptsOptions(plan->driver, plan->creationOptions, &message))
      return "creation option not accepted by " + plan->driver + Quoted(message);
  }
  plan->wants.heights = heights;
  plan->wants.placement = true;
  plan->gdalRaster = plan->kind == OutputKind::kRaster ||
                     (plan->kind == OutputKind::kHillshade && !SameName(plan->driver, "PNG"));
  return {};
}

void MosaicGeoTransform(const GridBox& extent, const Placement& placement, double transform[6]) {
  // y is the negated northing: the top row's northing is -minY. Units are
  // cells of placement.cell (1 for the picture's grid, where the product is exact).
  const double north = -static_cast<double>(extent.minY);
  const double cell = placement.cell;
  transform[0] = (static_cast<double>(extent.minX) + placement.x - 0.5) * cell;
  transform[1] = cell;
  transform[2] = 0;
  transform[3] = (north + placement.y + 0.5) * cell;
  transform[4] = 0;
  transform[5] = -cell;
}

ExportOutcome WriteHeightOutput(Converter& core, const OutputPlan& plan,
                                const OutputOptions& options, const std::string& path,
                                const Placement& placement) {
  if (core.tiles->Size() == 0) return ExportOutcome::kNothingLoaded;
  BeginSaving(core, FormatLabel(plan));
  const auto finish = [&core](ExportOutcome outcome) { return EndSaving(core, outcome); };
  if (!plan.gdal) return finish(ExportOutcome::kFailed);
  HeightStore store;
  if (!ComposeHeights(core, core.extent, &store)) return finish(ExportOutcome::kNoMemory);
  const std::size_t count =
      static_cast<std::size_t>(store.width) * static_cast<std::size_t>(store.height);

  GdalRasterJob job;
  job.width = store.width;
  job.height = store.height;
  std::vector<std::uint16_t> levels;
  std::vector<std::uint8_t> shade;
  const bool png = SameName(plan.driver, "PNG");
  if (plan.kind == OutputKind::kHeightmap) {
    double low = 0, high = 0;
    try {
      levels = HeightmapLevels(store, options, &low, &high);
    } catch (const std::bad_alloc&) {
      return finish(ExportOutcome::kNoMemory);
    }
    store.values.reset();  // the levels are all that is written
    // A range found in the data is of Float32 heights and reads best as such.
    const std::string lowText = options.rangeGiven ? Shortest(low) : Shortest(static_cast<float>(low));
    const std::string highText =
        options.rangeGiven ? Shortest(high) : Shortest(static_cast<float>(high));
    std::fprintf(stderr, "Höhenbereich: %s .. %s\n", lowText.c_str(), highText.c_str());
    job.pixels = levels.data();
    job.band = GdalBand::kUInt16;
  } else if (plan.kind == OutputKind::kHillshade) {
    try {
      shade.resize(count);
    } catch (const std::bad_alloc&) {
      return finish(ExportOutcome::kNoMemory);
    }
    ShadeRelief(store.values.get(), store.width, store.height, placement.cell, options.zFactor,
                shade.data());
    store.values.reset();
    job.pixels = shade.data();
    job.band = GdalBand::kByte;
    // gdaldem's no-data; a PNG stays plain grey (its tRNS would hide the edges).
    job.hasNodata = !png;
    job.nodata = 0;
  } else {
    const float nodata = static_cast<float>(options.nodata);
    float* values = store.values.get();
    for (std::size_t i = 0; i < count; ++i)
      if (IsHeightGap(values[i])) values[i] = nodata;
    job.pixels = values;
    job.band = GdalBand::kFloat32;
    job.hasNodata = true;
    job.nodata = options.nodata;
  }
  // A PNG keeps its place and CRS in the sidecar only when one is asked for.
  job.placed = !png || !plan.crsWkt.empty();
  if (job.placed) {
    MosaicGeoTransform(store.extent, placement, job.transform);
    job.crsWkt = plan.crsWkt;
  }
  job.driver = plan.driver;
  job.creationOptions = plan.creationOptions;
  job.path = BeginPendingOutput(path);
  job.progress = &ShowProgress;
  job.context = &core;
  std::string message;
  if (!plan.gdal->writeRaster(job, &message)) {
    DiscardPendingOutput();
    if (!message.empty()) std::fprintf(stderr, "relivox-batch: GDAL: %s\n", message.c_str());
    return finish(ExportOutcome::kFailed);
  }
  return finish(CommitPendingOutput() ? ExportOutcome::kWritten : ExportOutcome::kFailed);
}

int WritePngSidecar(const std::string& pngPath, const OutputPlan& plan, const double transform[6]) {
  std::string xml = "<PAMDataset>\n";
  if (!plan.crsWkt.empty())
    xml += "  <SRS dataAxisToSRSAxisMapping=\"" + plan.crsAxisMapping + "\">" +
           XmlEscaped(plan.crsWkt) + "</SRS>\n";
  char numbers[256];
  std::snprintf(numbers, sizeof numbers, "%.16e, %.16e, %.16e, %.16e, %.16e, %.16e", transform[0],
                transform[1], transform[2], transform[3], transform[4], transform[5]);
  xml += std::string("  <GeoTransform>") + numbers + "</GeoTransform>\n</PAMDataset>\n";
  AtomicFile file(Utf8ToUtf16(pngPath + ".aux.xml"));
  if (file.fd() < 0 || !file.Write(xml.data(), xml.size())) return 0;
  return file.Commit() ? 1 : 0;
}
