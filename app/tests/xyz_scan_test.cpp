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

const XyzSeparator kAll[] = {XyzSeparator::kComma, XyzSeparator::kSemicolon, XyzSeparator::kBlank,
                             XyzSeparator::kTab};

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

TEST(XyzScan, TabsSeparateOnlyWhereTheyAreTheSeparator) {
  ExpectSameEverywhere("372000.50\t5811999.50\t120.3\n1\t\t3\n1\t 2\t 3\n 1 \t2 \t3 \n1 2\t3\t4\n");
}

// A skipped byte-order mark gives the points of the lines without it, however
// the chunks cut it; bytes that only began like a mark stay in the line.
TEST(XyzScan, AByteOrderMarkIsSkippedAcrossChunkEdges) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string lines = "372000,50 5812000,50 1\r\n2 3 4\n";
  const auto points = [](const XyzReading& r) {
    XyzReading only = r;
    only.progress.clear();
    return Describe(only);
  };
  for (const XyzSeparator separator : {XyzSeparator::kBlank, XyzSeparator::kComma}) {
    const std::string want = points(OracleReadBytes(lines, separator));
    for (std::size_t at = 0; at <= 4; ++at) {
      const std::vector<std::size_t> cuts = at ? std::vector<std::size_t>{at} : EveryBytes(9, 1);
      EXPECT_EQ(points(FastReadBytes(mark + lines, separator, cuts, true)), want) << at;
    }
    // Kept, the mark spoils the first field, as it does for the window.
    EXPECT_EQ(Describe(FastReadBytes(mark + lines, separator, {}, false)),
              Describe(OracleReadBytes(mark + lines, separator)));
    for (const std::string& almost : {std::string("\xEF\xBB"), std::string("\xEF"), std::string("\xEF\xBF")})
      for (std::size_t at = 1; at <= 3; ++at)
        EXPECT_EQ(points(FastReadBytes(almost + lines, separator, {at}, true)),
                  points(OracleReadBytes(almost + lines, separator)))
            << Printable(almost) << " cut " << at;
  }
  EXPECT_EQ(points(FastReadBytes(mark, XyzSeparator::kBlank, {1}, true)), points(XyzReading{}));
  EXPECT_EQ(points(FastReadBytes("\xEF\xBB", XyzSeparator::kBlank, {1}, true)), points(XyzReading{}));
}

TEST(XyzScan, TheSeparatorIsDecidedFromTheFirstDataLines) {
  const auto detect = [](const std::string& text) {
    return DetectXyzSeparator(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  };
  EXPECT_EQ(detect("372000,50;5812000,50;177,12\n"), XyzSeparator::kSemicolon);
  EXPECT_EQ(detect("\xEF\xBB\xBFX;Y;Z\r\n372000,50;5812000,50;177,12\r\n"), XyzSeparator::kSemicolon);
  EXPECT_EQ(detect("372000.50,5812000.50,177.12\n"), XyzSeparator::kComma);
  EXPECT_EQ(detect("rechts,hoch,hoehe\n356000.00,5645000.00,12.5\n"), XyzSeparator::kComma);
  EXPECT_EQ(detect("372000.50 5811999.50 120.3\r\n"), XyzSeparator::kBlank);
  EXPECT_EQ(detect("372000.50\t5811999.50\t120.3\n"), XyzSeparator::kBlank);
  // A header's punctuation does not decide when data lines follow.
  EXPECT_EQ(detect("# Rechtswert; Hochwert, Höhe\nx y z\n372000.50 5811999.50 120.3\n"),
            XyzSeparator::kBlank);
  EXPECT_EQ(detect("x;y;z\n"), XyzSeparator::kSemicolon) << "without data lines the first lines count";
  EXPECT_EQ(detect(""), XyzSeparator::kBlank);
  std::string late;
  for (int i = 0; i < 8; ++i) late += "1 2 3\n";
  EXPECT_EQ(detect(late + "1;2;3\n"), XyzSeparator::kBlank) << "only the first data lines look";
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
