// A rectangle of whole grid units, both corners included: the box of a
// tile's points, of a registered tile, of the mosaic. y is the negated
// northing, so minY is the northern edge.
#pragma once

#include <algorithm>
#include <cstdint>

// Sizes and sums of grid coordinates are worked out in 128 bits: tiles may
// lie anywhere on the 64-bit grid, and a box spanning most of it must still
// report its true size.
using Wide = __int128;

struct GridBox {
  // The empty box (min above max): the union's neutral element.
  std::int64_t minX = INT64_MAX;
  std::int64_t minY = INT64_MAX;
  std::int64_t maxX = INT64_MIN;
  std::int64_t maxY = INT64_MIN;

  bool Empty() const { return minX > maxX || minY > maxY; }
  Wide Width() const { return Wide{maxX} - minX + 1; }
  Wide Height() const { return Wide{maxY} - minY + 1; }
};

// The smallest box holding both; an empty box adds nothing.
inline GridBox Union(const GridBox& a, const GridBox& b) {
  return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX),
          std::max(a.maxY, b.maxY)};
}

// The box grown to hold the grid point (x, y).
inline GridBox Union(const GridBox& a, std::int64_t x, std::int64_t y) {
  return {std::min(a.minX, x), std::min(a.minY, y), std::max(a.maxX, x), std::max(a.maxY, y)};
}

// True when the two boxes share at least one grid unit (an empty box meets
// nothing, not even the whole grid).
inline bool Meets(const GridBox& a, const GridBox& b) {
  return a.minX <= b.maxX && a.maxX >= b.minX && a.minY <= b.maxY && a.maxY >= b.minY &&
         !a.Empty() && !b.Empty();
}

// The loader's name for the box of a tile's points.
using BoundingBox = GridBox;
