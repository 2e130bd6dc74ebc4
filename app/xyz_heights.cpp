#include "app/xyz_heights.h"

#include <locale.h>
#include <stdlib.h>

#include <string>

namespace {

constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;

bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }
bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

// strtod itself on a copy of the field, for everything the short way does
// not take (exponents, hexadecimal, inf and nan, long mantissas, \v and \f).
double SlowNumber(const unsigned char* begin, const unsigned char* end, char mark) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  std::string text(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
  if (mark != '.')
    for (char& ch : text) {
      // '#' ends a number wherever it stands, as '.' does under a decimal comma.
      if (ch == '.')
        ch = '#';
      else if (ch == mark)
        ch = '.';
    }
  return c ? strtod_l(text.c_str(), nullptr, c) : strtod(text.c_str(), nullptr);
}

}  // namespace

// Plain decimals ("123.45", "-0.5") are most fields: a mantissa of at most
// 53 bits over a power of ten up to 1e22 divides to the correctly rounded
// double, which is what strtod gives.
double XyzFieldNumber(const unsigned char* begin, const unsigned char* end, char mark) {
  const unsigned char* p = begin;
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  for (; p < end && IsDigit(*p); ++p, ++digits) {
    if (mantissa >= kExactMantissa / 10) return SlowNumber(begin, end, mark);
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  }
  if (p < end && static_cast<char>(*p) == mark)
    for (++p; p < end && IsDigit(*p); ++p, ++digits, ++decimals) {
      if (mantissa >= kExactMantissa / 10 || decimals >= 22) return SlowNumber(begin, end, mark);
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
  if (digits == 0) return SlowNumber(begin, end, mark);  // "inf", "nan", "\v5", or nothing
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X'))
    return SlowNumber(begin, end, mark);
  const double value = static_cast<double>(mantissa) / kPow10[decimals];
  return negative ? -value : value;
}

double XyzFieldFraction(const unsigned char* begin, const unsigned char* end, char mark) {
  const unsigned char* p = begin;
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  while (p < end && IsDigit(*p)) ++p;
  if (p >= end || static_cast<char>(*p) != mark) return 0;
  std::uint64_t value = 0;
  int decimals = 0;
  // Eighteen decimals say more than the tolerance needs.
  for (++p; p < end && IsDigit(*p) && decimals < 18; ++p, ++decimals)
    value = value * 10 + static_cast<unsigned>(*p - '0');
  const double fraction = static_cast<double>(value) / kPow10[decimals];
  return negative ? -fraction : fraction;
}

// Mantissa and power of ten both exact: their quotient is the correctly
// rounded value, which is what strtod gives.
double XyzCoordinate(const unsigned char* start, const unsigned char* digitsEnd,
                     const unsigned char* end, std::int64_t integer, char mark) {
  const unsigned char* p = start;
  while (*p == ' ' || *p == '\t') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // 15 digits cannot have wrapped nor passed 2^53.
  if (!IsDigit(*p) || digitsEnd - p > 15) return XyzFieldNumber(start, end, mark);
  std::uint64_t mantissa =
      negative ? 0 - static_cast<std::uint64_t>(integer) : static_cast<std::uint64_t>(integer);
  int decimals = 0;
  p = digitsEnd;
  if (p < end && static_cast<char>(*p) == mark)
    for (++p; p < end && IsDigit(*p); ++p, ++decimals) {
      if (mantissa > (kExactMantissa - 9) / 10 || decimals >= 22)
        return XyzFieldNumber(start, end, mark);
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X'))
    return XyzFieldNumber(start, end, mark);
  const double value = static_cast<double>(mantissa) / kPow10[decimals];
  return negative ? -value : value;
}
