// The fast reader against the rule-by-rule reading, on adversarial bytes cut
// into chunks at every place that matters.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "app/tests/xyz_oracle.h"

namespace {

std::string Describe(const XyzReading& r) {
  std::ostringstream out;
  for (const XyzPoint& p : r.points) out << "(" << p.x << "," << p.y << "," << int{p.grey} << ")";
  out << " box " << r.box.minX << " " << r.box.minY << " " << r.box.maxX << " " << r.box.maxY;
  out << " progress";
  for (const std::int64_t v : r.progress) out << " " << v;
  return out.str();
}

std::string Printable(const std::string& bytes) {
  std::ostringstream out;
  for (const unsigned char c : bytes) {
    if (c >= 32 && c < 127)
      out << c;
    else
      out << "\\x" << std::hex << int{c} << std::dec;
  }
  return out.str();
}

const XyzSeparator kAll[] = {XyzSeparator::kComma, XyzSeparator::kSemicolon, XyzSeparator::kBlank};

// Every separator, the whole buffer and every cut of 1 to 7 bytes, and a cut
// at every single offset.
void ExpectSameEverywhere(const std::string& bytes) {
  for (const XyzSeparator separator : kAll) {
    const XyzReading oracle = OracleReadBytes(bytes, separator);
    const std::string want = Describe(oracle);
    const std::string what =
        Printable(bytes) + " separator " + std::to_string(static_cast<int>(separator));
    ASSERT_EQ(Describe(FastReadBytes(bytes, separator, {})), want) << what;
    for (std::size_t step = 1; step <= 7; ++step)
      ASSERT_EQ(Describe(FastReadBytes(bytes, separator, EveryBytes(bytes.size(), step))), want)
          << what << " step " << step;
    for (std::size_t at = 1; at < bytes.size() && bytes.size() < 400; ++at)
      ASSERT_EQ(Describe(FastReadBytes(bytes, separator, {at})), want) << what << " cut " << at;
  }
}

TEST(XyzScan, LineTableAndFieldRules) {
  ExpectSameEverywhere(
      "356.7,845.2,95.9\n-12.5,-3.9,0\n0,845,10\n356,0,10\nx,y,z\n\n356 845 95\n"
      "356,845,256\n356,845,300\n356,845,-1\n356, 845 ,95\n$10,%11,5\n");
  ExpectSameEverywhere("356000,50;5645000,50;123,45\n1;2\n;1;2\n1;;2\n 7 ; 8 ; 9 ; 10\n");
  ExpectSameEverywhere(
      "371999.50 5806917.50 41.21\r\n \t 12\t\t 34  56 \n12 34\n12\n 1 2 3 4 5\n\t\n1\t-2\t-3\t\n");
  // Signs, prefixes and blanks in every place the conversion looks at.
  ExpectSameEverywhere(
      "+5,-6,+7\n- 5,6,7\n5,- 6,7\n--5,6,7\n+-5,6,7\n-$ff,+%101,$FFg\n$,%,$\n%2,%12,1\n"
      "$aBcDeF0123456789,$G,1\n\t\t9,\t8,\t7\n5 ,6 ,7 \n5,6,7,8,9\n1e3,2e3,3\n.5,.6,7\n");
}

TEST(XyzScan, SixtyFourBitWrap) {
  ExpectSameEverywhere(
      "9223372036854775808,1,1\n18446744073709551617,5,5\n-9223372036854775808,-"
      "9223372036854775808,1\n"
      "18446744073709551616,1,1\n1,18446744073709551616,1\n"
      "123456789012345678901234567890123456789,98765432109876543210987654321,300\n"
      "$FFFFFFFFFFFFFFFFF,%1111111111111111111111111111111111111111111111111111111111111111111,1\n"
      "00000000000000000000000000000001,000000000000000000000000000002,0000000000000000256\n");
}

TEST(XyzScan, LineEnds) {
  ExpectSameEverywhere("1,2,3\r\n4,5,6\r\n");
  ExpectSameEverywhere("1,2,3\r4,5,6\r7,8,9");
  ExpectSameEverywhere("1,2,3\n\r4,5,6\r\r\n\n7,8,9\r");
  ExpectSameEverywhere("1,2,3");  // no final line end
  ExpectSameEverywhere("1,2,3\r");
  ExpectSameEverywhere(std::string("1,2\0003,4,5\n\0\0006,7,8\r\0009,9,9", 22));
  ExpectSameEverywhere(std::string("1,2,3\0", 6));
  ExpectSameEverywhere("\n\n\n1,1,1\n\n");
  ExpectSameEverywhere("\r");
  ExpectSameEverywhere("");
}

TEST(XyzScan, BytesOutsideAscii) {
  ExpectSameEverywhere(
      "\xEF\xBB\xBF"
      "1,2,3\n4,5,6\n");  // a BOM
  ExpectSameEverywhere(
      "1,2\xC3\xA4,3\n\xC3"
      "4,5,6\n7,\xE2\n8,9\n");  // a lead byte before LF
  ExpectSameEverywhere(
      "1\x80,2,3\n4,\xBF\xBF"
      "5,6\n\xF8\xFF,1,1\n9,9,\xF0\x9F\x98\x80"
      "7\n");
  ExpectSameEverywhere(
      "\xC0\xAF"
      "1,2,3\n1,\xE0\x80\xAF"
      "2,3\n\xED\xA0\x80,1,1\n\xF4\x90\x80\x80\n");
  // Digits that are not ASCII: fullwidth, Arabic-Indic, superscript.
  ExpectSameEverywhere("\xEF\xBC\x91,2,3\n1,\xD9\xA2,3\n1,2,\xC2\xB9\n5,6,7\xEF\xBC\x98\n");
  ExpectSameEverywhere("1,2,3\xE2\x82");  // ends inside a sequence
  ExpectSameEverywhere("1,2,3\n\xF0\x9F");
}

// Separators and line ends on both sides of every offset the scanner looks
// ahead to at once (the first 32 and 64 bytes of a line).
TEST(XyzScan, FieldsAroundTheLookAheadWindow) {
  std::string bytes;
  for (int pad = 0; pad < 70; pad += 3) {
    const std::string blanks(static_cast<std::size_t>(pad), ' ');
    bytes += blanks + "12,34,56\n";
    bytes += "12" + blanks + ",34" + blanks + ",\t56" + blanks + "\r\n";
    bytes += "12 \t" + blanks + "34;" + blanks + "$1f;%11 78\r";
    bytes += "-7," + std::string(static_cast<std::size_t>(pad), '0') + "9,3" + blanks + "\n";
  }
  ExpectSameEverywhere(bytes);
}

// Lines far longer than any chunk, with the number at either end.
TEST(XyzScan, HugeLines) {
  const std::string junk(300000, 'q');
  const std::string digits(70000, '9');
  const std::string blanks(100000, ' ');
  const std::string bytes = "1,2,3" + junk + "\n" + junk + ",4,5\n" + digits + "," + digits +
                            ",1\n" + blanks + "7" + blanks + "8" + blanks + "9" + blanks + "\n6" +
                            junk + ";7;8\n";
  for (const XyzSeparator separator : kAll) {
    const std::string want = Describe(OracleReadBytes(bytes, separator));
    for (const std::size_t step : {std::size_t{4096}, std::size_t{65536}, std::size_t{1000003}})
      EXPECT_EQ(Describe(FastReadBytes(bytes, separator, EveryBytes(bytes.size(), step))), want);
  }
}

// Random lines over the characters the rules care about, cut at random.
TEST(XyzScan, RandomInputsMatchTheLineRules) {
  static const char* const kPieces[] = {"0",
                                        "1",
                                        "7",
                                        "9",
                                        "12",
                                        "356000",
                                        "5645000",
                                        "18446744073709551616",
                                        ".",
                                        ".50",
                                        ",",
                                        ",",
                                        ";",
                                        ";",
                                        " ",
                                        " ",
                                        "\t",
                                        "-",
                                        "+",
                                        "$",
                                        "%",
                                        "a",
                                        "F",
                                        "g",
                                        "x",
                                        "\n",
                                        "\n",
                                        "\r",
                                        "\r\n",
                                        std::string("\0", 1).c_str(),
                                        "\x80",
                                        "\xC3",
                                        "\xC3\xA4",
                                        "\xE2\x82\xAC",
                                        "\xEF\xBB\xBF",
                                        "\xF0",
                                        "\xFF",
                                        "\xBF"};
  std::mt19937 random(20261208);
  for (int round = 0; round < 1500; ++round) {
    std::string bytes;
    const int pieces = static_cast<int>(random() % 60);
    for (int i = 0; i < pieces; ++i) {
      const std::size_t k = random() % std::size(kPieces);
      if (k == 29)
        bytes.push_back('\0');  // the NUL piece is empty as a C string
      else
        bytes += kPieces[k];
    }
    std::vector<std::size_t> cuts;
    for (std::size_t at = 1 + random() % 8; at < bytes.size(); at += 1 + random() % 8)
      cuts.push_back(at);
    for (const XyzSeparator separator : kAll) {
      const std::string want = Describe(OracleReadBytes(bytes, separator));
      ASSERT_EQ(Describe(FastReadBytes(bytes, separator, {})), want)
          << Printable(bytes) << " separator " << static_cast<int>(separator);
      ASSERT_EQ(Describe(FastReadBytes(bytes, separator, cuts)), want)
          << Printable(bytes) << " separator " << static_cast<int>(separator) << " cut";
    }
  }
}

// Progress figures follow the line ends, not the chunks: a file of long lines
// skips figures exactly where reading line by line skips them.
TEST(XyzScan, ProgressFiguresOfLongLines) {
  std::string bytes;
  for (int i = 1; i <= 9; ++i)
    bytes += std::to_string(i) + "," + std::string(i * 37, '5') + ",1\r\n";
  ExpectSameEverywhere(bytes);
  const XyzReading fast = FastReadBytes(bytes, XyzSeparator::kComma, {});
  EXPECT_LT(fast.progress.size(), 20u) << "nine lines give at most nine figures";
  EXPECT_EQ(fast.progress.back(), 50);
}

}  // namespace
