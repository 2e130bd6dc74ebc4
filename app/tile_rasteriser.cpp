#include "app/tile_rasteriser.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/mosaic.h"
#include "app/xyz_loader.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/data/str.h"

namespace {

// Sizes are computed in 128 bits: a box spanning most of the 64-bit range
// would overflow, and the refusal must still name its true size.
using Wide = __int128;

std::u16string WideText(Wide value) {
  if (value >= INT64_MIN && value <= INT64_MAX)
    return Str_FromInteger(static_cast<std::int64_t>(value));
  std::u16string digits;
  const bool negative = value < 0;
  unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(value) : value;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  return negative ? u"-" + digits : digits;
}

std::u16string SizeText(Wide width, Wide height) {
  return u" (" + WideText(width) + u" x " + WideText(height) + u")";
}

bool TooLarge(Wide width, Wide height) { return width > kMaxImageSide || height > kMaxImageSide; }

// The size the mosaic would have with the tile's box added.
void MosaicSizeWith(const BoundingBox& box, Wide* width, Wide* height) {
  BoundingBox all = box;
  Map<TileRecord>& tiles = *App().tiles;
  tiles.Reset();
  while (const TileRecord* tile = tiles.Next()) {
    all.minX = std::min(all.minX, tile->minX);
    all.minY = std::min(all.minY, tile->minY);
    all.maxX = std::max(all.maxX, tile->maxX);
    all.maxY = std::max(all.maxY, tile->maxY);
  }
  *width = Wide{all.maxX} - all.minX + 1;
  *height = Wide{all.maxY} - all.minY + 1;
}

void Refuse(std::vector<XyzPoint>& points, const std::u16string& text) {
  points.clear();
  SetStatusText(text);
  SetProgress(0);
}

}  // namespace

int RasteriseTile(std::vector<XyzPoint>& points, const std::u16string& key,
                  const std::u16string& name, const BoundingBox* known) {
  SetStatusText(u"Verarbeite " + name + u": Bestimme Koordinaten");
  SetProgress(50);
  BoundingBox box{};
  if (known)
    box = *known;
  else
    ComputeBoundingBox(points, &box);

  const Wide width = Wide{box.maxX} - box.minX + 1;
  const Wide height = Wide{box.maxY} - box.minY + 1;
  if (TooLarge(width, height)) {
    Refuse(points, name + u": Kachel zu groß" + SizeText(width, height));
    return 0;
  }
  Wide mosaicWidth = 0, mosaicHeight = 0;
  MosaicSizeWith(box, &mosaicWidth, &mosaicHeight);
  if (TooLarge(mosaicWidth, mosaicHeight)) {
    Refuse(points, name + u": Mosaik zu groß" + SizeText(mosaicWidth, mosaicHeight));
    return 0;
  }

  SetStatusText(u"Verarbeite " + name + u": Erstelle Kachel");
  SetProgress(50);
  const ObjectHandle image = Img_Create(KX_Any, static_cast<std::int64_t>(width),
                                        static_cast<std::int64_t>(height), 32, -1);
  if (image && Draw_Start(Img_Output(image))) {
    Draw_Mode(DrawMode_CopyAll);
    const auto n = static_cast<std::int64_t>(points.size());
    std::int64_t counter = 0;
    // The figure counter * 50 / n + 50 is worked out only where it grows
    // (the bar holds 50 already): a division and an atomic exchange per
    // point cost more than the plot.
    std::int64_t nextAt = (n + 49) / 50;
    for (const XyzPoint& p : points) {
      Draw_Plot(static_cast<int>(p.x - box.minX), static_cast<int>(p.y - box.minY),
                Draw_RGBA(p.grey, p.grey, p.grey, 255));
      if (++counter >= nextAt) {
        const std::int64_t figure = counter * 50 / n + 50;
        SetProgress(figure);
        nextAt = ((figure - 49) * n + 49) / 50;
      }
    }
    Draw_Stop();
  }
  points.clear();

  TileRecord* record = App().tiles->Add(key);
  if (!record) {  // out of memory: the tile cannot be kept
    if (image) Img_Free(image);
    Refuse(points, u"Konnte keine XYZ Daten lesen (" + name + u")");
    return 0;
  }
  *record = {box.minX,
             box.minY,
             box.maxX,
             box.maxY,
             image,
             static_cast<std::int64_t>(width),
             static_cast<std::int64_t>(height)};
  SetStatusText(u"");
  SetProgress(0);
  RebuildMosaic();
  return 1;
}
