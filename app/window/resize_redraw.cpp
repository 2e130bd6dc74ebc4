#include "app/window/resize_redraw.h"

#include "app/window/window_face.h"
#include "platform/platform.h"

namespace {

// Main thread only: whether a redraw is posted and has not yet run.
bool gPending = false;

void Redraw(void*) {
  gPending = false;
  RedrawWindowPreview();
}

// The platform shut down before it ran.
void Forget(void*) { gPending = false; }

}  // namespace

void RedrawAfterResize() {
  if (gPending) return;
  // A posted task runs after the event being handled, so after the relayout
  // that the size event also runs.
  gPending = Plat_PostTask(&Redraw, nullptr, &Forget);
}
