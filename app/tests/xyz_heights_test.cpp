// Heights and grid phases from the fast reader: z exactly as strtod reads
// the field, whichever way the number is written and wherever a chunk cuts
// the line; the fractional parts of x and y decide the phases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "app/tests/xyz_oracle.h"
#include "app/xyz_heights.h"

namespace {

double Field(const std::string& text, char mark) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  return XyzFieldNumber(p, p + text.size(), mark);
}

// strtod on the field, the mark made a point (and a point made to end the number).
double Strtod(std::string text, char mark) {
  if (mark != '.')
    for (char& c : text) c = c == '.' ? '#' : c == mark ? '.' : c;
  return std::strtod(text.c_str(), nullptr);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(XyzHeights, EveryFieldReadsAsStrtodReadsIt) {
  const char* const fields[] = {
      "123.45", "-3.5", "+7", "0", "-0", "-0.0", ".5", "-.25", "5.", "  12.5", "\t-1", "\v5",
      "1e3", "1.5E-2", "2e", "0x1A", "0x1p3", "inf", "-Infinity", "nan", "", "-", ".", "x12",
      "12.5m", "12.5.7", "000123.4500", "9007199254740993", "123456789012345678901234",
      "0.1234567890123456789012345", "1.7976931348623157e309", "4.9e-325", "356,75", "$10",
      "99999999999999.99", "372000.50", "12 34"};
  for (const char mark : {'.', ','})
    for (const char* field : fields) {
      const double want = Strtod(field, mark);
      const double got = Field(field, mark);
      EXPECT_TRUE(SameBits(got, want) || (std::isnan(got) && std::isnan(want)))
          << "'" << field << "' mark " << mark << ": " << got << " want " << want;
    }
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t whole = random() >> (random() % 64);
    const int decimals = static_cast<int>(random() % 12);
    std::string text = (random() % 3 == 0 ? "-" : "") + std::to_string(whole);
    if (decimals) {
      text += '.';
      for (int d = 0; d < decimals; ++d) text += static_cast<char>('0' + random() % 10);
    }
    ASSERT_TRUE(SameBits(Field(text, '.'), Strtod(text, '.'))) << text;
  }
}

TEST(XyzHeights, FractionsAreThoseOfTheIntegerThatPlacesThePoint) {
  const auto fraction = [](const std::string& text, char mark) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    return XyzFieldFraction(p, p + text.size(), mark);
  };
  EXPECT_EQ(fraction("372000.50", '.'), 0.5);
  EXPECT_EQ(fraction(" -7.25", '.'), -0.25);
  EXPECT_EQ(fraction("356000", '.'), 0);
  EXPECT_EQ(fraction("356000,75", ','), 0.75);
  EXPECT_EQ(fraction("356000.75", ','), 0);
  EXPECT_EQ(fraction("$1F.5", '.'), 0);
  EXPECT_EQ(fraction("1e3", '.'), 0);
}

// The fast reader with extras over the bytes, cut before each offset in `cuts`.
XyzScanner ScanWithExtras(const std::string& bytes, XyzSeparator separator,
                          const std::vector<std::size_t>& cuts) {
  return FastScanBytes(bytes, separator, cuts, false, XyzWants{true, true});
}

