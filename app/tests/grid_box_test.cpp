// The one grid rectangle: sizes that do not wrap at the ends of the 64-bit
// grid, the union's neutral element, and touching at a single unit.
#include "app/grid_box.h"

#include <gtest/gtest.h>

namespace {

TEST(GridBoxTest, SizesUnionAndMeeting) {
  const GridBox empty;
  EXPECT_TRUE(empty.Empty());
  const GridBox one{5, -3, 5, -3};
  EXPECT_FALSE(one.Empty());
  EXPECT_EQ(one.Width(), 1);
  EXPECT_EQ(one.Height(), 1);

  const GridBox all{INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX};
  EXPECT_TRUE(all.Width() == (Wide{1} << 64)) << "the whole grid, not 0";
  const GridBox u = Union(empty, one);
  EXPECT_EQ(u.minX, 5);
  EXPECT_EQ(u.maxY, -3);
  const GridBox grown = Union(Union(one, 7, -9), GridBox{-1, 0, 2, 4});
  EXPECT_EQ(grown.minX, -1);
  EXPECT_EQ(grown.minY, -9);
  EXPECT_EQ(grown.maxX, 7);
  EXPECT_EQ(grown.maxY, 4);

  EXPECT_TRUE(Meets(one, GridBox{5, -3, 9, 9})) << "a shared corner unit";
  EXPECT_FALSE(Meets(one, GridBox{6, -3, 9, 9}));
  EXPECT_FALSE(Meets(one, GridBox{0, -2, 5, 0}));
  EXPECT_FALSE(Meets(one, empty));
  EXPECT_FALSE(Meets(empty, all));
}

}  // namespace
