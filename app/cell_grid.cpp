#include "app/cell_grid.h"

#include <algorithm>
#include <cmath>

#include "app/converter.h"

namespace {

// A quotient this close to an integer (relative to its size) is that
// integer: 0.3 / 0.1 gives 2.9999999999999996.
constexpr double kQuotientTolerance = 1e-9;
// Cells stay far enough inside 64 bits that sizes and unions of boxes do not wrap.
constexpr double kCellLimit = 0x1p62;

// The cells that coordinates in [low, high) can fall into on one axis.
void AxisCells(double low, double high, double size, std::int64_t* first, std::int64_t* last) {
  double fraction = 0;
  CellOf(low, size, first, &fraction);
  CellOf(high, size, last, &fraction);
  // Just below a whole positive quotient the truncation is one less; below
  // a whole negative one (or 0) it is the same cell, truncation going to 0.
  if (fraction == 0 && *last > 0) --*last;
  *last = std::max(*last, *first);
}

}  // namespace

// Conversions to integers instead of nearbyint and trunc: this runs for
// every point, and the library calls cost more than the rest.
bool CellOf(double coordinate, double size, std::int64_t* cell, double* fraction) {
  const double quotient = coordinate / size;
  const double magnitude = std::fabs(quotient);
  if (!(magnitude < kCellLimit)) return false;  // NaN fails too
  const auto nearest = static_cast<std::int64_t>(quotient + (quotient < 0 ? -0.5 : 0.5));
  if (std::fabs(quotient - static_cast<double>(nearest)) <=
      kQuotientTolerance * std::max(1.0, magnitude)) {
    *cell = nearest;
    *fraction = 0;
    return true;
  }
  *cell = static_cast<std::int64_t>(quotient);  // truncates toward 0
  *fraction = quotient - static_cast<double>(*cell);
  return true;
}

bool CellBoxFits(double size, const double box[4]) {
  std::int64_t cell = 0;
  double fraction = 0;
  for (int i = 0; i < 4; ++i)
    if (!CellOf(box[i], size, &cell, &fraction)) return false;
  return true;
}

CellRule MakeCellRule(double size, CellReduce reduce, const double* box) {
  CellRule rule;
  rule.size = size;
  rule.reduce = reduce;
  rule.decimal = size != 1 || box;
  if (!box) return rule;
  rule.clipped = true;
  rule.minX = box[0];
  rule.minY = box[1];
  rule.maxX = box[2];
  rule.maxY = box[3];
  std::int64_t firstNorth = 0, lastNorth = 0;
  AxisCells(rule.minX, rule.maxX, size, &rule.cells.minX, &rule.cells.maxX);
  AxisCells(rule.minY, rule.maxY, size, &firstNorth, &lastNorth);
  rule.cells.minY = -lastNorth;  // rows grow southward
  rule.cells.maxY = -firstNorth;
  return rule;
}

void UseCellRule(Converter& core, const CellRule& rule) {
  core.cells = rule;
  core.wants.heights = true;
  // Decimal coordinates carry their own phases (of x / size); whole units
  // take the reader's, as the picture's outputs do.
  core.wants.coordinates = rule.decimal;
  core.wants.placement = !rule.decimal;
  core.extent = rule.clipped ? rule.cells : GridBox{};
}
