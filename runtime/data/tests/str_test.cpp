#include "runtime/data/str.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

TEST(StrFromInteger, SignAndExtremes) {
  EXPECT_EQ(Str_FromInteger(0), u"0");
  EXPECT_EQ(Str_FromInteger(-17), u"-17");
  EXPECT_EQ(Str_FromInteger(1000000), u"1000000");
  EXPECT_EQ(Str_FromInteger(std::numeric_limits<std::int64_t>::max()), u"9223372036854775807");
  EXPECT_EQ(Str_FromInteger(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
}

TEST(StrFromFloat, DefaultDecimalsTrimZerosAndPoint) {
  EXPECT_EQ(Str_FromFloat(2.5), u"2.5");
  EXPECT_EQ(Str_FromFloat(3.0), u"3");
  EXPECT_EQ(Str_FromFloat(100.0), u"100");
  EXPECT_EQ(Str_FromFloat(0.1), u"0.1");
  EXPECT_EQ(Str_FromFloat(25.0), u"25");
  EXPECT_EQ(Str_FromFloat(1e-11), u"0");
  EXPECT_EQ(Str_FromFloat(-1e-11), u"-0") << "the sign of the rounded text stays";
  EXPECT_EQ(Str_FromFloat(-0.0), u"0");
  EXPECT_EQ(Str_FromFloat(0.0), u"0");
  EXPECT_EQ(Str_FromFloat(1.23456789012), u"1.2345678901");
  EXPECT_EQ(Str_FromFloat(-7.25), u"-7.25");
}

TEST(StrFromFloat, ExplicitDecimalsAreKeptAndClamped) {
  EXPECT_EQ(Str_FromFloat(2.5, 3), u"2.500");
  EXPECT_EQ(Str_FromFloat(2.5, 0), u"2") << "printf rounds half to even";
  EXPECT_EQ(Str_FromFloat(3.5, 0), u"4");
  EXPECT_EQ(Str_FromFloat(30.0, 0), u"30");
  EXPECT_EQ(Str_FromFloat(1.5, -5), u"2") << "negative counts other than -1 mean 0";
  const std::u16string wide = Str_FromFloat(1.0, 1000);
  EXPECT_EQ(wide.size(), 2u + 512u);
  EXPECT_EQ(wide.substr(0, 4), u"1.00");
  // The widest double with the most decimals still comes back whole.
  const std::u16string widest = Str_FromFloat(-std::numeric_limits<double>::max(), 512);
  EXPECT_EQ(widest.size(), 1u + 309u + 1u + 512u);
}

// The C library's printf in the C locale is the reference for the digits.
TEST(StrFromFloat, DigitsMatchPrintf) {
  const double values[] = {0.5,     1.5,    2.675, 1e15 + 0.3, 123456.789, -0.000123456789,
                           1.0 / 3, 5e-324, 1e300, 0.125,      -99.995,    30.000000000049};
  char text[1024];
  for (const double v : values) {
    for (int decimals = 0; decimals <= 20; ++decimals) {
      std::snprintf(text, sizeof text, "%.*f", decimals, v);
      EXPECT_EQ(Str_FromFloat(v, decimals), std::u16string(text, text + std::strlen(text)))
          << v << " " << decimals;
    }
  }
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

TEST(StrFromFloat, SpecialValues) {
  EXPECT_EQ(Str_FromFloat(std::numeric_limits<double>::infinity()), u"+Infinity");
  EXPECT_EQ(Str_FromFloat(-std::numeric_limits<double>::infinity(), 2), u"-Infinity");
  EXPECT_EQ(Str_FromFloat(std::nan("")), u"NaN");
}

TEST(StrToInteger, LeadingNumberRules) {
  EXPECT_EQ(Str_ToInteger(u"  42abc"), 42);
  EXPECT_EQ(Str_ToInteger(u"-17"), -17);
  EXPECT_EQ(Str_ToInteger(u"+5"), 5);
  EXPECT_EQ(Str_ToInteger(u"- 5"), 0);
  EXPECT_EQ(Str_ToInteger(u"$ff"), 255);
  EXPECT_EQ(Str_ToInteger(u"$FFg"), 255);
  EXPECT_EQ(Str_ToInteger(u"-$10"), -16);
  EXPECT_EQ(Str_ToInteger(u"%101"), 5);
  EXPECT_EQ(Str_ToInteger(u"%102"), 2);
  EXPECT_EQ(Str_ToInteger(u"12.9"), 12);
  EXPECT_EQ(Str_ToInteger(u"-12.9"), -12);
  EXPECT_EQ(Str_ToInteger(u"1e3"), 1);
  EXPECT_EQ(Str_ToInteger(u"abc"), 0);
  EXPECT_EQ(Str_ToInteger(u""), 0);
  EXPECT_EQ(Str_ToInteger(u"\t\t7"), 7);
  EXPECT_EQ(Str_ToInteger(u"\n7"), 0) << "only blanks and tabs are skipped";
  EXPECT_EQ(Str_ToInteger(u"\u0663"), 0) << "only ASCII digits count";
  EXPECT_EQ(Str_ToInteger(u"356000.00"), 356000);
}

TEST(StrToInteger, WrapsIn64Bits) {
  EXPECT_EQ(Str_ToInteger(u"9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Str_ToInteger(u"9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Str_ToInteger(u"-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(Str_ToInteger(u"18446744073709551617"), 1);
  EXPECT_EQ(Str_ToInteger(u"$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(Str_ToInteger(u"$10000000000000001"), 1);
}

TEST(StrField, OneCharacterSeparator) {
  EXPECT_EQ(Str_Field(u"1,2,3", 1, u","), u"1");
  EXPECT_EQ(Str_Field(u"1,2,3", 2, u","), u"2");
  EXPECT_EQ(Str_Field(u"1,2,3", 3, u","), u"3");
  EXPECT_EQ(Str_Field(u"1,2,3", 4, u","), u"");
  EXPECT_EQ(Str_Field(u"1,,3", 2, u","), u"");
  EXPECT_EQ(Str_Field(u"1,,3", 3, u","), u"3");
  EXPECT_EQ(Str_Field(u",5", 1, u","), u"");
  EXPECT_EQ(Str_Field(u",5", 2, u","), u"5");
  EXPECT_EQ(Str_Field(u"1,", 2, u","), u"");
  EXPECT_EQ(Str_Field(u"1  2", 2, u" "), u"");
  EXPECT_EQ(Str_Field(u"1  2", 3, u" "), u"2");
  EXPECT_EQ(Str_Field(u"1,2,3", 0, u","), u"");
  EXPECT_EQ(Str_Field(u"1,2,3", -1, u","), u"");
  EXPECT_EQ(Str_Field(u"356000.00,5645000.00,123.45", 2, u","), u"5645000.00");
}

TEST(StrField, EmptyTextAndEmptySeparator) {
  for (const std::u16string sep : {u"", u",", u"ab"}) {
    EXPECT_EQ(Str_Field(u"", 1, sep), u"");
    EXPECT_EQ(Str_Field(u"", 2, sep), u"");
  }
  EXPECT_EQ(Str_Field(u"a,b", 1, u""), u"a,b");
  EXPECT_EQ(Str_Field(u"a,b", 2, u""), u"");
}

TEST(StrField, ManyCharacterSeparator) {
  EXPECT_EQ(Str_Field(u"xabyab", 1, u"ab"), u"x");
  EXPECT_EQ(Str_Field(u"xabyab", 2, u"ab"), u"y");
  EXPECT_EQ(Str_Field(u"xabyab", 3, u"ab"), u"");
  EXPECT_EQ(Str_Field(u"xabyab", 4, u"ab"), u"");
  EXPECT_EQ(Str_Field(u"aaa", 2, u"aa"), u"a") << "matches do not overlap";
  EXPECT_EQ(Str_Field(u"1::2:3", 2, u"::"), u"2:3");
  EXPECT_EQ(Str_Field(u"1AB2ab3", 2, u"ab"), u"3") << "compared case-sensitively";
  EXPECT_EQ(Str_Field(u"1a", 2, u"ab"), u"") << "a partial match at the end is text";
  EXPECT_EQ(Str_Field(u"1a", 1, u"ab"), u"1a");
}

TEST(StrLower, AsciiAndBeyond) {
  EXPECT_EQ(Str_Lower(u"ZIP.Xyz 09_@[`"), u"zip.xyz 09_@[`");
  EXPECT_EQ(Str_Lower(u"ÄÖÜ ß ÀÉÎ"), u"äöü ß àéî");
  EXPECT_EQ(Str_Lower(u"ŁŻŚĆ Ÿ"), u"łżść ÿ");
  EXPECT_EQ(Str_Lower(u"ΑΒΓ ΣΩ"), u"αβγ σω");
  EXPECT_EQ(Str_Lower(u"ДОМ ЁЖ"), u"дом ёж");
  EXPECT_EQ(Str_Lower(u"\u00D7\u00F7"), u"\u00D7\u00F7") << "signs are not letters";
  EXPECT_EQ(Str_Lower(u"ＡＢＣ"), u"ａｂｃ");
  const std::u16string pair = u"\U0001F600";  // a surrogate pair passes unchanged
  EXPECT_EQ(Str_Lower(pair), pair);
  EXPECT_EQ(Str_Lower(u""), u"");
}

TEST(MathRound, Modes) {
  EXPECT_EQ(Math_Round(2.5, kRoundNearest), 3);
  EXPECT_EQ(Math_Round(-2.5, kRoundNearest), -3);
  EXPECT_EQ(Math_Round(0.0, kRoundNearest), 0);
  EXPECT_EQ(Math_Round(2.49, kRoundNearest), 2);
  EXPECT_EQ(Math_Round(-2.49, kRoundNearest), -2);
  EXPECT_EQ(Math_Round(2.1, kRoundUp), 3);
  EXPECT_EQ(Math_Round(-2.1, kRoundUp), -2);
  EXPECT_EQ(Math_Round(2.9, kRoundDown), 2);
  EXPECT_EQ(Math_Round(-2.1, kRoundDown), -3);
  EXPECT_EQ(Math_Round(2.9, 77), 2) << "unknown modes round down";
  // The converter's size text: 30 MiB in bytes, divided twice, rounded, printed.
  EXPECT_EQ(Str_FromFloat(Math_Round(31457280.0 / 1024 / 1024, kRoundNearest)), u"30");
}

}  // namespace
