// x and y as decimals for an output grid of cells (XyzWants::coordinates):
// the field's number exactly as strtod reads it (XyzFieldNumber), taking
// the integer the fast reader already read of it, so a plain decimal costs
// only its decimals.
#pragma once

#include <cstdint>

// The number of the field whose text starts at `start` and whose leading
// integer the line rule read as `integer` (with its sign), its digits
// ending at `digitsEnd`; `end` is the line's end. Anything but a plain
// decimal ("$1F", "1e3", more than 15 integer digits) is read whole again.
double XyzCoordinate(const unsigned char* start, const unsigned char* digitsEnd,
                     const unsigned char* end, std::int64_t integer, char mark);
