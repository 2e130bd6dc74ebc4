// One line of text becomes one point, or none.
#include <gtest/gtest.h>

#include "app/xyz_format.h"

namespace {

TEST(XyzFormat, LineTable) {
  const struct {
    std::u16string line;
    std::int64_t x, y;
    int grey;
    bool accepted;
  } rows[] = {
      {u"356.7,845.2,95.9", 356, -845, 95, true},
      {u"-12.5,-3.9,0", -12, 3, 0, true},
      {u"0,845,10", 0, -845, 10, false},
      {u"356,0,10", 356, 0, 10, false},
      {u"x,y,z", 0, 0, 0, false},
      {u"", 0, 0, 0, false},
      {u"356 845 95", 356, 0, 0, false},
      {u"356,845,256", 356, -845, 0, true},
      {u"356,845,300", 356, -845, 44, true},
      {u"356,845,-1", 356, -845, 255, true},
      {u"356, 845 ,95", 356, -845, 95, true},
      {u"$10,%11,5", 16, -3, 5, true},
      {u"\uFEFF356,845,95", 0, -845, 95, false},  // a byte-order mark spoils the first field
      {u"7,8", 7, -8, 0, true},                    // no z: grey 0
      {u"7,8,9,extra,fields", 7, -8, 9, true},
      {u"\t-5,\t+6,\t7", -5, -6, 7, true},
      // 64-bit wrap, and the most negative northing negates to itself.
      {u"1,-9223372036854775808,1", 1, INT64_MIN, 1, true},
      {u"1,18446744073709551617,1", 1, -1, 1, true},
  };
  for (const auto& row : rows) {
    XyzPoint point{};
    const bool accepted = ParseXyzLine(row.line, &point);
    const std::int64_t x = point.x, y = point.y;
    EXPECT_EQ(accepted, row.accepted) << "row " << &row - rows;
    EXPECT_EQ(x, row.x) << "row " << &row - rows;
    EXPECT_EQ(y, row.y) << "row " << &row - rows;
    EXPECT_EQ(point.grey, row.grey) << "row " << &row - rows;
  }
}

}  // namespace
