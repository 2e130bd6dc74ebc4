#include "app/export_png.h"

#include "app/app_state.h"
#include "app/indicators.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "imaging/png_encoder.h"

namespace {

ExportOutcome Export(const std::u16string& path) {
  AppState& app = App();
  if (app.tiles->Size() == 0) return kExportNothingLoaded;
  if (path.empty()) return kExportNoPath;
  if (!app.mosaicImage || !Img_IsImage(app.mosaicImage)) return kExportNoMosaic;
  const ObjectHandle copy =
      Img_Create(KX_Any, Img_Width(app.mosaicImage), Img_Height(app.mosaicImage), 24, 0);
  if (!copy) return kExportNoMemory;
  // The default mode ignores the mosaic's alpha: points keep their grey and
  // everything else shows the black of the transparent pixels.
  if (Draw_Start(Img_Output(copy))) {
    Draw_Image(Img_Handle(app.mosaicImage), 0, 0);
    Draw_Stop();
  }
  SetStatusText(u"Speichern als PNG...");
  SetProgress(0);
  Img_UsePngEncoder();
  const bool written = Img_Save(copy, path, EncoderPng) != 0;
  SetStatusText(written ? u"Datei exportiert!" : u"Fehler beim Export der Datei!");
  Img_Free(copy);
  SetProgress(0);
  return written ? kExportWritten : kExportFailed;
}

}  // namespace

int ExportPngJob(const std::u16string& path) {
  NotifyExported(path, Export(path));
  return 0;
}
