#include "app/tile_rasteriser.h"

#include <functional>
#include <new>
#include <string_view>

#include "app/indicators.h"
#include "app/tile_index.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/data/str.h"

namespace {

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

// The registry's keys end at their first U+0000.
std::size_t KeyHash(const std::u16string& key) {
  const std::u16string_view view(key);
  return std::hash<std::u16string_view>{}(view.substr(0, view.find(u'\0')));
}

bool TooLarge(const GridBox& box) {
  return box.Width() > kMaxImageSide || box.Height() > kMaxImageSide;
}

}  // namespace

std::u16string BoxSizeText(const GridBox& box) {
  return u" (" + WideText(box.Width()) + u" x " + WideText(box.Height()) + u")";
}

TileRefusal TileSizeRefusal(const Converter& core, const GridBox& box, const std::u16string& name) {
  if (TooLarge(box))
    return {LoadOutcome::kTileTooLarge, name + u": Kachel zu groß" + BoxSizeText(box)};
  const GridBox mosaic = Union(core.extent, box);
  if (TooLarge(mosaic))
    return {LoadOutcome::kMosaicTooLarge, name + u": Mosaik zu groß" + BoxSizeText(mosaic)};
  return {};
}

TileRefusal MosaicMemoryRefusal(const Converter& core, const GridBox& box,
                                const std::u16string& name) {
  return {LoadOutcome::kNoMemory,
          name + u": Zu wenig Speicher für das Mosaik" + BoxSizeText(Union(core.extent, box))};
}

ObjectHandle MakeTileImage(Converter& core, const std::vector<XyzPoint>& points,
                           const GridBox& box) {
  const ObjectHandle image = Img_Create(KX_Any, static_cast<std::int64_t>(box.Width()),
                                        static_cast<std::int64_t>(box.Height()), 32, -1);
  if (!image || !Draw_Start(Img_Output(image))) return image;
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
      SetProgress(core, figure);
      nextAt = ((figure - 49) * n + 49) / 50;
    }
  }
  Draw_Stop();
  return image;
}

bool IsRegistered(Converter& core, const std::u16string& key) {
  return core.registeredKeyHashes.count(KeyHash(key)) != 0 && core.tiles->Find(key) != nullptr;
}

const TileRecord* RegisterTile(Converter& core, const std::u16string& key, const GridBox& box,
                               ObjectHandle image) {
  bool known = true;  // a key is new for certain when its hash is
  try {
    known = !core.registeredKeyHashes.insert(KeyHash(key)).second;  // kept if the rest fails
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  // A key is registered once: the index holds every record's box as it was added.
  const std::int32_t before = core.tiles->Size();
  TileRecord* record = known ? core.tiles->Add(key) : core.tiles->AddAbsent(key);
  if (!record || core.tiles->Size() == before) return nullptr;
  // An empty box (a tile with no point inside a clipping box) meets nothing: no index entry.
  const bool empty = box.Empty();
  *record = {box, image, empty ? 0 : static_cast<std::int64_t>(box.Width()),
             empty ? 0 : static_cast<std::int64_t>(box.Height())};
  if (!empty && !TileIndex_Add(*core.tileIndex, record, core.tiles->BucketOf(key))) {
    core.tiles->DeleteCurrent();  // the record just added, at the head of its chain
    return nullptr;
  }
  core.extent = Union(core.extent, box);
  return record;
}
