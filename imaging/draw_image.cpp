// Drawing bitmaps: one row routine per mode, source depth and alpha switch,
// chosen by Draw_Mode; rows are walked in picture order and clipped once.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/bitmap.h"
#include "imaging/draw_routines.h"
#include "imaging/drawing.h"
#include "imaging/resample.h"

namespace {

using Wide = __int128;

// A temporary scaled bitmap larger than an image may be is not made.
constexpr std::int64_t kMaxDrawSide = 32767;

inline std::uint32_t Load(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void Store(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

inline Rgba SourcePixel(const std::uint8_t* s) { return {s[2], s[1], s[0], s[3]}; }

void RowNothing(std::uint8_t*, const std::uint8_t*, int) {}

// --- 32-bit sources onto 4-byte targets ---

void Row32CopyAll4(std::uint8_t* d, const std::uint8_t* s, int n) {
  std::memcpy(d, s, static_cast<std::size_t>(n) * 4);
}

void Row32Alpha4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i) d[4 * i + 3] = s[4 * i + 3];
}

void Row32Copy4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i)
    Store(d + 4 * i, (Load(d + 4 * i) & 0xFF000000u) | (Load(s + 4 * i) & 0xFFFFFFu));
}

void Row32Xor4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i) Store(d + 4 * i, Load(d + 4 * i) ^ (Load(s + 4 * i) & 0xFFFFFFu));
}

inline void BlendPixel4(std::uint8_t* d, const std::uint8_t* s) {
  const std::uint32_t v = Load(s);
  const std::uint32_t a = v >> 24;
  if (a == 255)
    Store(d, v);  // the blend formula gives the source itself and alpha 255
  else if (a != 0)
    Blend4(d, SourcePixel(s), false);
}

// Source-over. Tile pixels are fully opaque (a point) or fully transparent,
// often mixed closely: groups of eight such pixels are merged without
// branches per pixel, and only groups holding partial alpha take the division.
void Row32Blend4(std::uint8_t* d, const std::uint8_t* s, int n) {
  constexpr int kGroup = 8;
  int i = 0;
  for (; i + kGroup <= n; i += kGroup) {
    std::uint32_t v[kGroup];
    std::memcpy(v, s + 4 * i, sizeof v);
    std::uint32_t any = 0, all = 0xFFFFFFFFu, partial = 0;
    for (int k = 0; k < kGroup; ++k) {
      const std::uint32_t a = v[k] >> 24;
      any |= a;
      all &= a;
      partial |= static_cast<std::uint32_t>(a - 1u < 254u);
    }
    if (any == 0) continue;
    if (all == 255) {
      std::memcpy(d + 4 * i, v, sizeof v);
    } else if (!partial) {
      for (int k = 0; k < kGroup; ++k) {
        const std::uint32_t keep = (v[k] >> 31) - 1u;  // all ones where alpha is 0
        Store(d + 4 * (i + k), (Load(d + 4 * (i + k)) & keep) | (v[k] & ~keep));
      }
    } else {
      for (int k = 0; k < kGroup; ++k) BlendPixel4(d + 4 * (i + k), s + 4 * (i + k));
    }
  }
  for (; i < n; ++i) BlendPixel4(d + 4 * i, s + 4 * i);
}

void Row32BlendKeepAlpha4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i) {
    const std::uint32_t v = Load(s + 4 * i);
    const std::uint32_t a = v >> 24;
    if (a == 255)
      Store(d + 4 * i, (Load(d + 4 * i) & 0xFF000000u) | (v & 0xFFFFFFu));
    else if (a != 0)
      Blend4(d + 4 * i, SourcePixel(s + 4 * i), true);
  }
}

// --- 24-bit sources onto 4-byte targets (the source counts as opaque) ---

void Row24CopyAll4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 4, s += 3) {
    std::memcpy(d, s, 3);
    d[3] = 255;
  }
}

void Row24Alpha4(std::uint8_t* d, const std::uint8_t*, int n) {
  for (int i = 0; i < n; ++i) d[4 * i + 3] = 255;
}

void Row24Copy4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 4, s += 3) std::memcpy(d, s, 3);
}

void Row24Xor4(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 4, s += 3) {
    d[0] ^= s[0];
    d[1] ^= s[1];
    d[2] ^= s[2];
  }
}

// --- onto 3-byte targets ---

void Row32Copy3(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 3, s += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

void Row32Xor3(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 3, s += 4) {
    d[0] ^= s[0];
    d[1] ^= s[1];
    d[2] ^= s[2];
  }
}

void Row32Blend3(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += 3, s += 4) {
    const std::uint32_t a = s[3];
    if (a == 255) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    } else if (a != 0) {
      Blend3(d, SourcePixel(s));
    }
  }
}

