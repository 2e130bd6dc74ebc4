#include "app/cell_tile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "app/height_store.h"
#include "app/memory_budget.h"
#include "app/xyz_scan.h"
#include "imaging/image.h"

namespace {

// Beyond this many cells a tile is refused without asking for the memory
// (the arithmetic of sizes stays far inside 64 bits).
constexpr Wide kMostCells = Wide{1} << 40;

std::size_t BytesPerCell(CellReduce reduce) {
  return reduce == CellReduce::kMean ? sizeof(double) + sizeof(std::uint32_t) : sizeof(float);
}

bool Holds(const GridBox& outer, const GridBox& inner) {
  return !outer.Empty() && outer.minX <= inner.minX && outer.maxX >= inner.maxX &&
         outer.minY <= inner.minY && outer.maxY >= inner.maxY;
}

bool SameBox(const GridBox& a, const GridBox& b) {
  return a.minX == b.minX && a.minY == b.minY && a.maxX == b.maxX && a.maxY == b.maxY;
}

std::int64_t Clamped(Wide value) {
  return static_cast<std::int64_t>(std::clamp<Wide>(value, INT64_MIN, INT64_MAX));
}

// `exact` (the held box grown to the new points) with as much room again
// on each side that moved: points come row after row, so the box doubles
// a few times per tile instead of being copied at every chunk. Never
// beyond the rule's cells when it clips.
GridBox Roomy(const GridBox& held, const GridBox& exact, const CellRule& rule) {
  if (held.Empty()) return exact;
  GridBox roomy = exact;
  const Wide width = exact.Width(), height = exact.Height();
  if (exact.minX < held.minX) roomy.minX = Clamped(Wide{exact.minX} - width);
  if (exact.maxX > held.maxX) roomy.maxX = Clamped(Wide{exact.maxX} + width);
  if (exact.minY < held.minY) roomy.minY = Clamped(Wide{exact.minY} - height);
  if (exact.maxY > held.maxY) roomy.maxY = Clamped(Wide{exact.maxY} + height);
  if (rule.clipped) {
    roomy.minX = std::max(roomy.minX, rule.cells.minX);
    roomy.maxX = std::min(roomy.maxX, rule.cells.maxX);
    roomy.minY = std::max(roomy.minY, rule.cells.minY);
    roomy.maxY = std::min(roomy.maxY, rule.cells.maxY);
  }
  return roomy;
}

// Moves the tile's cells into arrays over `box`, which holds its box.
// Throws bad_alloc (the tile is then as it was).
void Relayout(CellTile& tile, const GridBox& box, CellReduce reduce) {
  const auto width = static_cast<std::size_t>(box.Width());
  const std::size_t count = width * static_cast<std::size_t>(box.Height());
  std::vector<float> values;
  std::vector<double> sums;
  std::vector<std::uint32_t> counts;
  if (reduce == CellReduce::kMean) {
    sums.assign(count, 0);
    counts.assign(count, 0);
  } else {
    values.assign(count, HeightGap());
  }
  if (!tile.box.Empty()) {
    const auto oldWidth = static_cast<std::size_t>(tile.box.Width());
    for (std::int64_t y = tile.box.minY; y <= tile.box.maxY; ++y) {
      const std::size_t from = static_cast<std::size_t>(y - tile.box.minY) * oldWidth;
      const std::size_t to = static_cast<std::size_t>(y - box.minY) * width +
                             static_cast<std::size_t>(tile.box.minX - box.minX);
      if (reduce == CellReduce::kMean) {
        std::copy_n(tile.sums.begin() + from, oldWidth, sums.begin() + to);
        std::copy_n(tile.counts.begin() + from, oldWidth, counts.begin() + to);
      } else {
        std::copy_n(tile.values.begin() + from, oldWidth, values.begin() + to);
      }
    }
  }
  tile.values.swap(values);
  tile.sums.swap(sums);
  tile.counts.swap(counts);
  tile.box = box;
}

// Makes the tile hold `need`, with room to grow when memory allows. False
// when not even the exact box can be had.
bool Hold(CellBuilder& builder, const GridBox& need) {
  CellTile& tile = builder.tile;
  if (Holds(tile.box, need)) return true;
  const GridBox exact = Union(tile.box, need);
  const std::int64_t available = AvailableMemoryBytes();
  const std::size_t perCell = BytesPerCell(builder.rule->reduce);
  const auto fits = [&](const GridBox& box) {
    if (box.Width() > kMostCells || box.Height() > kMostCells) return false;  // no 128-bit overflow
    const Wide cells = box.Width() * box.Height();
    return cells <= kMostCells && (available < 0 || cells * Wide(perCell) <= available);
  };
  for (const GridBox& box : {Roomy(tile.box, exact, *builder.rule), exact})
    if (fits(box)) {
      Relayout(tile, box, builder.rule->reduce);
      return true;
    }
  return false;
}

// The chunk's points into the cells. A NaN height is a value: mean takes
// it into the sum; min and max keep it only while no number came.
void Add(CellTile& tile, CellReduce reduce, const std::vector<CellHit>& hits) {
  const auto width = static_cast<std::size_t>(tile.box.Width());
  const auto at = [&](const CellHit& hit) {
    return static_cast<std::size_t>(hit.row - tile.box.minY) * width +
           static_cast<std::size_t>(hit.column - tile.box.minX);
  };
  switch (reduce) {
    case CellReduce::kLast:
      for (const CellHit& hit : hits) tile.values[at(hit)] = hit.z;
      break;
    case CellReduce::kMin:
      for (const CellHit& hit : hits) {
        float& value = tile.values[at(hit)];  // a gap is a NaN too
        if (std::isnan(value) || hit.z < value) value = hit.z;
      }
      break;
    case CellReduce::kMax:
      for (const CellHit& hit : hits) {
        float& value = tile.values[at(hit)];
        if (std::isnan(value) || hit.z > value) value = hit.z;
      }
      break;
    case CellReduce::kMean:
      for (const CellHit& hit : hits) {
        const std::size_t i = at(hit);
        tile.sums[i] += hit.z;
        ++tile.counts[i];
      }
      break;
  }
}

// The chunk's points that the rule keeps, as cells, and their box.
GridBox FindHits(CellBuilder& builder, const XyzScanner& scan) {
  const CellRule& rule = *builder.rule;
  std::vector<CellHit>& hits = builder.hits;
  std::size_t n = std::min(scan.points.size(), scan.heights.size());
  if (rule.decimal) n = std::min({n, scan.eastings.size(), scan.northings.size()});
  // Written by index and cut to the kept ones after: cheaper than growing per point.
  hits.resize(n);
  std::size_t kept = 0;
  GridBox box;
  if (!rule.decimal) {
    for (std::size_t i = 0; i < n; ++i) {
      const XyzPoint& p = scan.points[i];
      hits[i] = {p.x, p.y, scan.heights[i]};
      box = Union(box, p.x, p.y);
    }
    return box;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double x = scan.eastings[i], north = scan.northings[i];
    if (rule.clipped &&
        !(x >= rule.minX && x < rule.maxX && north >= rule.minY && north < rule.maxY))
      continue;
    std::int64_t column = 0, northCell = 0;
    double fx = 0, fy = 0;
    // A coordinate without a cell (beyond 2^62 cells) has no place on the grid.
    if (!CellOf(x, rule.size, &column, &fx) || !CellOf(north, rule.size, &northCell, &fy)) continue;
    const std::int64_t row = -northCell;
    // A point within the quotient's tolerance below the box's far edge
    // counts to the cell behind it, which the box does not cover.
    if (rule.clipped && (column < rule.cells.minX || column > rule.cells.maxX ||
                         row < rule.cells.minY || row > rule.cells.maxY))
      continue;
    XyzPhase_Add(builder.tile.phaseX, fx);
    XyzPhase_Add(builder.tile.phaseY, fy);
    hits[kept++] = {column, row, scan.heights[i]};
    box = Union(box, column, row);
  }
  hits.resize(kept);
  return box;
}

void Release(CellTile& tile) {
  std::vector<float>().swap(tile.values);
  std::vector<double>().swap(tile.sums);
  std::vector<std::uint32_t>().swap(tile.counts);
  tile.box = GridBox{};
}

// Cuts the arrays in place to `box` (inside the held box): each row moves
// to a lower index, so front to back never overwrites a row not yet moved.
template <typename T>
void CutTo(std::vector<T>& cells, const GridBox& held, const GridBox& box) {
  if (cells.empty()) return;
  const auto heldWidth = static_cast<std::size_t>(held.Width());
  const auto width = static_cast<std::size_t>(box.Width());
  const auto height = static_cast<std::size_t>(box.Height());
  for (std::size_t r = 0; r < height; ++r) {
    const std::size_t from = (r + static_cast<std::size_t>(box.minY - held.minY)) * heldWidth +
                             static_cast<std::size_t>(box.minX - held.minX);
    std::memmove(cells.data() + r * width, cells.data() + from, width * sizeof(T));
  }
  cells.resize(width * height);
  cells.shrink_to_fit();  // libstdc++ keeps the larger block when it cannot get a smaller one
}

}  // namespace