TEST(XyzHeights, TheReaderKeepsOneHeightPerPointWhereverChunksEnd) {
  const struct {
    XyzSeparator separator;
    std::string bytes;
    std::vector<double> heights;
    double fractionX, fractionY;
    bool mixed;
  } cases[] = {
      {XyzSeparator::kComma, "372000.50,5812000.50,41.25\n0,1,2\nx,y,z\n372001.50,5812000.50,1e2\r\n"
                             "372002.50, 5812001.50 ,-.5,9\n",
       {41.25, 100, -0.5}, 0.5, 0.5, false},
      {XyzSeparator::kSemicolon, "356000,25;5645000,75;123,45\n356001,25;5645000,75;7.9\n",
       {123.45, 7}, 0.25, 0.75, false},
      {XyzSeparator::kBlank, "  371999.50\t5806917.00  41.21 8\n371998.00 5806917.00 nan\n",
       {41.21, std::nan("")}, 0.5, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const XyzReading oracle = OracleReadBytes(c.bytes, c.separator);
    for (std::size_t at = 0; at < c.bytes.size(); ++at) {
      const XyzScanner scan =
          ScanWithExtras(c.bytes, c.separator, at ? std::vector<std::size_t>{at} : EveryBytes(c.bytes.size(), 1));
      ASSERT_EQ(scan.points, oracle.points) << "cut " << at;
      ASSERT_EQ(scan.heights.size(), c.heights.size()) << "cut " << at;
      for (std::size_t i = 0; i < c.heights.size(); ++i)
        EXPECT_TRUE(scan.heights[i] == static_cast<float>(c.heights[i]) ||
                    (std::isnan(scan.heights[i]) && std::isnan(c.heights[i])))
            << "cut " << at << " point " << i << ": " << scan.heights[i];
      EXPECT_EQ(scan.phaseX.mixed, c.mixed) << "cut " << at;
      if (!c.mixed) {
        EXPECT_NEAR(scan.phaseX.fraction, c.fractionX, 1e-12) << "cut " << at;
      }
      EXPECT_FALSE(scan.phaseY.mixed) << "cut " << at;
      EXPECT_NEAR(scan.phaseY.fraction, c.fractionY, 1e-12) << "cut " << at;
    }
  }
}

// Whole lines in one chunk take the short way; its z and phases must be
// strtod's and the line rule's whatever the fields look like.
TEST(XyzHeights, ShortLinesOfEveryFormReadAsStrtodReadsThem) {
  const char* const forms[] = {"", "-", "+", " ", "  -", "$", "0x", "."};
  std::mt19937_64 random(11);
  for (const XyzSeparator separator : {XyzSeparator::kComma, XyzSeparator::kSemicolon}) {
    const char mark = separator == XyzSeparator::kSemicolon ? ',' : '.';
    const char sep = separator == XyzSeparator::kSemicolon ? ';' : ',';
    std::string bytes;
    std::vector<double> want;
    for (int i = 0; i < 3000; ++i) {
      std::string z = forms[random() % 8];
      z += std::to_string(random() >> (random() % 64));
      const int decimals = static_cast<int>(random() % 10);
      if (decimals || random() % 4 == 0) z += random() % 8 ? mark : '.';
      for (int d = 0; d < decimals; ++d) z += static_cast<char>('0' + random() % 10);
      if (random() % 10 == 0) z += random() % 2 ? "e3" : "m";
      bytes += std::to_string(372000 + i % 7) + mark + "50" + sep + "5812000" + sep + z + "\n";
      want.push_back(Strtod(z, mark));
    }
    // Quotients exactly halfway between two floats, and next to it.
    for (const char* z :
         {"16777217", "-16777217.0", "16777216.5", "33554434", "0.5", "8388608.75"}) {
      std::string field = z;
      for (char& c : field) c = c == '.' ? mark : c;
      bytes += std::string("372000") + mark + "50" + sep + "5812000" + sep + field + "\n";
      want.push_back(Strtod(field, mark));
    }
    const XyzScanner scan = ScanWithExtras(bytes, separator, {});
    ASSERT_EQ(scan.points, OracleReadBytes(bytes, separator).points);
    ASSERT_EQ(scan.heights.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
      ASSERT_TRUE(scan.heights[i] == static_cast<float>(want[i]) ||
                  (std::isnan(scan.heights[i]) && std::isnan(want[i])))
          << "line " << i << ": " << scan.heights[i] << " want " << want[i];
    EXPECT_FALSE(scan.phaseX.mixed);
    EXPECT_EQ(scan.phaseX.fraction, 0.5);
    EXPECT_EQ(scan.phaseY.fraction, 0);
  }
  // Plain decimals, most lines of a portal, in bulk: the short way's
  // rounding to Float32 must be strtod's for every one.
  std::string bytes;
  std::vector<double> want;
  for (int i = 0; i < 200000; ++i) {
    std::string z = std::to_string(random() % 100000000);
    const int decimals = static_cast<int>(random() % 8);
    if (decimals) z += '.';
    for (int d = 0; d < decimals; ++d) z += static_cast<char>('0' + random() % 10);
    bytes += "356000,5645000," + z + "\n";
    want.push_back(Strtod(z, '.'));
  }
  const XyzScanner bulk = ScanWithExtras(bytes, XyzSeparator::kComma, {});
  ASSERT_EQ(bulk.heights.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(bulk.heights[i], static_cast<float>(want[i])) << "line " << i;
  // Lines that repeat the bytes behind the integer but not its fraction
  // (a sign, another decimal) still part the grid.
  for (const char* second : {"-372001.50", "372001.25", "372001.51", "$1F.50"}) {
    const std::string bytes = std::string("372000.50,5812000,1\n") + second + ",5812000,1\n";
    EXPECT_TRUE(ScanWithExtras(bytes, XyzSeparator::kComma, {}).phaseX.mixed) << second;
  }
}

}  // namespace
