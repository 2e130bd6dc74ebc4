#include "app/export_png.h"

#include <algorithm>
#include <thread>

#include "app/indicators.h"
#include "app/mosaic_store.h"
#include "imaging/bitmap.h"
#include "imaging/image.h"
#include "imaging/png_encoder.h"
#include "imaging/png_rows.h"

namespace {

// Enough threads to keep every core deflating; the rows are cheap to make.
constexpr unsigned kMaxDeflateThreads = 8;

int DeflateThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxDeflateThreads));
}

// A mosaic row as the PNG's red, green, blue. The colour bytes are taken
// whatever the alpha, as drawing onto a black 24-bit image in the default
// mode did: a pixel without a point is 0, 0, 0, 0 and so becomes black.
void MosaicRow(void* context, int y, std::uint8_t* out) {
  const Bitmap& mosaic = *static_cast<const Bitmap*>(context);
  const std::uint8_t* in = Bitmap_PictureRow(mosaic, y);
  for (int x = 0; x < mosaic.width; ++x, in += 4, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

ExportOutcome Export(Converter& core, const std::u16string& path) {
  // A mosaic (or every tile) refused for lack of memory leaves nothing to
  // save: memory is the reason then.
  const ExportOutcome missing =
      core.mosaicLackedMemory ? ExportOutcome::kNoMemory : ExportOutcome::kNoMosaic;
  if (core.tiles->Size() == 0)
    return core.mosaicLackedMemory ? ExportOutcome::kNoMemory : ExportOutcome::kNothingLoaded;
  if (path.empty()) return ExportOutcome::kNoPath;
  if (!core.mosaicImage || !Img_IsImage(core.mosaicImage)) return missing;
  // The worker is the only writer of the mosaic and runs this job, so the
  // rows stay put without the mosaic lock (the preview only reads them).
  const Bitmap* mosaic = Bitmap_FromHandle(Img_Handle(core.mosaicImage));
  if (!mosaic || mosaic->bitsPerPixel != 32) return missing;
  SetStatusText(core, u"Speichern als PNG...");
  SetProgress(core, 0);
  Img_UsePngEncoder();
  const bool written = Img_WritePngRows(path.c_str(), mosaic->width, mosaic->height, MosaicRow,
                                        const_cast<Bitmap*>(mosaic), DeflateThreads()) != 0;
  SetStatusText(core, written ? u"Datei exportiert!" : u"Fehler beim Export der Datei!");
  SetProgress(core, 0);
  return written ? ExportOutcome::kWritten : ExportOutcome::kFailed;
}

}  // namespace

void ExportPngJob(Converter& core, const std::u16string& path) {
  ExportReport report;
  report.path = path;
  report.outcome = Export(core, path);
  // The worker is the mosaic's only writer and runs this job: the extent
  // is the one just saved.
  if (core.mosaicStore) report.extent = core.mosaicStore->shown;
  NotifyExported(core, report);
}
