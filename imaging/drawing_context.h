// The drawing context: one per drawing output, at most one current per thread.
// Output makers (images, canvases) build one with Draw_MakeOutput over their
// own pixel memory; the Draw_* operations (imaging/drawing.h) then act on the
// calling thread's current context until Draw_Stop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/data/handle.h"

struct Bitmap;
struct DrawingContext;

// Output flags.
inline constexpr unsigned kOutputBottomUp = 0x8000;  // memory row 0 is the bottom row
inline constexpr unsigned kOutputAlpha32 = 0x40;     // 32-bit pixels with alpha
inline constexpr unsigned kOutputPixels32 = 0x20;    // 32-bit pixels
inline constexpr unsigned kOutputPixels24 = 0x10;    // 24-bit pixels
inline constexpr unsigned kImageOutput32 = kOutputBottomUp | kOutputAlpha32;
inline constexpr unsigned kImageOutput24 = kOutputBottomUp | kOutputPixels24;

// Sets one pixel from a colour value (red in the low byte); x and y are target
// coordinates already inside the target.
using DrawPlotFn = void (*)(DrawingContext* dc, int x, int y, std::int64_t colour);
// Sets `count` pixels from `first` on from the prepared fill colour.
using DrawSpanFn = void (*)(DrawingContext* dc, std::uint8_t* first, int count);
// Combines `count` source pixels with one target row.
using DrawRowFn = void (*)(std::uint8_t* target, const std::uint8_t* source, int count);
// Runs once when the context ends: `completed` is true from Draw_Stop, false
// when Draw_Start failed or the context was dropped without being stopped.
using DrawFinishFn = void (*)(DrawingContext* dc, bool completed);

// The fill colour as the span routines use it. Under the blend modes the
// colour bytes are premultiplied by alpha (so they reach 255 * 255).
struct PreparedColour {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  std::uint32_t alpha = 0;
  std::uint32_t inverseAlpha = 255;
};

struct DrawingContext {
  // Operation table, filled when the context is made and by Draw_Mode.
  void (*prepareSecondColour)(DrawingContext* dc, std::int64_t colour) = nullptr;
  void (*fillBox)(DrawingContext* dc, std::int64_t x, std::int64_t y, std::int64_t width,
                  std::int64_t height, std::int64_t colour) = nullptr;
  void (*setMode)(DrawingContext* dc, unsigned mode) = nullptr;
  void (*drawImage)(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y,
                    bool withAlpha) = nullptr;
  void (*drawImageSized)(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y,
                         std::int64_t width, std::int64_t height) = nullptr;
  void (*drawAlphaImage)(DrawingContext* dc, const Bitmap* source, std::int64_t x,
                         std::int64_t y) = nullptr;
  void (*prepareFillColour)(DrawingContext* dc, std::int64_t colour) = nullptr;
  DrawSpanFn fillSpan = nullptr;
  DrawPlotFn plot = nullptr;
  bool (*start)(DrawingContext* dc) = nullptr;
  void (*stop)(DrawingContext* dc) = nullptr;
  DrawFinishFn finish = nullptr;

  // Row routines for images, chosen by Draw_Mode: [source 32-bit][with alpha].
  DrawRowFn imageRow[2][2] = {};

  // Target.
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;

  int originX = 0;
  int originY = 0;

  std::int64_t frontColour = static_cast<std::int32_t>(0xFFFFFFFF);
  std::int64_t backColour = static_cast<std::int32_t>(0xFF000000);
  std::int64_t lastFillColour = 0;
  std::int64_t lastSecondColour = 0;
  PreparedColour second;

  std::uint8_t* pixelBase = nullptr;  // memory row 0
  std::ptrdiff_t stride = 0;          // bytes between memory rows
  std::uint8_t* currentRow = nullptr;
  // Picture row 0 and the step to the next picture row (negative when bottom-up).
  std::uint8_t* topRow = nullptr;
  std::ptrdiff_t rowStep = 0;

  unsigned outputFlags = 0;
  int bytesPerPixel = 0;
  unsigned mode = 0;
  bool premultiply = false;
  bool bottomUp = false;
  bool started = false;

  PreparedColour fill;

  // The owning object (a canvas number, for its finish step) and whatever else
  // the output maker needs in its finish step.
  ObjectHandle owner = 0;
  void* userData = nullptr;
};

// What an output maker describes about its target.
struct DrawTarget {
  std::uint8_t* pixels = nullptr;  // memory row 0
  std::ptrdiff_t stride = 0;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // 24 or 32
};

// Makes a new context current on the calling thread (ending, as cancelled, one
// that is still current there) for a target with these output flags, and
// returns it; that value is the output to hand to Draw_Start. `finish` may be
// null. Null when the target is unusable (no pixels, bad size or depth, depth
// not matching the flags) or memory runs out; no context is then current.
DrawingContext* Draw_MakeOutput(unsigned outputFlags, const DrawTarget& target, DrawFinishFn finish,
                                ObjectHandle owner = 0, void* userData = nullptr);

// The context current on the calling thread, or null.
DrawingContext* Draw_Current();
