#include <cstdint>
#include <new>

#include "imaging/bitmap.h"
#include "imaging/draw_routines.h"
#include "imaging/drawing.h"
#include "imaging/drawing_context.h"

namespace {

// The calling thread's current context; each thread owns its own. The
// library is linked into executables only, so the slot can use the direct
// thread-pointer access (Draw_Plot reads it once per pixel).
__attribute__((tls_model("initial-exec"))) thread_local DrawingContext* tCurrent = nullptr;

void EndCurrent(bool completed);

// Ends a context that is still current when its thread exits.
struct ThreadSlotGuard {
  bool armed = false;
  ~ThreadSlotGuard() {
    if (tCurrent) EndCurrent(false);
  }
};
thread_local ThreadSlotGuard tGuard;

void EndCurrent(bool completed) {
  DrawingContext* dc = tCurrent;
  if (!dc) return;
  // Off the slot first: a finish step may make the next output itself.
  tCurrent = nullptr;
  if (dc->started && dc->stop) dc->stop(dc);
  if (dc->finish) dc->finish(dc, completed);
  delete dc;
}

bool StartTarget(DrawingContext* dc) {
  if (!dc->pixelBase) return false;
  dc->currentRow = dc->pixelBase;
  return true;
}

// Text resources are not kept by this system: nothing to release.
void StopTarget(DrawingContext*) {}

void PrepareFill(DrawingContext* dc, std::int64_t colour) {
  dc->fill = PrepareColour(colour, dc->premultiply);
}

void PrepareSecond(DrawingContext* dc, std::int64_t colour) {
  dc->second = PrepareColour(colour, dc->premultiply);
}

void SetMode(DrawingContext* dc, unsigned mode) {
  if (mode & DrawMode_CopyAll) {
    mode &= ~(DrawMode_AlphaOnly | DrawMode_SourceOver | DrawMode_SourceOverKeepAlpha);
    if (dc->bytesPerPixel == 3) mode &= ~DrawMode_CopyAll;
  }
  dc->mode = mode;
  dc->premultiply =
      (mode & (DrawMode_SourceOver | DrawMode_SourceOverKeepAlpha)) &&
      !(mode & (DrawMode_ExclusiveOr | DrawMode_CallbackA | DrawMode_CallbackB | DrawMode_CopyAll));
  SelectPixelRoutines(dc);
  SelectImageRoutines(dc);
  dc->prepareFillColour(dc, dc->lastFillColour);
  dc->prepareSecondColour(dc, dc->lastSecondColour);
}

bool FlagsMatchTarget(unsigned flags, const DrawTarget& target) {
  const bool fourBytes = flags & (kOutputPixels32 | kOutputAlpha32);
  return target.bitsPerPixel == (fourBytes ? 32 : 24);
}

}  // namespace

PreparedColour PrepareColour(std::int64_t colour, bool premultiply) {
  const auto c = static_cast<std::uint32_t>(colour);
  PreparedColour p;
  p.red = c & 0xFF;
  p.green = (c >> 8) & 0xFF;
  p.blue = (c >> 16) & 0xFF;
  p.alpha = c >> 24;
  p.inverseAlpha = 255 - p.alpha;
  if (premultiply) {
    p.red *= p.alpha;
    p.green *= p.alpha;
    p.blue *= p.alpha;
  }
  return p;
}

void Draw_Init() {}

DrawingContext* Draw_Current() { return tCurrent; }

DrawingContext* Draw_MakeOutput(unsigned outputFlags, const DrawTarget& target, DrawFinishFn finish,
                                ObjectHandle owner, void* userData) {
  // The caller should have stopped the previous output; end it so it is not lost.
  EndCurrent(false);
  if (!target.pixels || target.width <= 0 || target.height <= 0 ||
      !FlagsMatchTarget(outputFlags, target) ||
      target.stride < static_cast<std::ptrdiff_t>(target.width) * (target.bitsPerPixel / 8))
    return nullptr;
  auto* dc = new (std::nothrow) DrawingContext();
  if (!dc) return nullptr;
  tGuard.armed = true;  // constructs the guard, so thread exit cleans up
  dc->outputFlags = outputFlags;
  dc->bytesPerPixel = (outputFlags & (kOutputPixels32 | kOutputAlpha32)) ? 4 : 3;
  dc->bottomUp = outputFlags & kOutputBottomUp;

  dc->prepareSecondColour = PrepareSecond;
  dc->fillBox = FillBox;
  dc->setMode = SetMode;
  dc->drawImage = DrawBitmap;
  dc->drawImageSized = DrawBitmapSized;
  dc->drawAlphaImage = DrawAlphaBitmap;
  dc->prepareFillColour = PrepareFill;
  dc->start = StartTarget;
  dc->stop = StopTarget;

  dc->pixelBase = target.pixels;
  dc->stride = target.stride;
  dc->width = target.width;
  dc->height = target.height;
  dc->bitsPerPixel = target.bitsPerPixel;
  if (dc->bottomUp) {
    dc->topRow = target.pixels + (target.height - 1) * target.stride;
    dc->rowStep = -target.stride;
  } else {
    dc->topRow = target.pixels;
    dc->rowStep = target.stride;
  }
  dc->finish = finish;
  dc->owner = owner;
  dc->userData = userData;
  tCurrent = dc;
  SetMode(dc, 0);
  return dc;
}

int Draw_Start(DrawingContext* output) {
  if (!output) return 0;
  // Only this thread's own current context can be started; anything else
  // (another thread's, a stopped one) is not ours to touch.
  if (output != tCurrent) return 0;
  if (output->started) return 1;
  if (!output->start(output)) {
    EndCurrent(false);
    return 0;
  }
  output->started = true;
  return 1;
}

void Draw_Stop() { EndCurrent(true); }

void Draw_Mode(unsigned mode) {
  if (DrawingContext* dc = tCurrent) dc->setMode(dc, mode);
}

void Draw_Plot(int x, int y, std::int64_t colour) {
  DrawingContext* dc = tCurrent;
  if (!dc || !dc->started) return;
  x += dc->originX;
  y += dc->originY;
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(dc->width) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(dc->height))
    return;
  dc->plot(dc, x, y, colour);
}

void Draw_Box(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
              std::int64_t colour) {
  DrawingContext* dc = tCurrent;
  if (!dc || !dc->started) return;
  dc->fillBox(dc, x, y, width, height, colour);
}

void Draw_Image(ObjectHandle bitmap, std::int64_t x, std::int64_t y, std::int64_t width,
                std::int64_t height) {
  DrawingContext* dc = tCurrent;
  if (!dc || !dc->started || !bitmap) return;
  const Bitmap* source = Bitmap_FromHandle(bitmap);
  if (!source) return;
  if ((width == -1 || width == source->width) && (height == -1 || height == source->height))
    dc->drawImage(dc, source, x, y, false);
  else
    dc->drawImageSized(dc, source, x, y, width == -1 ? source->width : width,
                       height == -1 ? source->height : height);
}

void Draw_AlphaImage(ObjectHandle bitmap, std::int64_t x, std::int64_t y) {
  DrawingContext* dc = tCurrent;
  if (!dc || !dc->started || !bitmap) return;
  if (const Bitmap* source = Bitmap_FromHandle(bitmap)) dc->drawAlphaImage(dc, source, x, y);
}