bool CellBuilder_Take(CellBuilder& builder, XyzScanner& scan) {
  builder.points += static_cast<std::int64_t>(scan.points.size());
  try {
    const GridBox box = FindHits(builder, scan);
    scan.points.clear();
    scan.heights.clear();
    scan.eastings.clear();
    scan.northings.clear();
    if (builder.hits.empty()) return true;
    builder.used = Union(builder.used, box);
    if (builder.oversized) return true;
    // A tile the picture cannot hold is refused by its size later; its
    // cells would only cost memory.
    if (builder.rule->pictureLimits &&
        (builder.used.Width() > kMaxImageSide || builder.used.Height() > kMaxImageSide)) {
      builder.oversized = true;
      Release(builder.tile);
      return true;
    }
    if (!Hold(builder, box)) {
      builder.lackedMemory = true;
      Release(builder.tile);
      return false;
    }
    Add(builder.tile, builder.rule->reduce, builder.hits);
  } catch (const std::bad_alloc&) {
    builder.lackedMemory = true;
    Release(builder.tile);
    return false;
  }
  return true;
}

bool CellBuilder_Finish(CellBuilder& builder, const XyzScanner& scan) {
  CellTile& tile = builder.tile;
  if (!builder.rule->decimal) {
    tile.phaseX = scan.phaseX;
    tile.phaseY = scan.phaseY;
  }
  if (builder.lackedMemory) return false;
  if (builder.oversized || builder.used.Empty()) {
    Release(tile);
    return true;
  }
  if (SameBox(tile.box, builder.used)) return true;
  CutTo(tile.values, tile.box, builder.used);
  CutTo(tile.sums, tile.box, builder.used);
  CutTo(tile.counts, tile.box, builder.used);
  tile.box = builder.used;
  return true;
}
