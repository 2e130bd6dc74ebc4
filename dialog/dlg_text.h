// Small text helpers of the dialog engine: case-blind comparison and the
// number syntax of the description.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Case folding for ASCII and Latin-1 letters: enough for element, attribute,
// keyword and constant names.
char16_t FoldCase(char16_t c);

bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);
// Position of `needle` in `text` ignoring case, or npos.
std::size_t FindNoCase(std::u16string_view text, std::u16string_view needle);

// Leading blanks, an optional sign, decimal digits; anything else ends the
// number; no digits gives 0. Saturates instead of overflowing.
std::int64_t ParseInteger(std::u16string_view text);