void Row24Copy3(std::uint8_t* d, const std::uint8_t* s, int n) {
  std::memcpy(d, s, static_cast<std::size_t>(n) * 3);
}

void Row24Xor3(std::uint8_t* d, const std::uint8_t* s, int n) {
  for (int i = 0; i < 3 * n; ++i) d[i] ^= s[i];
}

DrawRowFn ChooseRow(unsigned m, bool target4, bool source32, bool withAlpha) {
  if (m & (DrawMode_CallbackA | DrawMode_CallbackB)) return RowNothing;
  if (target4) {
    if (m & DrawMode_ExclusiveOr) return source32 ? Row32Xor4 : Row24Xor4;
    if (m & DrawMode_CopyAll) return source32 ? Row32CopyAll4 : Row24CopyAll4;
    if (m & DrawMode_AlphaOnly) return source32 ? Row32Alpha4 : Row24Alpha4;
    if ((m & DrawMode_SourceOverKeepAlpha) && !(m & DrawMode_SourceOver))
      return source32 ? Row32BlendKeepAlpha4 : Row24Copy4;
    // An opaque 24-bit source blends to its own colour with alpha 255.
    if ((m & DrawMode_SourceOver) || withAlpha) return source32 ? Row32Blend4 : Row24CopyAll4;
    return source32 ? Row32Copy4 : Row24Copy4;
  }
  if (m & DrawMode_ExclusiveOr) return source32 ? Row32Xor3 : Row24Xor3;
  if (m & DrawMode_AlphaOnly) return RowNothing;
  if (withAlpha || (m & (DrawMode_SourceOver | DrawMode_SourceOverKeepAlpha)))
    return source32 ? Row32Blend3 : Row24Copy3;
  return source32 ? Row32Copy3 : Row24Copy3;
}

struct BitmapDeleter {
  void operator()(Bitmap* b) const { Bitmap_Delete(b); }
};

}  // namespace

void SelectImageRoutines(DrawingContext* dc) {
  const bool target4 = dc->bytesPerPixel == 4;
  for (int source32 = 0; source32 < 2; ++source32)
    for (int withAlpha = 0; withAlpha < 2; ++withAlpha)
      dc->imageRow[source32][withAlpha] = ChooseRow(dc->mode, target4, source32, withAlpha);
}

void DrawBitmap(DrawingContext* dc, const Bitmap* source, std::int64_t x0, std::int64_t y0,
                bool withAlpha) {
  if (!source || !source->bits) return;
  // Drawing a bitmap onto itself would read pixels already overwritten.
  std::unique_ptr<Bitmap, BitmapDeleter> copy;
  if (source->bits == dc->pixelBase) {
    copy.reset(Resample_Smooth(*source, source->width, source->height));
    if (!copy) return;
    source = copy.get();
  }
  const Wide x = static_cast<Wide>(x0) + dc->originX;
  const Wide y = static_cast<Wide>(y0) + dc->originY;
  const Wide left = std::max<Wide>(x, 0);
  const Wide top = std::max<Wide>(y, 0);
  const Wide right = std::min<Wide>(x + source->width, dc->width);
  const Wide bottom = std::min<Wide>(y + source->height, dc->height);
  if (left >= right || top >= bottom) return;

  const bool source32 = source->bitsPerPixel == 32;
  const DrawRowFn row = dc->imageRow[source32 ? 1 : 0][withAlpha ? 1 : 0];
  const int count = static_cast<int>(right - left);
  const int sourceX = static_cast<int>(left - x);
  const std::size_t sourceOffset = static_cast<std::size_t>(sourceX) * (source->bitsPerPixel / 8);
  for (int ty = static_cast<int>(top); ty < static_cast<int>(bottom); ++ty) {
    const std::uint8_t* from = Bitmap_PictureRow(*source, static_cast<int>(ty - y)) + sourceOffset;
    row(PixelAddress(dc, static_cast<int>(left), ty), from, count);
  }
}

void DrawBitmapSized(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y,
                     std::int64_t width, std::int64_t height) {
  if (!source || width <= 0 || height <= 0 || width > kMaxDrawSide || height > kMaxDrawSide) return;
  // Resampling is the expensive part: skip it when nothing would show.
  const Wide left = static_cast<Wide>(x) + dc->originX;
  const Wide top = static_cast<Wide>(y) + dc->originY;
  if (left >= dc->width || top >= dc->height || left + width <= 0 || top + height <= 0) return;
  std::unique_ptr<Bitmap, BitmapDeleter> scaled(
      Resample_Smooth(*source, static_cast<int>(width), static_cast<int>(height)));
  if (scaled) DrawBitmap(dc, scaled.get(), x, y, false);
}

void DrawAlphaBitmap(DrawingContext* dc, const Bitmap* source, std::int64_t x, std::int64_t y) {
  DrawBitmap(dc, source, x, y, true);
}
