// relivox-batch's outputs beyond the picture: Float32 heights in any GDAL
// raster driver (GeoTIFF by default), the 16-bit heightmap PNG, the
// hillshade (PNG or a Byte band), the coordinate system, and the .aux.xml
// that gives a PNG its place. GDAL itself is asked through the GDAL module
// (gdal_module.h), which the plan loads when an output needs it.
#pragma once

#include <string>
#include <vector>

#include "app/batch/output_options.h"
#include "app/face.h"
#include "app/height_store.h"

struct Converter;
struct GdalModule;

// What was decided about the output before anything is loaded.
struct OutputPlan {
  OutputKind kind = OutputKind::kPicture;
  std::string driver;                        // kRaster: the GDAL driver's name
  std::vector<std::string> creationOptions;  // with the defaults of GTiff
  std::string crsWkt;                        // empty: no --crs
  std::string crsAxisMapping;                // of our easting, northing to the CRS's axes
  XyzWants wants;                            // what the reader must give
  // A raster through a GDAL driver other than PNG (heights, or a
  // hillshade): limited by memory only, not by the picture's side.
  bool gdalRaster = false;
  const GdalModule* gdal = nullptr;  // loaded for outputs that need GDAL; lives to the end
  bool gdalMissing = false;          // they need it, and it could not be loaded
};

// Checks the output options, against GDAL too (driver, creation options,
// coordinate system). Empty when they are good, else the usage error with
// GDAL's message. `outputPath` empty: no output.
std::string PlanOutput(const OutputOptions& options, const std::string& outputPath, bool worldFile,
                       OutputPlan* plan);

// The GeoTransform of the mosaic: its top-left corner, placement.cell
// coordinate units per pixel.
void MosaicGeoTransform(const GridBox& extent, const Placement& placement, double transform[6]);

// Writes the heights of the mosaic as the plan says (kRaster, kHeightmap,
// kHillshade),
// with the status texts of saving. Once the worker stopped.
ExportOutcome WriteHeightOutput(Converter& core, const OutputPlan& plan,
                                const OutputOptions& options, const std::string& path,
                                const Placement& placement);

// Writes PATH.aux.xml with the coordinate system and the GeoTransform, which
// GDAL (and QGIS over it) reads for a PNG. Non-zero on success.
int WritePngSidecar(const std::string& pngPath, const OutputPlan& plan, const double transform[6]);
