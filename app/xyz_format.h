// The XYZ text format: one point per line, "x,y,z".
#pragma once

#include <cstddef>
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

// How the fields of a line are separated. Every field is converted the same
// way (its leading integer); only the splitting differs.
enum class XyzSeparator : int {
  kComma,      // "," (the window's rule)
  kSemicolon,  // ";": spreadsheet exports with a decimal comma
  kBlank,      // runs of blanks and tabs; those at the ends of a line are ignored
  kTab,        // one tab between fields
};

// How a file's lines are read. The window reads every file by the comma
// rule with a byte-order mark counting as part of the first field;
// relivox-batch may decide the separator per file and skip the mark.
struct XyzReadOptions {
  XyzSeparator separator = XyzSeparator::kComma;
  bool detectSeparator = false;    // from the file's first lines (DetectXyzSeparator)
  bool skipByteOrderMark = false;  // a UTF-8 mark at the start is no part of a field
};

// The separator of the lines at `data` (a file's first bytes): ";" on one of
// its first data lines means semicolon (with decimal commas), otherwise ","
// means comma, otherwise runs of blanks and tabs. Data lines are those whose
// first field starts like a number; without any, the first lines count.
XyzSeparator DetectXyzSeparator(const unsigned char* data, std::size_t size);

// Converts one line: the integer parts of fields 1 to 3, y negated, z's low
// byte. True when the point is accepted (x and y not 0); the point is filled
// either way. This is the rule-by-rule reading the fast reader must match.
bool ParseXyzLine(const std::u16string& line, XyzPoint* point,
                  XyzSeparator separator = XyzSeparator::kComma);
