// Rasters a process wrote, read back with GDAL (the first band as floats,
// as written, or as doubles), and GDAL's own command-line tools run on the
// files of a test.
#pragma once

#include <gdal.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

// Size, geotransform, no-data value, coordinate system and the values of band 1.
template <typename Value>
struct RasterOf {
  bool ok = false;
  int width = 0, height = 0;
  double transform[6] = {};
  bool hasNodata = false;
  double nodata = 0;
  std::string wkt;
  std::vector<Value> values;  // row by row from the top
  Value At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};
using Raster = RasterOf<float>;
using ReadBack = RasterOf<double>;

template <typename Value>
RasterOf<Value> ReadRasterAs(const std::string& path, GDALDataType type) {
  GDALAllRegister();
  RasterOf<Value> r;
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (!ds) return r;
  r.width = GDALGetRasterXSize(ds);
  r.height = GDALGetRasterYSize(ds);
  GDALGetGeoTransform(ds, r.transform);
  if (const char* wkt = GDALGetProjectionRef(ds)) r.wkt = wkt;
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  int has = 0;
  r.nodata = GDALGetRasterNoDataValue(band, &has);
  r.hasNodata = has != 0;
  r.values.resize(static_cast<std::size_t>(r.width) * r.height);
  r.ok = GDALRasterIO(band, GF_Read, 0, 0, r.width, r.height, r.values.data(), r.width, r.height,
                      type, 0, 0) == CE_None;
  GDALClose(ds);
  return r;
}
inline Raster ReadRaster(const std::string& path) { return ReadRasterAs<float>(path, GDT_Float32); }
inline ReadBack ReadBand(const std::string& path) { return ReadRasterAs<double>(path, GDT_Float64); }

// Whether a GDAL tool (gdaldem, gdalbuildvrt, ...) is on the PATH.
inline bool HasTool(const std::string& name) {
  return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command quietly: true when it ended with status 0.
inline bool RunTool(const std::string& command) {
  return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

// A path as one word of a shell command.
inline std::string Quoted(const std::string& path) {
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
