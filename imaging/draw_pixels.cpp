// Plot (one pixel from a colour argument) and span (a run of pixels from the
// prepared fill colour) routines, one pair per mode and pixel size. A span
// sets every pixel exactly as the plot routine of its mode would.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/draw_routines.h"
#include "imaging/drawing.h"

namespace {

// The colour as the pixel word of a 32-bit target (blue in the low byte).
inline std::uint32_t Word(std::uint32_t c) {
  return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}

// The raw colour back from a prepared one (premultiplied under blending).
inline Rgba Unprepare(const PreparedColour& f, bool premultiplied) {
  if (!premultiplied || f.alpha == 0) return {f.red, f.green, f.blue, f.alpha};
  return {f.red / f.alpha, f.green / f.alpha, f.blue / f.alpha, f.alpha};
}

// --- plot ---

void PlotNothing(DrawingContext*, int, int, std::int64_t) {}

void PlotDefault(DrawingContext* dc, int x, int y, std::int64_t colour) {
  std::uint8_t* p = PixelAddress(dc, x, y);
  const Rgba s = SplitColour(colour);
  p[0] = static_cast<std::uint8_t>(s.b);
  p[1] = static_cast<std::uint8_t>(s.g);
  p[2] = static_cast<std::uint8_t>(s.r);
}

void PlotXor(DrawingContext* dc, int x, int y, std::int64_t colour) {
  std::uint8_t* p = PixelAddress(dc, x, y);
  const Rgba s = SplitColour(colour);
  p[0] ^= static_cast<std::uint8_t>(s.b);
  p[1] ^= static_cast<std::uint8_t>(s.g);
  p[2] ^= static_cast<std::uint8_t>(s.r);
}

void PlotCopyAll4(DrawingContext* dc, int x, int y, std::int64_t colour) {
  const std::uint32_t word = Word(static_cast<std::uint32_t>(colour));
  std::memcpy(dc->topRow + y * dc->rowStep + static_cast<std::ptrdiff_t>(x) * 4, &word, 4);
}

void PlotAlpha4(DrawingContext* dc, int x, int y, std::int64_t colour) {
  PixelAddress(dc, x, y)[3] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(colour) >> 24);
}

void PlotBlend4(DrawingContext* dc, int x, int y, std::int64_t colour) {
  Blend4(PixelAddress(dc, x, y), SplitColour(colour), false);
}

void PlotBlendKeepAlpha4(DrawingContext* dc, int x, int y, std::int64_t colour) {
  Blend4(PixelAddress(dc, x, y), SplitColour(colour), true);
}

void PlotBlend3(DrawingContext* dc, int x, int y, std::int64_t colour) {
  Blend3(PixelAddress(dc, x, y), SplitColour(colour));
}

// --- span ---

void SpanNothing(DrawingContext*, std::uint8_t*, int) {}

void SpanDefault4(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  for (int i = 0; i < count; ++i, p += 4) {
    p[0] = static_cast<std::uint8_t>(f.blue);
    p[1] = static_cast<std::uint8_t>(f.green);
    p[2] = static_cast<std::uint8_t>(f.red);
  }
}

void SpanDefault3(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(f.blue),
                               static_cast<std::uint8_t>(f.green),
                               static_cast<std::uint8_t>(f.red)};
  for (int i = 0; i < count; ++i, p += 3) std::memcpy(p, bgr, 3);
}

void SpanXor4(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  for (int i = 0; i < count; ++i, p += 4) {
    p[0] ^= static_cast<std::uint8_t>(f.blue);
    p[1] ^= static_cast<std::uint8_t>(f.green);
    p[2] ^= static_cast<std::uint8_t>(f.red);
  }
}

void SpanXor3(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  for (int i = 0; i < count; ++i, p += 3) {
    p[0] ^= static_cast<std::uint8_t>(f.blue);
    p[1] ^= static_cast<std::uint8_t>(f.green);
    p[2] ^= static_cast<std::uint8_t>(f.red);
  }
}

void SpanCopyAll4(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  const std::uint32_t word = f.alpha << 24 | f.red << 16 | f.green << 8 | f.blue;
  auto* w = reinterpret_cast<std::uint32_t*>(p);
  std::fill(w, w + count, word);
}

void SpanAlpha4(DrawingContext* dc, std::uint8_t* p, int count) {
  for (int i = 0; i < count; ++i, p += 4) p[3] = static_cast<std::uint8_t>(dc->fill.alpha);
}

template <bool keepAlpha>
void SpanBlend4(DrawingContext* dc, std::uint8_t* p, int count) {
  const Rgba s = Unprepare(dc->fill, dc->premultiply);
  if (s.a == 0) return;
  for (int i = 0; i < count; ++i, p += 4) Blend4(p, s, keepAlpha);
}

void SpanBlend3(DrawingContext* dc, std::uint8_t* p, int count) {
  const auto& f = dc->fill;
  // The prepared bytes are already multiplied by alpha.
  const Rgba s = dc->premultiply
                     ? Rgba{f.red, f.green, f.blue, f.alpha}
                     : Rgba{f.red * f.alpha, f.green * f.alpha, f.blue * f.alpha, f.alpha};
  const std::uint32_t ia = f.inverseAlpha;
  for (int i = 0; i < count; ++i, p += 3) {
    p[0] = static_cast<std::uint8_t>((s.b + p[0] * ia) / 255);
    p[1] = static_cast<std::uint8_t>((s.g + p[1] * ia) / 255);
    p[2] = static_cast<std::uint8_t>((s.r + p[2] * ia) / 255);
  }
}

}  // namespace

void SelectPixelRoutines(DrawingContext* dc) {
  const unsigned m = dc->mode;
  if (m & (DrawMode_CallbackA | DrawMode_CallbackB)) {
    // No per-pixel callback is installed in this system: draw nothing.
    dc->plot = PlotNothing;
    dc->fillSpan = SpanNothing;
  } else if (dc->bytesPerPixel == 4) {
    if (m & DrawMode_ExclusiveOr) {
      dc->plot = PlotXor;
      dc->fillSpan = SpanXor4;
    } else if (m & DrawMode_CopyAll) {
      dc->plot = PlotCopyAll4;
      dc->fillSpan = SpanCopyAll4;
    } else if (m & DrawMode_AlphaOnly) {
      dc->plot = PlotAlpha4;
      dc->fillSpan = SpanAlpha4;
    } else if (m & DrawMode_SourceOver) {
      dc->plot = PlotBlend4;
      dc->fillSpan = SpanBlend4<false>;
    } else if (m & DrawMode_SourceOverKeepAlpha) {
      dc->plot = PlotBlendKeepAlpha4;
      dc->fillSpan = SpanBlend4<true>;
    } else {
      dc->plot = PlotDefault;
      dc->fillSpan = SpanDefault4;
    }
  } else {
    if (m & DrawMode_ExclusiveOr) {
      dc->plot = PlotXor;
      dc->fillSpan = SpanXor3;
    } else if (m & DrawMode_AlphaOnly) {
      dc->plot = PlotNothing;
      dc->fillSpan = SpanNothing;
    } else if (m & (DrawMode_SourceOver | DrawMode_SourceOverKeepAlpha)) {
      dc->plot = PlotBlend3;
      dc->fillSpan = SpanBlend3;
    } else {
      dc->plot = PlotDefault;
      dc->fillSpan = SpanDefault3;
    }
  }
}
