#include "app/batch/gdal_output.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "app/batch/hillshade.h"
#include "app/batch/pending_output.h"
#include "app/converter.h"
#include "app/indicators.h"
#include "runtime/data/atomic_file.h"
#include "runtime/data/utf.h"

namespace {

// GDAL's messages while a call runs, instead of its own printing to
// standard error: usage errors quote the first, a write fails on any error.
struct GdalMessages {
  std::string first;
  bool failed = false;
  GdalMessages() { CPLPushErrorHandlerEx(&Collect, this); }
  ~GdalMessages() { CPLPopErrorHandler(); }
  GdalMessages(const GdalMessages&) = delete;
  GdalMessages& operator=(const GdalMessages&) = delete;
  static void CPL_STDCALL Collect(CPLErr level, CPLErrorNum, const char* message) {
    auto* self = static_cast<GdalMessages*>(CPLGetErrorHandlerUserData());
    if (self->first.empty() && message) self->first = message;
    if (level >= CE_Failure) self->failed = true;
  }
  std::string Quoted() const { return first.empty() ? std::string() : ": " + first; }
};

void StartGdal() {
  static const bool started = [] {
    // The whole picture is in memory already; GDAL's cache only passes blocks on.
    CPLSetConfigOption("GDAL_CACHEMAX", "64");
    GDALAllRegister();
    return true;
  }();
  (void)started;
}

struct CslFree {
  void operator()(char** list) const { CSLDestroy(list); }
};
using Csl = std::unique_ptr<char*, CslFree>;

Csl CreationList(const std::vector<std::string>& options) {
  char** list = nullptr;
  for (const std::string& option : options) {
    const auto eq = option.find('=');
    list = CSLSetNameValue(list, option.substr(0, eq).c_str(), option.substr(eq + 1).c_str());
  }
  return Csl(list);
}

bool IsGtiff(const std::string& driver) { return EQUAL(driver.c_str(), "GTiff"); }

// The CRS as WKT 1 where it can be, else WKT 2 (what GDAL's own sidecars do).
std::string CrsText(OGRSpatialReferenceH srs) {
  char* wkt = nullptr;
  std::string text;
  if (OSRExportToWkt(srs, &wkt) == OGRERR_NONE && wkt && *wkt) text = wkt;
  CPLFree(wkt);
  if (!text.empty()) return text;
  const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
  wkt = nullptr;
  if (OSRExportToWktEx(srs, &wkt, options) == OGRERR_NONE && wkt) text = wkt;
  CPLFree(wkt);
  return text;
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

int CPL_STDCALL ShowProgress(double done, const char*, void* context) {
  SetProgress(*static_cast<Converter*>(context), static_cast<std::int64_t>(done * 100));
  return TRUE;
}

// A MEM dataset over memory of ours (no copy), one band.
GDALDatasetH MemoryDataset(void* data, GDALDataType type, std::int64_t width,
                           std::int64_t height) {
  GDALDriverH mem = GDALGetDriverByName("MEM");
  if (!mem) return nullptr;
  GDALDatasetH ds = GDALCreate(mem, "", static_cast<int>(width), static_cast<int>(height), 0,
                               type, nullptr);
  if (!ds) return nullptr;
  const int bytes = GDALGetDataTypeSizeBytes(type);
  char pointer[64];
  std::snprintf(pointer, sizeof pointer, "%p", data);
  char** band = CSLSetNameValue(nullptr, "DATAPOINTER", pointer);
  band = CSLSetNameValue(band, "PIXELOFFSET", std::to_string(bytes).c_str());
  band = CSLSetNameValue(band, "LINEOFFSET", std::to_string(width * bytes).c_str());
  const CPLErr added = GDALAddBand(ds, type, band);
  CSLDestroy(band);
  if (added != CE_None) {
    GDALClose(ds);
    return nullptr;
  }
  return ds;
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
  StartGdal();
  const GdalMessages messages;
  if (!options.crs.empty()) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    const bool parsed = srs && OSRSetFromUserInput(srs, options.crs.c_str()) == OGRERR_NONE;
    if (parsed) {
      plan->crsWkt = CrsText(srs);
      // Our pixels are easting first, whatever order the CRS's authority gives.
      OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
      int axes = 0;
      const int* mapping = OSRGetDataAxisToSRSAxisMapping(srs, &axes);
      plan->crsAxisMapping.clear();
      for (int a = 0; a < axes && mapping; ++a)
        plan->crsAxisMapping += (a ? "," : "") + std::to_string(mapping[a]);
    }
    OSRDestroySpatialReference(srs);
    if (!parsed || plan->crsWkt.empty())
      return "invalid coordinate system " + options.crs + messages.Quoted();
  }
  if (heights) {
    const std::string name = plan->kind == OutputKind::kHeightmap ? "PNG" : plan->driver;
    GDALDriverH driver = GDALGetDriverByName(name.c_str());
    if (!driver || !GDALGetMetadataItem(driver, GDAL_DCAP_RASTER, nullptr))
      return "unknown raster format " + name + " (gdalinfo --formats lists them)";
    plan->driver = GDALGetDriverShortName(driver);
    // An in-memory dataset would be gone with the run: "written", nothing on disk.
    if (EQUAL(plan->driver.c_str(), "MEM"))
      return "the format MEM writes no file (an output format that writes a file is needed)";
    if (!GDALGetMetadataItem(driver, GDAL_DCAP_CREATE, nullptr) &&
        !GDALGetMetadataItem(driver, GDAL_DCAP_CREATECOPY, nullptr))
      return "the format " + plan->driver + " cannot write files";
    const char* type = plan->kind == OutputKind::kHeightmap   ? "UInt16"
                       : plan->kind == OutputKind::kHillshade ? "Byte"
                                                              : "Float32";
    const char* types = GDALGetMetadataItem(driver, GDAL_DMD_CREATIONDATATYPES, nullptr);
    if (types && !std::strstr(types, type))
      return "the format " + plan->driver + " cannot write " + type + " values";
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
    const Csl list = CreationList(plan->creationOptions);
    if (!GDALValidateCreationOptions(driver, list.get()))
      return "creation option not accepted by " + plan->driver + messages.Quoted();
  }
  plan->wants.heights = heights;
  plan->wants.placement = true;
  plan->gdalRaster = plan->kind == OutputKind::kRaster ||
                     (plan->kind == OutputKind::kHillshade && !EQUAL(plan->driver.c_str(), "PNG"));
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
  SetStatusText(core, u"Speichern als " + FormatLabel(plan) + u"...");
  SetProgress(core, 0);
  const auto finish = [&core](ExportOutcome outcome) {
    SetStatusText(core, outcome == ExportOutcome::kWritten ? u"Datei exportiert!"
                                                           : u"Fehler beim Export der Datei!");
    SetProgress(core, 0);
    return outcome;
  };
  StartGdal();
  HeightStore store;
  if (!ComposeHeights(core, core.extent, &store)) return finish(ExportOutcome::kNoMemory);
  const std::size_t count =
      static_cast<std::size_t>(store.width) * static_cast<std::size_t>(store.height);

  std::vector<std::uint16_t> levels;
  std::vector<std::uint8_t> shade;
  const bool png = EQUAL(plan.driver.c_str(), "PNG");
  GDALDatasetH source = nullptr;
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
    source = MemoryDataset(levels.data(), GDT_UInt16, store.width, store.height);
  } else if (plan.kind == OutputKind::kHillshade) {
    try {
      shade.resize(count);
    } catch (const std::bad_alloc&) {
      return finish(ExportOutcome::kNoMemory);
    }
    ShadeRelief(store.values.get(), store.width, store.height, placement.cell, options.zFactor,
                shade.data());
    store.values.reset();
    source = MemoryDataset(shade.data(), GDT_Byte, store.width, store.height);
    // gdaldem's no-data; a PNG stays plain grey (its tRNS would hide the edges).
    if (source && !png) GDALSetRasterNoDataValue(GDALGetRasterBand(source, 1), 0);
  } else {
    const float nodata = static_cast<float>(options.nodata);
    float* values = store.values.get();
    for (std::size_t i = 0; i < count; ++i)
      if (IsHeightGap(values[i])) values[i] = nodata;
    source = MemoryDataset(values, GDT_Float32, store.width, store.height);
    if (source) GDALSetRasterNoDataValue(GDALGetRasterBand(source, 1), options.nodata);
  }
  if (!source) return finish(ExportOutcome::kNoMemory);
  // A PNG keeps its place and CRS in the sidecar only when one is asked for.
  if (!png || !plan.crsWkt.empty()) {
    double transform[6];
    MosaicGeoTransform(store.extent, placement, transform);
    GDALSetGeoTransform(source, transform);
    if (!plan.crsWkt.empty()) GDALSetProjection(source, plan.crsWkt.c_str());
  }

  GdalMessages messages;
  const std::string temporary = BeginPendingOutput(path);
  const Csl list = CreationList(plan.creationOptions);
  GDALDriverH driver = GDALGetDriverByName(plan.driver.c_str());
  GDALDatasetH written =
      driver ? GDALCreateCopy(driver, temporary.c_str(), source, FALSE, list.get(), &ShowProgress, &core)
             : nullptr;
  if (written) GDALClose(written);  // flushes: a full disk shows here
  GDALClose(source);
  if (!written || messages.failed) {
    DiscardPendingOutput();
    if (!messages.first.empty()) std::fprintf(stderr, "relivox-batch: GDAL: %s\n", messages.first.c_str());
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
