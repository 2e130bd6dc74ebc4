// The GDAL module: everything relivox-batch asks of GDAL (coordinate
// systems, drivers, writing a raster), in a shared library of its own
// (librelivox-gdal.so) that the program loads only for an output that needs
// it. Linking GDAL's hundred libraries into the program would cost every
// run their loading, ~30 ms, also the runs that write a PNG or nothing.
// The module knows GDAL and the standard library only: plain data in,
// results and GDAL's messages out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class GdalBand { kByte, kUInt16, kFloat32 };

// One band of pixels of ours (rows top-down, no copy is made) and how to
// write it.
struct GdalRasterJob {
  const void* pixels = nullptr;
  GdalBand band = GdalBand::kFloat32;
  std::int64_t width = 0, height = 0;
  bool hasNodata = false;
  double nodata = 0;
  bool placed = false;  // transform and crsWkt are written
  double transform[6] = {};
  std::string crsWkt;
  std::string driver;  // a short name that FindDriver gave
  std::vector<std::string> creationOptions;  // KEY=VALUE
  std::string path;
  // Called with the share done (0 .. 1) while GDAL writes; may be null.
  void (*progress)(void* context, double done) = nullptr;
  void* context = nullptr;
};

// Bumped when the table changes: a module of another build is refused.
inline constexpr int kGdalModuleAbi = 1;

struct GdalModule {
  int abi;
  // The coordinate system `definition` (EPSG:25832, WKT, PROJ) as WKT and
  // the mapping of easting, northing to its axes ("1,2"); false with
  // GDAL's message.
  bool (*parseCrs)(const std::string& definition, std::string* wkt, std::string* axisMapping,
                   std::string* message);
  // A raster driver that writes files of `band` values: its short name, or
  // the reason it cannot be used.
  bool (*findDriver)(const std::string& name, GdalBand band, std::string* shortName,
                     std::string* reason);
  // Whether the driver takes the creation options; false with GDAL's message.
  bool (*acceptsOptions)(const std::string& driver, const std::vector<std::string>& options,
                         std::string* message);
  // Writes the job to job.path; false with GDAL's first message (if any).
  bool (*writeRaster)(const GdalRasterJob& job, std::string* message);
};

// The module's one exported symbol.
extern "C" const GdalModule* RelivoxGdalModule();

// The program's side: the module, loaded at the first call (main thread)
// from beside the program or from its installed folder; nullptr and the
// reason when it cannot be loaded.
const GdalModule* LoadGdalModule(std::string* reason);
