#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "runtime/data/str.h"

namespace {

std::u16string FromAscii(const char* text, std::size_t length) {
  return std::u16string(text, text + length);
}

}  // namespace

std::u16string Str_FromInteger(std::int64_t value) {
  char digits[24];
  char* end = digits + sizeof digits;
  char* p = end;
  // Unsigned negation keeps the most negative value exact.
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  return FromAscii(p, static_cast<std::size_t>(end - p));
}

std::u16string Str_FromFloat(double value, std::int32_t decimals) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"+Infinity" : u"-Infinity";
  if (value == 0) value = 0;  // -0.0 prints as 0

  // 309 integer digits + point + 512 decimals + sign stay below 1024.
  // to_chars formats like printf in the C locale; printf itself would take
  // the decimal comma of a German locale once the GUI has set it.
  char text[1024];
  const int count = decimals == -1 ? 10 : std::clamp(decimals, 0, 512);
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, count);
  if (error != std::errc()) return {};
  auto length = static_cast<std::size_t>(end - text);
  if (decimals == -1 && text[length - 1] == '0' && std::find(text, end, '.') != end) {
    while (text[length - 1] == '0') --length;
    if (text[length - 1] == '.') --length;
  }
  return FromAscii(text, length);
}

std::int64_t Str_ToInteger(const std::u16string& text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';

  // Unsigned accumulation: overflow wraps instead of being undefined.
  std::uint64_t value = 0;
  if (i < n && text[i] == u'$') {
    for (++i; i < n; ++i) {
      const char16_t c = text[i];
      unsigned digit;
      if (c >= u'0' && c <= u'9')
        digit = c - u'0';
      else if (c >= u'a' && c <= u'f')
        digit = c - u'a' + 10;
      else if (c >= u'A' && c <= u'F')
        digit = c - u'A' + 10;
      else
        break;
      value = value * 16 + digit;
    }
  } else if (i < n && text[i] == u'%') {
    for (++i; i < n && (text[i] == u'0' || text[i] == u'1'); ++i)
      value = value * 2 + (text[i] - u'0');
  } else {
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10 + (text[i] - u'0');
  }
  if (negative) value = 0 - value;
  return static_cast<std::int64_t>(value);
}

double Math_Round(double value, std::int32_t mode) {
  switch (mode) {
    case kRoundUp:
      return std::ceil(value);
    case kRoundNearest:
      return value > 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5);
    default:
      return std::floor(value);
  }
}
