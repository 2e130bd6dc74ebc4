#include "runtime/data/str.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/data/utf.h"

namespace {

using Limits = std::numeric_limits<std::int64_t>;

TEST(StrFromInteger, SignAndExtremes) {
  EXPECT_EQ(Str_FromInteger(0), u"0");
  EXPECT_EQ(Str_FromInteger(-17), u"-17");
  EXPECT_EQ(Str_FromInteger(Limits::max()), u"9223372036854775807");
  EXPECT_EQ(Str_FromInteger(Limits::min()), u"-9223372036854775808");
}

TEST(StrFromFloat, DefaultDecimalsTrimZerosAndPoint) {
  const struct {
    double value;
    std::u16string text;
  } cases[] = {{2.5, u"2.5"},
               {3.0, u"3"},
               {100.0, u"100"},
               {0.1, u"0.1"},
               {1e-11, u"0"},
               {-0.0, u"0"},
               {-7.25, u"-7.25"},
               {-1e-11, u"-0"},  // the sign of the rounded text stays
               {1.23456789012, u"1.2345678901"}};
  for (const auto& c : cases) EXPECT_EQ(Str_FromFloat(c.value), c.text) << c.value;
}

TEST(StrFromFloat, ExplicitDecimalsMatchPrintfAndAreClamped) {
  // The C library's printf in the C locale is the reference for the digits
  // (it rounds half to even: 2.5 gives "2").
  const double values[] = {0.5,        1.5,     2.5,    3.5,   2.675,   1e15 + 0.3,
                           123456.789, 1.0 / 3, 5e-324, 1e300, -99.995, 30.000000000049};
  char text[1024];
  for (const double v : values) {
    for (int decimals = 0; decimals <= 20; ++decimals) {
      std::snprintf(text, sizeof text, "%.*f", decimals, v);
      EXPECT_EQ(Str_FromFloat(v, decimals), Utf8ToUtf16(text)) << v << " " << decimals;
    }
  }
  EXPECT_EQ(Str_FromFloat(1.5, -5), u"2") << "negative counts other than -1 mean 0";
  const std::u16string wide = Str_FromFloat(1.0, 1000);
  EXPECT_EQ(wide.size(), 2u + 512u);
  EXPECT_EQ(wide.substr(0, 4), u"1.00");
  // The widest double with the most decimals still comes back whole.
  EXPECT_EQ(Str_FromFloat(-std::numeric_limits<double>::max(), 512).size(), 1u + 309 + 1 + 512);
  EXPECT_EQ(Str_FromFloat(std::numeric_limits<double>::infinity()), u"+Infinity");
  EXPECT_EQ(Str_FromFloat(-std::numeric_limits<double>::infinity(), 2), u"-Infinity");
  EXPECT_EQ(Str_FromFloat(std::nan("")), u"NaN");
}

TEST(StrFromFloat, DecimalPointIgnoresTheLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE"))
    GTEST_SKIP() << "no German locale installed";
  const std::u16string half = Str_FromFloat(2.5), fixed = Str_FromFloat(2.5, 2);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(half, u"2.5");
  EXPECT_EQ(fixed, u"2.50");
}

// clang-format off
TEST(StrToInteger, LeadingNumberRulesAndWrapIn64Bits) {
  // Only blanks and tabs are skipped, only ASCII digits count.
  const struct { std::u16string text; std::int64_t value; } cases[] = {
      {u"  42abc", 42}, {u"-17", -17}, {u"+5", 5}, {u"- 5", 0}, {u"$ffg", 255}, {u"-$10", -16},
      {u"%101", 5}, {u"%102", 2}, {u"-12.9", -12}, {u"1e3", 1}, {u"abc", 0}, {u"", 0},
      {u"\t\t7", 7}, {u"\n7", 0}, {u"\u0663", 0}, {u"356000.00", 356000},
      {u"9223372036854775807", Limits::max()}, {u"9223372036854775808", Limits::min()},
      {u"-9223372036854775808", Limits::min()}, {u"18446744073709551617", 1},
      {u"$FFFFFFFFFFFFFFFF", -1}, {u"$10000000000000001", 1}};
  for (const auto& c : cases) EXPECT_EQ(Str_ToInteger(c.text), c.value) << Utf16ToUtf8(c.text);
}

TEST(StrField, OneAndManyCharacterSeparators) {
  // Many-character separators match whole, without overlap and case-sensitively.
  const struct { std::u16string text; std::int64_t index; std::u16string separator, field; }
  cases[] = {
      {u"1,2,3", 1, u",", u"1"}, {u"1,2,3", 3, u",", u"3"}, {u"1,2,3", 4, u",", u""},
      {u"1,,3", 2, u",", u""}, {u"1,,3", 3, u",", u"3"}, {u",5", 1, u",", u""},
      {u",5", 2, u",", u"5"}, {u"1,", 2, u",", u""}, {u"1  2", 2, u" ", u""},
      {u"1  2", 3, u" ", u"2"}, {u"1,2,3", 0, u",", u""}, {u"1,2,3", -1, u",", u""},
      {u"", 1, u",", u""}, {u"", 2, u"ab", u""}, {u"", 1, u"", u""},
      {u"a,b", 1, u"", u"a,b"}, {u"a,b", 2, u"", u""}, {u"xabyab", 1, u"ab", u"x"},
      {u"xabyab", 2, u"ab", u"y"}, {u"xabyab", 3, u"ab", u""}, {u"xabyab", 4, u"ab", u""},
      {u"aaa", 2, u"aa", u"a"}, {u"1::2:3", 2, u"::", u"2:3"}, {u"1AB2ab3", 2, u"ab", u"3"},
      {u"1a", 2, u"ab", u""}, {u"1a", 1, u"ab", u"1a"},
      {u"356000.00,5645000.00,123.45", 2, u",", u"5645000.00"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Str_Field(c.text, c.index, c.separator), c.field)
        << Utf16ToUtf8(c.text) << " " << c.index << " " << Utf16ToUtf8(c.separator);
  }
}
// clang-format on

TEST(StrLower, AsciiAndBeyond) {
  EXPECT_EQ(Str_Lower(u"ZIP.Xyz 09_@[`"), u"zip.xyz 09_@[`");
  EXPECT_EQ(Str_Lower(u"ÄÖÜ ß ÀÉÎ ŁŻŚĆ Ÿ"), u"äöü ß àéî łżść ÿ");
  EXPECT_EQ(Str_Lower(u"ΑΒΓ ΣΩ ДОМ ЁЖ ＡＢＣ"), u"αβγ σω дом ёж ａｂｃ");
  EXPECT_EQ(Str_Lower(u"\u00D7\u00F7"), u"\u00D7\u00F7") << "signs are not letters";
  EXPECT_EQ(Str_Lower(u"\U0001F600"), u"\U0001F600") << "a surrogate pair passes unchanged";
}

TEST(MathRound, Modes) {
  const struct {
    double value;
    int mode;
    double rounded;
  } cases[] = {
      {2.5, kRoundNearest, 3},    {-2.5, kRoundNearest, -3}, {2.49, kRoundNearest, 2},
      {-2.49, kRoundNearest, -2}, {2.1, kRoundUp, 3},        {-2.1, kRoundUp, -2},
      {2.9, kRoundDown, 2},       {-2.1, kRoundDown, -3},    {2.9, 77, 2}};  // unknown: down
  for (const auto& c : cases) EXPECT_EQ(Math_Round(c.value, c.mode), c.rounded) << c.value;
  // The converter's size text: 30 MiB in bytes, divided twice, rounded, printed.
  EXPECT_EQ(Str_FromFloat(Math_Round(31457280.0 / 1024 / 1024, kRoundNearest)), u"30");
}

TEST(Utf, RoundTripsEveryPlane) {
  const std::u16string text = u"Höhe ⛰ 𝄞 z";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"ä"), "\xC3\xA4");
}

TEST(Utf, MalformedInputIsReplacedWithoutSwallowingBytes) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3|"), u"a\uFFFD|");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\uFFFDx");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong lead C0 is never valid";
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD") << "encoded surrogate";
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
