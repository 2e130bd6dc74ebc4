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
    case XyzSeparator::kTab:
      return Str_Field(line, index, u"\t");
    case XyzSeparator::kComma:
      break;
  }
  return Str_Field(line, index, u",");
}

}  // namespace

XyzSeparator DetectXyzSeparator(const unsigned char* data, std::size_t size) {
  constexpr int kLinesLooked = 8;
  const unsigned char* const end = data + size;
  const unsigned char* p = data;
  if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3;
  bool semicolon[2] = {}, comma[2] = {};  // [0]: any first line, [1]: data lines
  int lines[2] = {};
  while (p < end && lines[1] < kLinesLooked) {
    const unsigned char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
    const unsigned char* first = p;
    while (first < lineEnd && (*first == ' ' || *first == '\t')) ++first;
    if (first < lineEnd) {
      const unsigned char c = *first;
      const bool data = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
      for (int kind = 0; kind <= (data ? 1 : 0); ++kind) {
        if (kind == 0 && lines[0] >= kLinesLooked) continue;
        ++lines[kind];
        for (const unsigned char* q = first; q < lineEnd; ++q) {
          semicolon[kind] = semicolon[kind] || *q == ';';
          comma[kind] = comma[kind] || *q == ',';
        }
      }
    }
    p = lineEnd + 1;
  }
  const int kind = lines[1] > 0 ? 1 : 0;
  if (semicolon[kind]) return XyzSeparator::kSemicolon;
  if (comma[kind]) return XyzSeparator::kComma;
  return XyzSeparator::kBlank;
}

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
