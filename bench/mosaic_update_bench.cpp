// The mosaic update alone, tile after tile, for the two scale sets (400
// tiles of 100 x 100 and 16 of 1000 x 1000, centre outwards): RebuildMosaic
// against the full recomposition after every tile that it replaces (a new
// image of the whole extent, every tile drawn in walk order), in one run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/converter.h"
#include "app/tile_rasteriser.h"
#include "app/mosaic.h"
#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/data/str.h"

namespace {

struct Tile {
  std::int64_t x, y;
};

// Tiles of a grid x grid layout, nearest the centre first.
std::vector<Tile> CentreOutwards(int grid, int side) {
  std::vector<Tile> tiles;
  for (int ty = 0; ty < grid; ++ty)
    for (int tx = 0; tx < grid; ++tx)
      tiles.push_back({tx * std::int64_t{side}, ty * std::int64_t{side}});
  const double centre = (grid - 1) * side / 2.0;
  std::stable_sort(tiles.begin(), tiles.end(), [&](const Tile& a, const Tile& b) {
    return std::hypot(a.x - centre, a.y - centre) < std::hypot(b.x - centre, b.y - centre);
  });
  return tiles;
}

// A tile image with every pixel an opaque grey, as a full tile of points.
ObjectHandle TileImage(int side, int seed) {
  const ObjectHandle image = Img_Create(KX_Any, side, side, 32, -1);
  const Bitmap* b = Bitmap_FromHandle(Img_Handle(image));
  for (int y = 0; y < side; ++y) {
    std::uint8_t* p = Bitmap_PictureRow(*b, y);
    for (int x = 0; x < side; ++x, p += 4) {
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>(x + y + seed);
      p[3] = 255;
    }
  }
  return image;
}

// What the update replaces: the whole mosaic made again.
void FullRecomposition(Converter& core, ObjectHandle* mosaic) {
  Map<TileRecord>& tiles = *core.tiles;
  std::int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
  tiles.Reset();
  while (const TileRecord* t = tiles.Next()) {
    minX = std::min(minX, t->box.minX);
    minY = std::min(minY, t->box.minY);
    maxX = std::max(maxX, t->box.maxX);
    maxY = std::max(maxY, t->box.maxY);
  }
  if (*mosaic) Img_Free(*mosaic);
  *mosaic = Img_Create(KX_Any, maxX - minX + 1, maxY - minY + 1, 32, -1);
  Draw_Start(Img_Output(*mosaic));
  Draw_Mode(DrawMode_SourceOver);
  tiles.Reset();
  while (const TileRecord* t = tiles.Next())
    Draw_AlphaImage(Img_Handle(t->image), t->box.minX - minX, t->box.minY - minY);
  Draw_Stop();
}

template <typename Update>
double Load(const std::vector<Tile>& layout, int side, Update update) {
  Converter* core = StartConverter();
  if (!core) return 0;
  std::vector<ObjectHandle> images;
  for (std::size_t i = 0; i < layout.size(); ++i)
    images.push_back(TileImage(side, static_cast<int>(i)));
  double seconds = 0;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const Tile& t = layout[i];
    const TileRecord* record =
        RegisterTile(*core, Str_FromInteger(static_cast<std::int64_t>(i) * 7919),
                     {t.x, t.y, t.x + side - 1, t.y + side - 1}, images[i]);
    if (!record) break;
    const auto start = std::chrono::steady_clock::now();
    update(*core, *record);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  StopConverter(core);
  return seconds;
}

void Compare(const char* name, int grid, int side) {
  const std::vector<Tile> layout = CentreOutwards(grid, side);
  ObjectHandle full = 0;
  const double before =
      Load(layout, side, [&](Converter& core, const TileRecord&) { FullRecomposition(core, &full); });
  Img_Free(full);
  const double after = Load(layout, side, [](Converter& core, const TileRecord& added) {
    RebuildMosaic(core, added);
  });
  std::printf("%s: RebuildMosaic %.3f s, full recomposition per tile %.3f s, ratio %.3f\n", name,
              after, before, after / before);
}

}  // namespace

int main() {
  Compare("400 tiles of 100 x 100 (2000 x 2000)", 20, 100);
  Compare("16 tiles of 1000 x 1000 (4000 x 4000)", 4, 1000);
  return 0;
}
