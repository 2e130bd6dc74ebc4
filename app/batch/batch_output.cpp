#include "app/batch/batch_output.h"

#include <cstdio>

#include "app/batch/world_file.h"
#include "app/converter.h"
#include "runtime/data/utf.h"

int FinishOutput(Converter& core, const OutputPlan& plan, const OutputOptions& options,
                 const std::u16string& output, BatchSession& run) {
  if (output.empty()) return 0;
  const Placement placement = MosaicPlacement(core);
  if (plan.wants.placement && placement.tilesDisagree)
    std::fputs("relivox-batch: Warnung: Die Kacheln liegen auf verschiedenen Rastern, "
               "die Pixelmitten werden in die Mitte der Rasterzellen gelegt.\n",
               stderr);
  const std::string path = Utf16ToUtf8(output);
  if (plan.kind == OutputKind::kPicture) {
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
  run.exported.outcome = WriteHeightOutput(core, plan, options, path, placement);
  run.worldFileWritten = false;
  if (run.exported.outcome == ExportOutcome::kWritten && run.worldFileWanted) {
    const auto northing =
        static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(core.extent.minY));
    run.worldFileWritten = WriteWorldFile(RasterWorldFilePath(output), core.extent.minX, northing,
                                          placement.x, placement.y) != 0;
  }
  return 0;
}
