// Reads a raster that a process wrote back with GDAL (band 1 as doubles),
// and runs GDAL's own command-line tools on files of a test.
#pragma once

#include <gdal.h>

#include <cstdlib>
#include <string>
#include <vector>

struct ReadBack {
  bool ok = false;
  int width = 0, height = 0;
  double transform[6] = {};
  bool hasNodata = false;
  double nodata = 0;
  std::vector<double> values;  // row by row from the top
  double At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

inline ReadBack ReadBand(const std::string& path) {
  GDALAllRegister();
  ReadBack r;
  GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
  if (!ds) return r;
  r.width = GDALGetRasterXSize(ds);
  r.height = GDALGetRasterYSize(ds);
  GDALGetGeoTransform(ds, r.transform);
  GDALRasterBandH band = GDALGetRasterBand(ds, 1);
  int has = 0;
  r.nodata = GDALGetRasterNoDataValue(band, &has);
  r.hasNodata = has != 0;
  r.values.resize(static_cast<std::size_t>(r.width) * r.height);
  r.ok = GDALRasterIO(band, GF_Read, 0, 0, r.width, r.height, r.values.data(), r.width, r.height,
                      GDT_Float64, 0, 0) == CE_None;
  GDALClose(ds);
  return r;
}

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
