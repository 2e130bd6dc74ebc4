// 2D drawing into the pixel memory of a drawing output (an image or a
// canvas). Every operation acts on the calling thread's current context,
// made by an output function (Img_Output, Canvas_Output) and started with
// Draw_Start; without a started context the operations do nothing.
#pragma once

#include <cstdint>

#include "imaging/drawing_context.h"
#include "runtime/data/handle.h"

// Mode bits (combinable).
inline constexpr unsigned DrawMode_Opaque = 0;
inline constexpr unsigned DrawMode_ExclusiveOr = 0x02;
inline constexpr unsigned DrawMode_OutlineOnly = 0x04;
inline constexpr unsigned DrawMode_AlphaOnly = 0x08;
inline constexpr unsigned DrawMode_SourceOver = 0x10;
inline constexpr unsigned DrawMode_SourceOverKeepAlpha = 0x20;
// Per-pixel callback modes: no routine is installed for them, so they draw nothing.
inline constexpr unsigned DrawMode_CallbackA = 0x40;
inline constexpr unsigned DrawMode_CallbackB = 0x80;
inline constexpr unsigned DrawMode_CopyAll = 0x100;

// The start-up call of the drawing library. The per-thread slot for the
// current context is a thread_local made on first use, so there is nothing
// to allocate and nothing needs to call it; it stays so that a binding whose
// slot must be allocated (a Win32 TLS index) has its place.
void Draw_Init();

// Starts drawing on an output made on this thread. 0 for a null output, one
// that is not this thread's current context, or one without pixel memory; the
// context is then finished as cancelled and no longer current.
int Draw_Start(DrawingContext* output);

// Ends the current context (finish step with "completed"). No-op without one.
void Draw_Stop();

void Draw_Mode(unsigned mode);

// Colour value a << 24 | b << 16 | g << 8 | r as a signed 32-bit number
// widened to 64 bits (alpha 255 gives a negative value); arguments unmasked.
// Inline: the rasteriser makes one colour per point.
constexpr std::int64_t Draw_RGBA(std::int64_t red, std::int64_t green, std::int64_t blue,
                                 std::int64_t alpha) {
  const auto value = static_cast<std::uint32_t>(alpha) << 24 |
                     static_cast<std::uint32_t>(blue) << 16 |
                     static_cast<std::uint32_t>(green) << 8 | static_cast<std::uint32_t>(red);
  return static_cast<std::int32_t>(value);
}

// One pixel under the current mode. Pixels outside the target are ignored.
void Draw_Plot(int x, int y, std::int64_t colour);

// A filled (or, with DrawMode_OutlineOnly, outlined) box, clipped to the
// target. A negative width or height extends the box left or up from x, y.
void Draw_Box(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
              std::int64_t colour);

// Draws a bitmap (native handle, e.g. Img_Handle) at x, y, optionally scaled
// to width x height (-1 = the source's own) with the smooth resampler.
void Draw_Image(ObjectHandle bitmap, std::int64_t x, std::int64_t y, std::int64_t width = -1,
                std::int64_t height = -1);

// Draws a bitmap blended by its own alpha (source-over in the default mode).
void Draw_AlphaImage(ObjectHandle bitmap, std::int64_t x, std::int64_t y);
