// The only code that includes GDAL; built into librelivox-gdal.so.
#include "app/batch/gdal_module.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// GDAL's messages while a call runs, instead of its own printing to
// standard error: the first is passed on, a write fails on any error.
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
};

void StartGdal() {
  static const bool started = [] {
    // The whole raster is in memory already; GDAL's cache only passes blocks on.
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

GDALDataType TypeOf(GdalBand band) {
  switch (band) {
    case GdalBand::kByte: return GDT_Byte;
    case GdalBand::kUInt16: return GDT_UInt16;
    case GdalBand::kFloat32: break;
  }
  return GDT_Float32;
}

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

bool ParseCrs(const std::string& definition, std::string* wkt, std::string* axisMapping,
              std::string* message) {
  StartGdal();
  const GdalMessages messages;
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  const bool parsed = srs && OSRSetFromUserInput(srs, definition.c_str()) == OGRERR_NONE;
  if (parsed) {
    *wkt = CrsText(srs);
    // Our pixels are easting first, whatever order the CRS's authority gives.
    OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
    int axes = 0;
    const int* mapping = OSRGetDataAxisToSRSAxisMapping(srs, &axes);
    axisMapping->clear();
    for (int a = 0; a < axes && mapping; ++a)
      *axisMapping += (a ? "," : "") + std::to_string(mapping[a]);
  }
  OSRDestroySpatialReference(srs);
  *message = messages.first;
  return parsed && !wkt->empty();
}

bool FindDriver(const std::string& name, GdalBand band, std::string* shortName,
                std::string* reason) {
  StartGdal();
  const GdalMessages messages;
  GDALDriverH driver = GDALGetDriverByName(name.c_str());
  if (!driver || !GDALGetMetadataItem(driver, GDAL_DCAP_RASTER, nullptr)) {
    *reason = "unknown raster format " + name + " (gdalinfo --formats lists them)";
    return false;
  }
  *shortName = GDALGetDriverShortName(driver);
  // An in-memory dataset would be gone with the run: "written", nothing on disk.
  if (EQUAL(shortName->c_str(), "MEM")) {
    *reason = "the format MEM writes no file (an output format that writes a file is needed)";
    return false;
  }
  if (!GDALGetMetadataItem(driver, GDAL_DCAP_CREATE, nullptr) &&
      !GDALGetMetadataItem(driver, GDAL_DCAP_CREATECOPY, nullptr)) {
    *reason = "the format " + *shortName + " cannot write files";
    return false;
  }
  const char* type = GDALGetDataTypeName(TypeOf(band));
  const char* types = GDALGetMetadataItem(driver, GDAL_DMD_CREATIONDATATYPES, nullptr);
  if (types && !std::strstr(types, type)) {
    *reason = "the format " + *shortName + " cannot write " + type + " values";
    return false;
  }
  return true;
}

bool AcceptsOptions(const std::string& driverName, const std::vector<std::string>& options,
                    std::string* message) {
  StartGdal();
  const GdalMessages messages;
  GDALDriverH driver = GDALGetDriverByName(driverName.c_str());
  const Csl list = CreationList(options);
  const bool accepted = driver && GDALValidateCreationOptions(driver, list.get());
  *message = messages.first;
  return accepted;
}

int CPL_STDCALL ShowProgress(double done, const char*, void* context) {
  const GdalRasterJob& job = *static_cast<const GdalRasterJob*>(context);
  if (job.progress) job.progress(job.context, done);
  return TRUE;
}

// A MEM dataset over the job's pixels (no copy), one band.
GDALDatasetH MemoryDataset(const GdalRasterJob& job) {
  GDALDriverH mem = GDALGetDriverByName("MEM");
  if (!mem) return nullptr;
  const GDALDataType type = TypeOf(job.band);
  GDALDatasetH ds = GDALCreate(mem, "", static_cast<int>(job.width), static_cast<int>(job.height),
                               0, type, nullptr);
  if (!ds) return nullptr;
  const int bytes = GDALGetDataTypeSizeBytes(type);
  char pointer[64];
  std::snprintf(pointer, sizeof pointer, "%p", job.pixels);
  char** band = CSLSetNameValue(nullptr, "DATAPOINTER", pointer);
  band = CSLSetNameValue(band, "PIXELOFFSET", std::to_string(bytes).c_str());
  band = CSLSetNameValue(band, "LINEOFFSET", std::to_string(job.width * bytes).c_str());
  const CPLErr added = GDALAddBand(ds, type, band);
  CSLDestroy(band);
  if (added != CE_None) {
    GDALClose(ds);
    return nullptr;
  }
  if (job.hasNodata) GDALSetRasterNoDataValue(GDALGetRasterBand(ds, 1), job.nodata);
  if (job.placed) {
    double transform[6];
    std::memcpy(transform, job.transform, sizeof transform);
    GDALSetGeoTransform(ds, transform);
    if (!job.crsWkt.empty()) GDALSetProjection(ds, job.crsWkt.c_str());
  }
  return ds;
}

bool WriteRaster(const GdalRasterJob& job, std::string* message) {
  StartGdal();
  GdalMessages messages;
  GDALDatasetH source = MemoryDataset(job);
  GDALDriverH driver = GDALGetDriverByName(job.driver.c_str());
  const Csl list = CreationList(job.creationOptions);
  GDALDatasetH written =
      source && driver ? GDALCreateCopy(driver, job.path.c_str(), source, FALSE, list.get(),
                                        &ShowProgress, const_cast<GdalRasterJob*>(&job))
                       : nullptr;
  if (written) GDALClose(written);  // flushes: a full disk shows here
  if (source) GDALClose(source);
  *message = messages.first;
  return written && !messages.failed;
}

const GdalModule kModule = {kGdalModuleAbi, &ParseCrs, &FindDriver, &AcceptsOptions, &WriteRaster};

}  // namespace

extern "C" __attribute__((visibility("default"))) const GdalModule* RelivoxGdalModule() {
  return &kModule;
}
