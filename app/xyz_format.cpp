#include "app/xyz_format.h"

#include "runtime/data/str.h"

bool ParseXyzLine(const std::u16string& line, XyzPoint* point) {
  const std::int64_t x = Str_ToInteger(Str_Field(line, 1, u","));
  const std::int64_t northing = Str_ToInteger(Str_Field(line, 2, u","));
  const std::int64_t z = Str_ToInteger(Str_Field(line, 3, u","));
  point->x = x;
  // Negated in unsigned arithmetic: the most negative number wraps like the
  // integer conversion itself instead of overflowing.
  point->y = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(northing));
  point->grey = static_cast<std::uint8_t>(z);
  return point->x != 0 && point->y != 0;
}
