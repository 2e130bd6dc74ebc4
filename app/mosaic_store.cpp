#include "app/mosaic_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/drawing.h"
#include "imaging/image.h"

namespace {

// Each side gets its extent again as margin before and after, up to this:
// twice the largest image side, so an extent that may still grow to the
// largest image mostly fits without another move. Only touched pages cost
// memory, so the margins are address space, not memory.
constexpr std::int64_t kMaxStoreSide = 2 * std::int64_t{kMaxImageSide} + 1;
constexpr std::int64_t kMinStoreSide = 256;

std::int64_t StoreSide(std::int64_t extent) {
  return std::min(kMaxStoreSide, std::max({kMinStoreSide, 3 * extent}));
}

// The first coordinate of a store side of `side` pixels centred on an extent
// side, moved inwards where the margin would pass the ends of the 64-bit grid.
std::int64_t Origin(std::int64_t first, std::int64_t extent, std::int64_t side) {
  const Wide centred = Wide{first} - (side - extent) / 2;
  return static_cast<std::int64_t>(
      std::clamp<Wide>(centred, INT64_MIN, Wide{INT64_MAX} - side + 1));
}

MosaicStore* MapStore(const GridBox& extent, std::int64_t width, std::int64_t height) {
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  // No reservation of swap for the margins: they are never written.
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_NOHUGEPAGE
  // A huge page would span the margins beside several rows and make them
  // resident; small pages keep the memory to what tiles cover.
  madvise(p, bytes, MADV_NOHUGEPAGE);
#endif
  auto* store = new (std::nothrow) MosaicStore;
  if (!store) {
    munmap(p, bytes);
    return nullptr;
  }
  store->base = static_cast<std::uint8_t*>(p);
  store->bytes = bytes;
  store->width = static_cast<int>(width);
  store->height = static_cast<int>(height);
  store->stride = stride;
  // The extent fits an image, so its sides fit 64 bits.
  store->originX = Origin(extent.minX, static_cast<std::int64_t>(extent.Width()), width);
  store->originY = Origin(extent.minY, static_cast<std::int64_t>(extent.Height()), height);
  return store;
}

}  // namespace

MosaicStore* MosaicStore_Create(const GridBox& extent) {
  if (extent.Width() <= 0 || extent.Height() <= 0 || extent.Width() > kMaxImageSide ||
      extent.Height() > kMaxImageSide)
    return nullptr;
  const auto width = static_cast<std::int64_t>(extent.Width());
  const auto height = static_cast<std::int64_t>(extent.Height());
  if (MosaicStore* store = MapStore(extent, StoreSide(width), StoreSide(height))) return store;
  return MapStore(extent, width, height);  // no room to grow, but a mosaic
}

void MosaicStore_Free(MosaicStore* store) {
  if (!store) return;
  munmap(store->base, store->bytes);
  delete store;
}

bool MosaicStore_Holds(const MosaicStore& store, const GridBox& extent) {
  return extent.minX >= store.originX && extent.minY >= store.originY &&
         Wide{extent.maxX} < Wide{store.originX} + store.width &&
         Wide{extent.maxY} < Wide{store.originY} + store.height;
}

void MosaicStore_Copy(const MosaicStore& from, MosaicStore& to, const GridBox& extent) {
  const std::size_t rowBytes = static_cast<std::size_t>(extent.Width()) * 4;
  for (std::int64_t y = extent.minY; y <= extent.maxY; ++y)
    std::memcpy(MosaicStore_Pixel(to, extent.minX, y), MosaicStore_Pixel(from, extent.minX, y),
                rowBytes);
}

void MosaicStore_Compose(MosaicStore& store, const Map<TileRecord>& tiles, const TileIndex& index,
                         const GridBox& box) {
  const std::size_t rowBytes = static_cast<std::size_t>(box.Width()) * 4;
  for (std::int64_t y = box.minY; y <= box.maxY; ++y)
    std::memset(MosaicStore_Pixel(store, box.minX, y), 0, rowBytes);
  // The box as a drawing target of its own: the drawing library clips each
  // tile to it and blends exactly as a draw onto the whole mosaic would.
  const DrawTarget target{MosaicStore_Pixel(store, box.minX, box.maxY),
                          static_cast<std::ptrdiff_t>(store.stride), static_cast<int>(box.Width()),
                          static_cast<int>(box.Height()), 32};
  if (!Draw_Start(Draw_MakeOutput(kImageOutput32, target, nullptr))) return;
  Draw_Mode(DrawMode_SourceOver);
  const auto draw = [&box](const TileRecord& tile) {
    if (tile.image && Meets(tile.box, box) && Img_IsImage(tile.image))
      Draw_AlphaImage(Img_Handle(tile.image), tile.box.minX - box.minX, tile.box.minY - box.minY);
  };
  // The index gives the tiles that meet the box in walk order; without
  // memory for that list every tile is walked, to the same pixels.
  std::vector<const TileRecord*> meeting;
  if (TileIndex_Meeting(index, box, &meeting))
    for (const TileRecord* tile : meeting) draw(*tile);
  else
    tiles.ForEach(draw);
  Draw_Stop();
}
