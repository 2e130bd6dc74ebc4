#include "app/window/window_face.h"

#include <mutex>

#include "app/app_state.h"
#include "app/window/preview_sampler.h"
#include "dialog/dialog.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "platform/platform.h"
#include "runtime/system/gadget.h"
#include "runtime/system/mutex.h"
#include "runtime/system/process.h"
#include "runtime/system/window.h"

namespace {

struct FaceState {
  // Recursive: closing may dispatch a window message whose handler previews.
  std::recursive_mutex lock;
  // Under `lock`; written on the main thread only.
  bool attached = false;
  ObjectHandle image = -1;
  ObjectHandle text = -1;
  ObjectHandle queue = -1;
  ObjectHandle progress = -1;
};

FaceState& Face() {
  // Never destroyed: the worker may call in while the process ends.
  static auto* face = new FaceState;
  return *face;
}

// Called with the face lock held.
bool WindowAlive() {
  const AppState& app = App();
  return Face().attached && app.mainDialog != 0 && app.mainWindow != 0 &&
         Dlg_IsDialog(app.mainDialog) && Win_IsWindow(app.mainWindow);
}

// Called with the face lock and the mosaic lock held.
void DrawPreview(ObjectHandle image) {
  AppState& app = App();
  if (image == -1 && app.previewSource && Img_IsImage(app.previewSource)) image = app.previewSource;
  if (image == -1 || !Img_IsImage(image)) return;
  app.previewSource = image;
  const Bitmap* source = Bitmap_FromHandle(Img_Handle(image));
  if (!source) return;
  const ObjectHandle canvas = Face().image;
  const int canvasWidth = Gad_Width(canvas);
  const int canvasHeight = Gad_Height(canvas);
  const PreviewSize size = PreviewSizeFor(source->width, source->height, canvasWidth, canvasHeight);
  if (Draw_Start(Canvas_Output(canvas))) {
    Draw_Box(0, 0, canvasWidth, canvasHeight, 0x808080);
    DrawNearestScaled(*source, size.width, size.height);
    Draw_Stop();
  }
}

void Preview(ObjectHandle image) {
  RtMutex* mosaicLock = App().mosaicLock;
  if (!mosaicLock) return;
  // The main thread does not wait for a mosaic rebuild, which may take long:
  // the rebuild ends with a preview of its own.
  if (Plat_IsMainThread()) {
    if (!Mtx_TryLock(mosaicLock)) return;
  } else {
    Mtx_Lock(mosaicLock);
  }
  {
    std::lock_guard guard(Face().lock);
    if (WindowAlive()) DrawPreview(image);
  }
  Mtx_Unlock(mosaicLock);
}

void SetText(ObjectHandle FaceState::*gadget, const std::u16string& text) {
  FaceState& face = Face();
  std::lock_guard guard(face.lock);
  if (WindowAlive()) Gad_SetText(face.*gadget, text);
}

void Status(const std::u16string& text) { SetText(&FaceState::text, text); }
void Queue(const std::u16string& text) { SetText(&FaceState::queue, text); }

void Progress(std::int64_t value) {
  FaceState& face = Face();
  std::lock_guard guard(face.lock);
  if (WindowAlive()) Gad_SetState(face.progress, value);
}

void Exported(const std::u16string& path, ExportOutcome outcome) {
  // A failed save must not open an older file of that name.
  if (outcome != kExportWritten) return;
  std::lock_guard guard(Face().lock);
  if (WindowAlive()) Proc_Run(path, u"", u"", 0);
}

const ConverterFace kFace = {&Preview, &Status, &Progress, &Queue, nullptr, &Exported};

}  // namespace

const ConverterFace* WindowFace() { return &kFace; }

void AttachWindowFace() {
  const ObjectHandle dialog = App().mainDialog;
  FaceState& face = Face();
  std::lock_guard guard(face.lock);
  face.image = Dlg_Gadget(dialog, u"image");
  face.text = Dlg_Gadget(dialog, u"text");
  face.queue = Dlg_Gadget(dialog, u"queue");
  face.progress = Dlg_Gadget(dialog, u"progress");
  face.attached = true;
}

void CloseWindowFace(void (*close)()) {
  FaceState& face = Face();
  std::lock_guard guard(face.lock);
  face.attached = false;
  close();
}
