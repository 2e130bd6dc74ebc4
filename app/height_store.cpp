#include "app/height_store.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "app/cell_compose.h"
#include "app/converter.h"
#include "app/xyz_scan.h"
#include "imaging/image.h"

namespace {

double AxisPhase(const XyzPhase& phase) {
  if (!phase.seen) return 0;
  if (phase.mixed) return 0.5;
  // To the tolerance's steps, so "0.3" reads 0.3 and not 0.29999999998.
  return std::round(phase.fraction / kPhaseTolerance) * kPhaseTolerance;
}

}  // namespace

namespace {

// Whether point i lies at pixel i of the box: a tile of one point per
// pixel written row by row (most are), whose heights are the grid already.
bool FillsInGridOrder(const std::vector<XyzPoint>& points, const GridBox& box) {
  const auto width = static_cast<std::int64_t>(box.Width());
  if (static_cast<Wide>(points.size()) != box.Width() * box.Height()) return false;
  std::int64_t x = box.minX, y = box.minY;
  for (const XyzPoint& p : points) {
    if (p.x != x || p.y != y) return false;
    if (++x == box.minX + width) {
      x = box.minX;
      ++y;
    }
  }
  return true;
}

}  // namespace

bool KeepTileExtras(Converter& core, ObjectHandle image, XyzScanner& scan, const GridBox& box) {
  if (!image || !(core.wants.heights || core.wants.placement)) return true;
  try {
    TileExtras extras;
    extras.box = box;
    extras.phaseX = scan.phaseX;
    extras.phaseY = scan.phaseY;
    if (core.wants.heights) {
      if (scan.heights.size() == scan.points.size() && FillsInGridOrder(scan.points, box)) {
        extras.heights = std::move(scan.heights);
      } else {
        const auto width = static_cast<std::size_t>(box.Width());
        extras.heights.assign(width * static_cast<std::size_t>(box.Height()), HeightGap());
        const std::size_t n = std::min(scan.points.size(), scan.heights.size());
        for (std::size_t i = 0; i < n; ++i) {
          const XyzPoint& p = scan.points[i];
          extras.heights[static_cast<std::size_t>(p.y - box.minY) * width +
                         static_cast<std::size_t>(p.x - box.minX)] = scan.heights[i];
        }
      }
    }
    core.tileExtras[image] = std::move(extras);
  } catch (const std::bad_alloc&) {
    core.tileExtras.erase(image);
    return false;
  }
  return true;
}

void DropTileExtras(Converter& core, ObjectHandle image) { core.tileExtras.erase(image); }

void AddTilePlacement(Placement& placement, bool& first, const XyzPhase& phaseX,
                      const XyzPhase& phaseY) {
  const double x = AxisPhase(phaseX);
  const double y = AxisPhase(phaseY);
  if (first) {
    placement.x = x;
    placement.y = y;
    first = false;
    return;
  }
  if (std::fabs(x - placement.x) > kPhaseTolerance) {
    placement.x = 0.5;
    placement.tilesDisagree = true;
  }
  if (std::fabs(y - placement.y) > kPhaseTolerance) {
    placement.y = 0.5;
    placement.tilesDisagree = true;
  }
}

Placement MosaicPlacement(const Converter& core) {
  if (core.cells.active) return CellPlacement(core);
  Placement placement;
  bool first = true;
  core.tiles->ForEach([&](const TileRecord& tile) {
    const auto found = core.tileExtras.find(tile.image);
    if (!tile.image || found == core.tileExtras.end()) return;
    AddTilePlacement(placement, first, found->second.phaseX, found->second.phaseY);
  });
  return placement;
}

bool ComposeHeights(const Converter& core, const GridBox& extent, HeightStore* store) {
  if (core.cells.active) return ComposeCells(core, extent, store);
  if (extent.Empty() || extent.Width() > kMaxImageSide || extent.Height() > kMaxImageSide)
    return false;
  store->extent = extent;
  store->width = static_cast<std::int64_t>(extent.Width());
  store->height = static_cast<std::int64_t>(extent.Height());
  const auto count = static_cast<std::size_t>(store->width) * static_cast<std::size_t>(store->height);
  store->values.reset(new (std::nothrow) float[count]);
  if (!store->values) return false;
  std::fill_n(store->values.get(), count, HeightGap());
  // A tile's pixel replaces what earlier tiles left there unless it is a
  // gap: a transparent pixel over an opaque one, as in the 32-bit mosaic.
  core.tiles->ForEach([&](const TileRecord& tile) {
    const auto found = core.tileExtras.find(tile.image);
    if (!tile.image || found == core.tileExtras.end() || found->second.heights.empty()) return;
    const TileExtras& t = found->second;
    if (!Meets(t.box, extent)) return;
    const std::int64_t x0 = std::max(t.box.minX, extent.minX), x1 = std::min(t.box.maxX, extent.maxX);
    const std::int64_t y0 = std::max(t.box.minY, extent.minY), y1 = std::min(t.box.maxY, extent.maxY);
    const auto tileWidth = static_cast<std::size_t>(t.box.Width());
    for (std::int64_t y = y0; y <= y1; ++y) {
      const float* in = t.heights.data() + static_cast<std::size_t>(y - t.box.minY) * tileWidth +
                        static_cast<std::size_t>(x0 - t.box.minX);
      float* out = store->values.get() +
                   static_cast<std::size_t>(y - extent.minY) * static_cast<std::size_t>(store->width) +
                   static_cast<std::size_t>(x0 - extent.minX);
      for (std::int64_t x = x0; x <= x1; ++x, ++in, ++out)
        if (!IsHeightGap(*in)) *out = *in;
    }
  });
  return true;
}
