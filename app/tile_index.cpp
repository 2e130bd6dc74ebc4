#include "app/tile_index.h"

#include <algorithm>
#include <array>
#include <new>
#include <unordered_map>

namespace {

// Cells narrower than 16 units would only multiply the cells of small
// tiles; 2^63 units is the whole grid in two cells a side.
constexpr int kFirstLevel = 4;
constexpr int kLastLevel = 63;
constexpr int kLevels = kLastLevel - kFirstLevel + 1;

struct Cell {
  std::int64_t x, y;  // grid coordinate >> level (rounded down)
  bool operator==(const Cell&) const = default;
};

struct CellHash {
  std::size_t operator()(const Cell& c) const {
    const auto h = static_cast<std::uint64_t>(c.x) * 0x9E3779B97F4A7C15ull ^
                   static_cast<std::uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
};

struct Entry {
  const TileRecord* tile;
  GridBox box;
  std::uint64_t order;  // ascending is the registry's walk order
};

struct Level {
  std::unordered_map<Cell, std::vector<std::uint32_t>, CellHash> cells;
  std::vector<std::uint32_t> members;  // every entry of this level
};

// The smallest level whose cells are at least as wide as the box's larger
// side: the box then spans at most two cells each way.
int LevelOf(const GridBox& box) {
  const Wide side = std::max(box.Width(), box.Height());
  int k = kFirstLevel;
  while (k < kLastLevel && (Wide{1} << k) < side) ++k;
  return k;
}

Cell CellOf(std::int64_t x, std::int64_t y, int k) { return {x >> k, y >> k}; }

}  // namespace

struct TileIndex {
  std::vector<Entry> entries;  // in registration order
  std::array<Level, kLevels> levels;
};

TileIndex* TileIndex_Create() { return new (std::nothrow) TileIndex; }

void TileIndex_Free(TileIndex* index) { delete index; }

std::int64_t TileIndex_Size(const TileIndex& index) {
  return static_cast<std::int64_t>(index.entries.size());
}

bool TileIndex_Add(TileIndex& index, const TileRecord* tile, std::int64_t bucket) {
  if (!tile || tile->box.Empty() || index.entries.size() >= 0xFFFFFFFFu) return false;
  const auto number = static_cast<std::uint32_t>(index.entries.size());
  // Newer records come first in their chain: the count is reversed.
  const std::uint64_t order = static_cast<std::uint64_t>(bucket) << 32 | (0xFFFFFFFFu - number);
  const int k = LevelOf(tile->box);
  Level& level = index.levels[k - kFirstLevel];
  const Cell first = CellOf(tile->box.minX, tile->box.minY, k);
  const Cell last = CellOf(tile->box.maxX, tile->box.maxY, k);
  // Each step that can run out of memory is undone if a later one does.
  std::array<std::vector<std::uint32_t>*, 4> added{};
  std::size_t cells = 0;
  try {
    index.entries.push_back({tile, tile->box, order});
    level.members.push_back(number);
    for (std::int64_t cy = first.y;; ++cy) {
      for (std::int64_t cx = first.x;; ++cx) {
        std::vector<std::uint32_t>& cell = level.cells[Cell{cx, cy}];
        cell.push_back(number);
        added[cells++] = &cell;
        if (cx == last.x) break;
      }
      if (cy == last.y) break;
    }
  } catch (const std::bad_alloc&) {
    for (std::size_t i = 0; i < cells; ++i) added[i]->pop_back();  // an empty cell is harmless
    if (!level.members.empty() && level.members.back() == number) level.members.pop_back();
    if (index.entries.size() > number) index.entries.pop_back();
    return false;
  }
  return true;
}

bool TileIndex_Meeting(const TileIndex& index, const GridBox& box,
                       std::vector<const TileRecord*>* tiles) {
  tiles->clear();
  if (box.Empty()) return true;
  try {
    std::vector<std::uint32_t> found;
    for (int k = kFirstLevel; k <= kLastLevel; ++k) {
      const Level& level = index.levels[k - kFirstLevel];
      if (level.members.empty()) continue;
      const Cell first = CellOf(box.minX, box.minY, k);
      const Cell last = CellOf(box.maxX, box.maxY, k);
      const Wide probes = (Wide{last.x} - first.x + 1) * (Wide{last.y} - first.y + 1);
      if (probes > static_cast<Wide>(level.members.size())) {
        for (std::uint32_t n : level.members)
          if (Meets(index.entries[n].box, box)) found.push_back(n);
        continue;
      }
      for (std::int64_t cy = first.y;; ++cy) {
        for (std::int64_t cx = first.x;; ++cx) {
          const auto cell = level.cells.find(Cell{cx, cy});
          if (cell != level.cells.end()) {
            for (std::uint32_t n : cell->second) {
              const GridBox& b = index.entries[n].box;
              // Only in the first cell of the overlap: a tile in several
              // probed cells is taken once.
              if (Meets(b, box) &&
                  CellOf(std::max(b.minX, box.minX), std::max(b.minY, box.minY), k) == Cell{cx, cy})
                found.push_back(n);
            }
          }
          if (cx == last.x) break;
        }
        if (cy == last.y) break;
      }
    }
    std::sort(found.begin(), found.end(), [&index](std::uint32_t a, std::uint32_t b) {
      return index.entries[a].order < index.entries[b].order;
    });
    tiles->reserve(found.size());
    for (std::uint32_t n : found) tiles->push_back(index.entries[n].tile);
  } catch (const std::bad_alloc&) {
    tiles->clear();
    return false;
  }
  return true;
}
