#include "app/batch/batch_output.h"

#include <cstdio>

#include "app/batch/cell_picture.h"
#include "app/batch/world_file.h"
#include "app/cell_compose.h"
#include "app/converter.h"
#include "app/memory_budget.h"
#include "runtime/data/utf.h"

namespace {

// GDAL's block cache (GDAL_CACHEMAX) and the compressors' buffers beside the mosaic.
constexpr Wide kGdalBytes = Wide{96} << 20;
constexpr Wide kMiB = Wide{1} << 20;
// GDAL counts a raster's pixels in int.
constexpr Wide kGdalMostPixels = 2147483647;

std::string WideText(Wide value) {
  if (value < 0) return "-" + WideText(-value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

}  // namespace

std::string RasterRefusal(const CellRule& rule, const GridBox& extent, const std::string& path) {
  const Wide width = extent.Width(), height = extent.Height();
  const std::string size = WideText(width) + " x " + WideText(height);
  if (width > kGdalMostPixels || height > kGdalMostPixels)
    return "Mosaik zu groß (" + size + "), " + path + " wurde nicht geschrieben.";
  const Wide need = CellComposeBytes(rule, width, height) + kGdalBytes;
  const std::int64_t available = AvailableMemoryBytes();
  if (available < 0 || need <= available) return {};
  return "Zu wenig Speicher für das Mosaik (" + size + " Pixel brauchen " +
         WideText((need + kMiB - 1) / kMiB) + " MiB, verfügbar sind " + WideText(available / kMiB) +
         " MiB), " + path + " wurde nicht geschrieben.";
}

int FinishOutput(Converter& core, const OutputPlan& plan, const OutputOptions& options,
                 const std::u16string& output, BatchSession& run) {
  if (output.empty()) return 0;
  const Placement placement = MosaicPlacement(core);
  if (placement.tilesDisagree)
    std::fputs("relivox-batch: Warnung: Die Kacheln liegen auf verschiedenen Rastern, "
               "die Pixelmitten werden in die Mitte der Rasterzellen gelegt.\n",
               stderr);
  const std::string path = Utf16ToUtf8(output);
  const bool picture = plan.kind == OutputKind::kPicture;
  // The picture's grid: the worker's export job wrote the PNG.
  if (picture && !core.cells.active) {
    if (plan.crsWkt.empty() || !run.exportRan || run.exported.outcome != ExportOutcome::kWritten)
      return 0;
    double transform[6];
    MosaicGeoTransform(run.exported.extent, placement, transform);
    if (WritePngSidecar(path, plan, transform)) return 0;
    std::fprintf(stderr, "relivox-batch: Die Datei %s.aux.xml wurde nicht geschrieben.\n",
                 path.c_str());
    return 1;
  }
  run.exportRan = true;
  run.exported.path = output;
  run.exported.extent = core.extent;
  run.worldFileWritten = false;
  if (plan.gdalRaster && core.tiles->Size() > 0) {
    run.failureReason = RasterRefusal(core.cells, core.extent, path);
    if (!run.failureReason.empty()) {
      run.exported.outcome = ExportOutcome::kNoMemory;
      return 0;
    }
  }
  run.exported.outcome = picture ? WriteCellPicture(core, output)
                                 : WriteHeightOutput(core, plan, options, path, placement);
  if (run.exported.outcome != ExportOutcome::kWritten) return 0;
  if (picture && !plan.crsWkt.empty()) {
    double transform[6];
    MosaicGeoTransform(core.extent, placement, transform);
    if (!WritePngSidecar(path, plan, transform)) {
      std::fprintf(stderr, "relivox-batch: Die Datei %s.aux.xml wurde nicht geschrieben.\n",
                   path.c_str());
      return 1;
    }
  }
  if (run.worldFileWanted) {
    const auto northing =
        static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(core.extent.minY));
    const std::u16string world = picture ? WorldFilePath(output) : RasterWorldFilePath(output);
    run.worldFileWritten = WriteWorldFile(world, core.extent.minX, northing, placement.x,
                                          placement.y, placement.cell) != 0;
  }
  return 0;
}
