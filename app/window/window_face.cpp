#include "app/window/window_face.h"

#include <cassert>

#include "app/mosaic.h"
#include "app/window/app_state.h"
#include "app/window/preview_sampler.h"
#include "dialog/dialog.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "platform/platform.h"
#include "runtime/system/console.h"
#include "runtime/system/gadget.h"
#include "runtime/system/mutex.h"
#include "runtime/system/process.h"
#include "runtime/system/window.h"

namespace {

struct FaceState {
  // The face lock. Recursive: closing may dispatch a window message whose
  // handler previews.
  RtMutex* lock = Mtx_Create();
  // Under `lock`; written on the main thread only.
  bool attached = false;
  ObjectHandle image = -1;
  ObjectHandle text = -1;
  ObjectHandle queue = -1;
  ObjectHandle progress = -1;
  // Under the converter's mosaic lock: the image drawn last, for a redraw.
  ObjectHandle previewSource = 0;
};

FaceState& Face() {
  // Never destroyed: the worker may call in while the process ends.
  static auto* face = new FaceState;
  return *face;
}

bool WindowAlive(const FaceState& face) {
  assert(Mtx_IsHeld(face.lock));
  const AppState& app = App();
  return face.attached && app.mainDialog != 0 && app.mainWindow != 0 &&
         Dlg_IsDialog(app.mainDialog) && Win_IsWindow(app.mainWindow);
}

void DrawPreview(FaceState& face, ObjectHandle image) {
  assert(Mtx_IsHeld(face.lock) && App().core && Mtx_IsHeld(App().core->mosaicLock));
  if (!Img_IsImage(image)) return;
  face.previewSource = image;
  const Bitmap* source = Bitmap_FromHandle(Img_Handle(image));
  if (!source) return;
  const ObjectHandle canvas = face.image;
  const int canvasWidth = Gad_Width(canvas);
  const int canvasHeight = Gad_Height(canvas);
  const PreviewSize size = PreviewSizeFor(source->width, source->height, canvasWidth, canvasHeight);
  if (Draw_Start(Canvas_Output(canvas))) {
    Draw_Box(0, 0, canvasWidth, canvasHeight, 0x808080);
    DrawNearestScaled(*source, size.width, size.height);
    Draw_Stop();
  }
}

// The core calls this with the mosaic lock held.
void Preview(void* context, ObjectHandle image) {
  FaceState& face = *static_cast<FaceState*>(context);
  const MtxGuard guard(face.lock);
  if (WindowAlive(face)) DrawPreview(face, image);
}

void SetText(ObjectHandle FaceState::*gadget, const std::u16string& text) {
  FaceState& face = Face();
  const MtxGuard guard(face.lock);
  if (WindowAlive(face)) Gad_SetText(face.*gadget, text);
}

void Status(void*, const std::u16string& text) { SetText(&FaceState::text, text); }
void Queue(void*, const std::u16string& text) { SetText(&FaceState::queue, text); }

void Progress(void*, std::int64_t value) {
  FaceState& face = Face();
  const MtxGuard guard(face.lock);
  if (WindowAlive(face)) Gad_SetState(face.progress, value);
}

// The window has no line for it: the share goes to standard output.
void ArchiveShare(void*, const std::u16string& share) { Con_PrintLine(share); }

void Exported(void*, const ExportReport& report) {
  // A failed save must not open an older file of that name.
  if (report.outcome != ExportOutcome::kWritten) return;
  FaceState& face = Face();
  const MtxGuard guard(face.lock);
  if (WindowAlive(face)) Proc_Run(report.path, u"", u"", 0);
}

}  // namespace

ConverterFace WindowFace() {
  FaceState& face = Face();
  face.previewSource = 0;  // an image of an earlier converter is no source
  return ConverterFace{
      .context = &face,
      .preview = &Preview,
      .status = &Status,
      .progress = &Progress,
      .queue = &Queue,
      .archiveShare = &ArchiveShare,
      .exported = &Exported,
  };
}

void AttachWindowFace() {
  const ObjectHandle dialog = App().mainDialog;
  FaceState& face = Face();
  const MtxGuard guard(face.lock);
  face.image = Dlg_Gadget(dialog, u"image");
  face.text = Dlg_Gadget(dialog, u"text");
  face.queue = Dlg_Gadget(dialog, u"queue");
  face.progress = Dlg_Gadget(dialog, u"progress");
  face.attached = true;
}

void RedrawWindowPreview() {
  Converter* core = App().core;
  if (!core || !TryLockMosaic(*core)) return;
  // Through the installed table, as a preview of the worker's goes.
  if (const ObjectHandle last = Face().previewSource; last && core->face.preview)
    core->face.preview(core->face.context, last);
  UnlockMosaic(*core);
}

void CloseWindowFace(void (*close)()) {
  FaceState& face = Face();
  const MtxGuard guard(face.lock);
  face.attached = false;
  close();
}
