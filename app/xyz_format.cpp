#include "app/xyz_format.h"

#include "runtime/data/str.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Field `index` (from 1) of a line split at runs of blanks and tabs.
std::u16string BlankField(const std::u16string& line, int index) {
  std::size_t i = 0;
  const std::size_t n = line.size();
  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i == n) return {};
    const std::size_t start = i;
    while (i < n && !IsBlank(line[i])) ++i;
    if (--index == 0) return line.substr(start, i - start);
  }
}

std::u16string Field(const std::u16string& line, int index, XyzSeparator separator) {
  switch (separator) {
    case XyzSeparator::kSemicolon:
      return Str_Field(line, index, u";");
    case XyzSeparator::kBlank:
      return BlankField(line, index);
    case XyzSeparator::kComma:
      break;
  }
  return Str_Field(line, index, u",");
}

}  // namespace

bool ParseXyzLine(const std::u16string& line, XyzPoint* point, XyzSeparator separator) {
  const std::int64_t x = Str_ToInteger(Field(line, 1, separator));
  const std::int64_t northing = Str_ToInteger(Field(line, 2, separator));
  const std::int64_t z = Str_ToInteger(Field(line, 3, separator));
  point->x = x;
  // Negated in unsigned arithmetic: the most negative number wraps like the
  // integer conversion itself instead of overflowing.
  point->y = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(northing));
  point->grey = static_cast<std::uint8_t>(z);
  return point->x != 0 && point->y != 0;
}
