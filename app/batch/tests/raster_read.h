// A raster written by relivox-batch, read back with GDAL: its size,
// geotransform, no-data value, coordinate system and the first band's values.
#pragma once

#include <gdal.h>

#include <cstddef>
#include <string>
#include <vector>

struct Raster {
  bool ok = false;
  int width = 0, height = 0;
  double transform[6] = {};
  bool hasNodata = false;
  double nodata = 0;
  std::string wkt;
  std::vector<float> values;  // row by row from the top
  float At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

inline Raster ReadRaster(const std::string& path) {
  GDALAllRegister();
  Raster r;
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
                      GDT_Float32, 0, 0) == CE_None;
  GDALClose(ds);
  return r;
}
