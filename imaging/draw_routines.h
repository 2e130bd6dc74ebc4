// Pixel routines of the drawing modes (internal to the drawing files).
#pragma once

#include <cstdint>

#include "imaging/drawing_context.h"

// Installs the plot, span and image row routines for dc->mode and the
// target's bytes per pixel.
void SelectPixelRoutines(DrawingContext* dc);
void SelectImageRoutines(DrawingContext* dc);

// Splits a colour value into the prepared form; colour bytes multiplied by
// alpha when `premultiply` is set.
PreparedColour PrepareColour(std::int64_t colour, bool premultiply);

// Operation table entries shared by every output kind.
void FillBox(DrawingContext* dc, std::int64_t x, std::int64_t y, std::int64_t width,
             std::int64_t height, std::int64_t colour);
void DrawBitmap(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y,
                bool withAlpha);
void DrawBitmapSized(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y,
                     std::int64_t width, std::int64_t height);
void DrawAlphaBitmap(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y);

// Address of pixel x, y (picture coordinates, inside the target).
inline std::uint8_t* PixelAddress(const DrawingContext* dc, int x, int y) {
  return dc->topRow + y * dc->rowStep + static_cast<std::ptrdiff_t>(x) * dc->bytesPerPixel;
}

// Colour bytes of a colour value or a source pixel.
struct Rgba {
  std::uint32_t r, g, b, a;
};

inline Rgba SplitColour(std::int64_t colour) {
  const auto c = static_cast<std::uint32_t>(colour);
  return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, c >> 24};
}

// Source-over of colour byte s (alpha a, 0 < a) onto d (alpha da).
inline std::uint8_t BlendByte(std::uint32_t s, std::uint32_t d, std::uint32_t a, std::uint32_t da) {
  if (da == 0) return static_cast<std::uint8_t>(s);
  return static_cast<std::uint8_t>((s * a * 255 + d * da * (255 - a)) / (a * 255 + da * (255 - a)));
}

inline void Blend4(std::uint8_t* p, Rgba s, bool keepAlpha) {
  if (s.a == 0) return;
  const std::uint32_t da = p[3];
  p[0] = BlendByte(s.b, p[0], s.a, da);
  p[1] = BlendByte(s.g, p[1], s.a, da);
  p[2] = BlendByte(s.r, p[2], s.a, da);
  if (!keepAlpha) p[3] = static_cast<std::uint8_t>((s.a * 255 + da * (255 - s.a)) / 255);
}

inline void Blend3(std::uint8_t* p, Rgba s) {
  const std::uint32_t ia = 255 - s.a;
  p[0] = static_cast<std::uint8_t>((s.b * s.a + p[0] * ia) / 255);
  p[1] = static_cast<std::uint8_t>((s.g * s.a + p[1] * ia) / 255);
  p[2] = static_cast<std::uint8_t>((s.r * s.a + p[2] * ia) / 255);
}
