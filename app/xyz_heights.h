// What the reader gives beside the integer points when an output needs it:
// z as a decimal number (Float32 per point) and, per axis, whether every
// point has the same fractional part (which places the pixel centres).
#pragma once

#include <cmath>
#include <cstdint>

// Asked of the reader before it starts; both off keeps it as fast as before.
struct XyzWants {
  bool heights = false;      // z as strtod reads it
  bool placement = false;    // the fractional parts of x and y
  bool coordinates = false;  // x and y as strtod reads them (an output grid of cells)
};

// Coordinates whose fractional parts differ by at most this are on one grid.
inline constexpr double kPhaseTolerance = 1e-6;

// The fractional part shared by the points of one axis so far.
struct XyzPhase {
  double fraction = 0;  // of the first point, with the number's sign
  bool seen = false;
  bool mixed = false;  // two points differ
};

inline void XyzPhase_Add(XyzPhase& phase, double fraction) {
  if (phase.mixed) return;
  if (!phase.seen) {
    phase.fraction = fraction;
    phase.seen = true;
  } else if (std::fabs(fraction - phase.fraction) > kPhaseTolerance) {
    phase.mixed = true;
  }
}

// The decimal mark that goes with a separator: a semicolon separates the
// fields of spreadsheet exports, whose numbers have a decimal comma.
inline char XyzDecimalMark(bool semicolon) { return semicolon ? ',' : '.'; }

// The number at the start of the field [begin, end) exactly as strtod reads
// it in the C locale, with `mark` as the decimal mark; 0 when there is none.
double XyzFieldNumber(const unsigned char* begin, const unsigned char* end, char mark);

// The fractional part of the field's leading integer as the integer
// conversion reads it (blanks, sign, digits, then `mark` and digits): 0.5
// for "372000.50", -0.25 for "-7.25", 0 for "356000" or "$1F".
double XyzFieldFraction(const unsigned char* begin, const unsigned char* end, char mark);

// x and y as decimals for an output grid of cells (XyzWants::coordinates),
// taking the integer the fast reader already read of the field, so a plain
// decimal costs only its decimals.
// The number of the field whose text starts at `start` and whose leading
// integer the line rule read as `integer` (with its sign), its digits
// ending at `digitsEnd`; `end` is the line's end. Anything but a plain
// decimal ("$1F", "1e3", more than 15 integer digits) is read whole again.
double XyzCoordinate(const unsigned char* start, const unsigned char* digitsEnd,
                     const unsigned char* end, std::int64_t integer, char mark);
