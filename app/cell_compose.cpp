#include "app/cell_compose.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <unordered_map>

#include "app/converter.h"
#include "app/memory_budget.h"

namespace {

// One tile's cells that lie in the extent, combined into the store (and
// the mean's sums and counts) by the rule's reduction.
void Combine(const CellTile& tile, const GridBox& extent, CellReduce reduce, HeightStore& store,
             double* sums, std::uint32_t* counts) {
  const std::int64_t x0 = std::max(tile.box.minX, extent.minX),
                     x1 = std::min(tile.box.maxX, extent.maxX);
  const std::int64_t y0 = std::max(tile.box.minY, extent.minY),
                     y1 = std::min(tile.box.maxY, extent.maxY);
  const auto tileWidth = static_cast<std::size_t>(tile.box.Width());
  const auto storeWidth = static_cast<std::size_t>(store.width);
  const auto span = static_cast<std::size_t>(x1 - x0 + 1);
  for (std::int64_t y = y0; y <= y1; ++y) {
    const std::size_t in = static_cast<std::size_t>(y - tile.box.minY) * tileWidth +
                           static_cast<std::size_t>(x0 - tile.box.minX);
    const std::size_t out = static_cast<std::size_t>(y - extent.minY) * storeWidth +
                            static_cast<std::size_t>(x0 - extent.minX);
    float* values = store.values.get() + out;
    switch (reduce) {
      case CellReduce::kLast:
        for (std::size_t i = 0; i < span; ++i)
          if (!IsHeightGap(tile.values[in + i])) values[i] = tile.values[in + i];
        break;
      case CellReduce::kMin:
        for (std::size_t i = 0; i < span; ++i) {
          const float v = tile.values[in + i];
          if (!IsHeightGap(v) && (std::isnan(values[i]) || v < values[i])) values[i] = v;
        }
        break;
      case CellReduce::kMax:
        for (std::size_t i = 0; i < span; ++i) {
          const float v = tile.values[in + i];
          if (!IsHeightGap(v) && (std::isnan(values[i]) || v > values[i])) values[i] = v;
        }
        break;
      case CellReduce::kMean:
        for (std::size_t i = 0; i < span; ++i) {
          sums[out + i] += tile.sums[in + i];
          counts[out + i] += tile.counts[in + i];
        }
        break;
    }
  }
}

}  // namespace

Wide CellComposeBytes(const CellRule& rule, Wide width, Wide height) {
  // Sides of boxes anywhere on the 64-bit grid: their product could pass 128 bits.
  constexpr Wide kSide = Wide{1} << 48;
  if (width > kSide || height > kSide) return kSide * kSide;
  const Wide perCell = rule.reduce == CellReduce::kMean
                           ? sizeof(float) + sizeof(double) + sizeof(std::uint32_t)
                           : sizeof(float);
  return width * height * perCell;
}

bool ComposeCells(const Converter& core, const GridBox& extent, HeightStore* store) {
  if (extent.Empty()) return false;
  const std::int64_t available = AvailableMemoryBytes();
  const Wide need = CellComposeBytes(core.cells, extent.Width(), extent.Height());
  if (need > Wide{INT64_MAX} || (available >= 0 && need > available)) return false;
  store->extent = extent;
  store->width = static_cast<std::int64_t>(extent.Width());
  store->height = static_cast<std::int64_t>(extent.Height());
  const auto count =
      static_cast<std::size_t>(store->width) * static_cast<std::size_t>(store->height);
  const bool mean = core.cells.reduce == CellReduce::kMean;
  store->values.reset(new (std::nothrow) float[count]);
  std::unique_ptr<double[]> sums(mean ? new (std::nothrow) double[count]() : nullptr);
  std::unique_ptr<std::uint32_t[]> counts(mean ? new (std::nothrow) std::uint32_t[count]()
                                               : nullptr);
  if (!store->values || (mean && (!sums || !counts))) {
    store->values.reset();
    return false;
  }
  std::fill_n(store->values.get(), count, HeightGap());
  try {
    std::unordered_map<const TileRecord*, const CellTile*> byRecord;
    for (const CellTileEntry& entry : core.cellTiles) byRecord[entry.record] = &entry.tile;
    core.tiles->ForEach([&](const TileRecord& record) {
      const auto found = byRecord.find(&record);
      if (found == byRecord.end() || !Meets(found->second->box, extent)) return;
      Combine(*found->second, extent, core.cells.reduce, *store, sums.get(), counts.get());
    });
  } catch (const std::bad_alloc&) {
    store->values.reset();
    return false;
  }
  if (mean)
    for (std::size_t i = 0; i < count; ++i)
      if (counts[i] > 0) store->values[i] = static_cast<float>(sums[i] / counts[i]);
  return true;
}

Placement CellPlacement(const Converter& core) {
  Placement placement;
  bool first = true;
  for (const CellTileEntry& entry : core.cellTiles)
    if (entry.record && entry.tile.phaseX.seen)
      AddTilePlacement(placement, first, entry.tile.phaseX, entry.tile.phaseY);
  placement.cell = core.cells.size;
  return placement;
}
