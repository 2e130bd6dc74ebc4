// The XYZ text format: one point per line, "x,y,z".
#pragma once

#include <cstdint>
#include <string>

#pragma pack(push, 1)
// One point as the point list keeps it (17 bytes).
struct XyzPoint {
  std::int64_t x;     // integer easting
  std::int64_t y;     // negated integer northing: grows southward, like image rows
  std::uint8_t grey;  // low byte of the integer z
};
#pragma pack(pop)
static_assert(sizeof(XyzPoint) == 17);

// Converts one line: the integer parts of fields 1 to 3 (separator ","),
// y negated, z's low byte. True when the point is accepted (x and y not 0);
// the point is filled either way.
bool ParseXyzLine(const std::u16string& line, XyzPoint* point);
