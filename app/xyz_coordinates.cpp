#include "app/xyz_coordinates.h"

#include "app/xyz_heights.h"

namespace {

constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Integers up to 2^53 are exact in a double.
constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;

bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }

}  // namespace

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
