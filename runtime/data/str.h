// String and number conversions: decimal text of integers and doubles,
// the leading integer of a text, separated fields, lower case, rounding.
// Every result is a new string; the arguments are left as they are.
#pragma once

#include <cstdint>
#include <string>

// Decimal digits with a leading "-" for negative values.
std::u16string Str_FromInteger(std::int64_t value);

// decimals -1: "%.10f" with trailing zeros (and a bare point) removed.
// Any other count is clamped to 0..512 and kept as is.
std::u16string Str_FromFloat(double value, std::int32_t decimals = -1);

// The leading number: blanks and tabs, a sign, "$" (hex) or "%" (binary),
// digits up to the first other character. Wraps in 64 bits; 0 without digits.
std::int64_t Str_ToInteger(const std::u16string& text);

// The index-th field (1-based) of text cut at separator; empty when missing.
std::u16string Str_Field(const std::u16string& text, std::int32_t index,
                         const std::u16string& separator);

// Lower case for every letter of the Basic Multilingual Plane, one code unit
// for one code unit.
std::u16string Str_Lower(const std::u16string& text);

inline constexpr std::int32_t kRoundDown = 0;
inline constexpr std::int32_t kRoundUp = 1;
inline constexpr std::int32_t kRoundNearest = 2;  // halves away from zero

double Math_Round(double value, std::int32_t mode);
