#include <algorithm>
#include <cstdint>

#include "imaging/draw_routines.h"
#include "imaging/drawing.h"

namespace {

// Wide enough that no caller-supplied position plus size can overflow.
using Wide = __int128;

// Fills the rectangle x, y, w, h (w, h >= 0) clipped to the target.
void FillClipped(DrawingContext* dc, Wide x, Wide y, Wide w, Wide h) {
  const Wide left = std::max<Wide>(x, 0);
  const Wide top = std::max<Wide>(y, 0);
  const Wide right = std::min<Wide>(x + w, dc->width);
  const Wide bottom = std::min<Wide>(y + h, dc->height);
  if (left >= right || top >= bottom) return;
  const int count = static_cast<int>(right - left);
  for (int row = static_cast<int>(top); row < static_cast<int>(bottom); ++row)
    dc->fillSpan(dc, PixelAddress(dc, static_cast<int>(left), row), count);
}

}  // namespace

void FillBox(DrawingContext* dc, std::int64_t x0, std::int64_t y0, std::int64_t width,
             std::int64_t height, std::int64_t colour) {
  if (colour != dc->lastFillColour) {
    dc->lastFillColour = colour;
    dc->prepareFillColour(dc, colour);
  }
  Wide x = static_cast<Wide>(x0) + dc->originX;
  Wide y = static_cast<Wide>(y0) + dc->originY;
  Wide w = width;
  Wide h = height;
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (h < 0) {
    y += h;
    h = -h;
  }
  if (!(dc->mode & DrawMode_OutlineOnly)) {
    FillClipped(dc, x, y, w, h);
    return;
  }
  if (w == 0 || h == 0) return;
  // A one-pixel-high or -wide box has one edge, drawn once: drawing it twice
  // would cancel itself out under exclusive or.
  FillClipped(dc, x, y, w, 1);
  if (h > 1) FillClipped(dc, x, y + h - 1, w, 1);
  if (h > 2) {
    FillClipped(dc, x, y + 1, 1, h - 2);
    if (w > 1) FillClipped(dc, x + w - 1, y + 1, 1, h - 2);
  }
}
