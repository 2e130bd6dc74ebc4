// The cells of coordinates and of a clipping box.
#include <gtest/gtest.h>

#include <cmath>

#include "app/cell_grid.h"

namespace {

struct Cell {
  bool ok;
  std::int64_t cell;
  double fraction;
};
Cell Of(double coordinate, double size) {
  Cell c{};
  c.ok = CellOf(coordinate, size, &c.cell, &c.fraction);
  return c;
}

TEST(CellGrid, QuotientsThatMissAnIntegerByRepresentationCountAsIt) {
  EXPECT_EQ(Of(0.3, 0.1).cell, 3);  // 2.9999999999999996
  EXPECT_EQ(Of(0.3, 0.1).fraction, 0);
  EXPECT_EQ(Of(0.7, 0.1).cell, 7);
  EXPECT_EQ(Of(372000.3, 0.1).cell, 3720003);
  EXPECT_EQ(Of(-0.3, 0.1).cell, -3);
  // Truncation toward 0, as the picture's integers are, with the sign kept.
  EXPECT_EQ(Of(-7.25, 1).cell, -7);
  EXPECT_EQ(Of(-7.25, 1).fraction, -0.25);
  EXPECT_EQ(Of(7.25, 0.5).cell, 14);
  EXPECT_EQ(Of(7.25, 0.5).fraction, 0.5);
  EXPECT_EQ(Of(29.9999, 10).cell, 2) << "a real fraction stays one";
  EXPECT_FALSE(Of(1e300, 1).ok);
  EXPECT_FALSE(Of(NAN, 1).ok);
}

TEST(CellGrid, ABoxCoversTheCellsItsPointsCanFallInto) {
  const struct {
    double size;
    double box[4];
    GridBox cells;  // rows are negated northing cells
  } cases[] = {
      // x up to 1020.5 reaches cell 204; a northing below 5050 ends in 1009.
      {5, {1005, 5003, 1020.5, 5050}, {201, -1009, 204, -1000}},
      {1, {0.5, 0.5, 1, 1}, {0, 0, 0, 0}},
      // Below a whole negative quotient (or 0) the truncation stays in it.
      {1, {-3, -3, 3, 3}, {-3, -2, 2, 3}},
      {1, {-3.5, -3.5, -1, 0}, {-3, 0, -1, 3}},
      {0.1, {0.1, 0.1, 0.3, 0.3}, {1, -2, 2, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box[0]);
    ASSERT_TRUE(CellBoxFits(c.size, c.box));
    const CellRule rule = MakeCellRule(c.size, CellReduce::kMean, c.box);
    EXPECT_TRUE(rule.clipped && rule.decimal);
    EXPECT_EQ(rule.cells.minX, c.cells.minX);
    EXPECT_EQ(rule.cells.minY, c.cells.minY);
    EXPECT_EQ(rule.cells.maxX, c.cells.maxX);
    EXPECT_EQ(rule.cells.maxY, c.cells.maxY);
  }
  EXPECT_FALSE(MakeCellRule(1, CellReduce::kLast, nullptr).decimal) << "whole units: the reader's integers";
}

}  // namespace
