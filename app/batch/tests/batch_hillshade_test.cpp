// The hillshade, read back with GDAL against `gdaldem hillshade` of the
// GeoTIFF of the same points: the grey values, the no-data frame at the
// edges and around gaps, --zfactor, the PNG form and the usage errors.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

constexpr int kWidth = 80, kHeight = 60;
constexpr std::int64_t kWest = 356000, kNorth = 5645000;

// Hills, a slope and noise in centimetres, without the points of `gaps`
// (column, row from the top).
std::string Terrain(const std::set<std::pair<int, int>>& gaps) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-1.5, 1.5);
  std::string text;
  char line[96];
  for (int row = 0; row < kHeight; ++row)
    for (int col = 0; col < kWidth; ++col) {
      const double z =
          100 + 30 * std::sin(col / 9.0) * std::cos(row / 7.0) + 0.04 * col * row + noise(random);
      if (gaps.count({col, row})) continue;
      std::snprintf(line, sizeof line, "%lld.00,%lld.00,%.2f\n",
                    static_cast<long long>(kWest + col), static_cast<long long>(kNorth - row), z);
      text += line;
    }
  return text;
}

std::set<std::pair<int, int>> Gaps() {
  std::set<std::pair<int, int>> gaps = {{10, 40}, {70, 12}};
  for (int row = 20; row < 25; ++row)
    for (int col = 30; col < 36; ++col) gaps.insert({col, row});
  return gaps;
}

class HillshadeTest : public BatchTest {
 protected:
  void SetUp() override {
    BatchTest::SetUp();
    if (!HasTool("gdaldem"))
      GTEST_SKIP() << "gdaldem is not installed (scripts/install-deps: gdal-bin)";
    tile_ = Write("t.xyz", Terrain(Gaps()));
    ASSERT_EQ(Run({"-o", Path("heights.tif"), tile_}).exitCode, 0);
  }
  // gdaldem's hillshade of our heights with this -z.
  ReadBack Gdaldem(const std::string& zFactor) const {
    const std::string out = Path("gdaldem-" + zFactor + ".tif");
    EXPECT_TRUE(RunTool("gdaldem hillshade -z " + zFactor + " " + Quoted(Path("heights.tif")) +
                        " " + Quoted(out)));
    return ReadBand(out);
  }
  std::string tile_;
};

TEST_F(HillshadeTest, GreyValuesAreGdaldemsWithinOneLevelAndZeroWithoutAllNeighbours) {
  const auto gaps = Gaps();
  ReadBack previous;
  for (const std::string zFactor : {"1", "3", "0.25"}) {
    SCOPED_TRACE("zfactor " + zFactor);
    const BatchResult result =
        Run({"-o", Path("shade.tif"), "--hillshade", "--zfactor", zFactor, tile_});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Speichern als GeoTIFF (Schummerung)...\nDatei exportiert!"),
              std::string::npos)
        << result.out;
    const ReadBack ours = ReadBand(Path("shade.tif"));
    const ReadBack heights = ReadBand(Path("heights.tif"));
    const ReadBack theirs = Gdaldem(zFactor);
    ASSERT_TRUE(ours.ok && theirs.ok && heights.ok);
    ASSERT_EQ(ours.width, kWidth);
    ASSERT_EQ(ours.height, kHeight);
    EXPECT_EQ(ours.type, GDT_Byte);
    EXPECT_TRUE(ours.hasNodata && ours.nodata == 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ours.transform[i], heights.transform[i]) << i;
    int far = 0, lit = 0;
    std::set<double> levels;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        bool whole = x > 0 && y > 0 && x + 1 < kWidth && y + 1 < kHeight;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) whole = whole && !gaps.count({x + dx, y + dy});
        const double mine = ours.At(x, y), reference = theirs.At(x, y);
        if (!whole) {
          if ((mine != 0 || reference != 0) && ++far <= 5)
            ADD_FAILURE() << "pixel " << x << "," << y << " lacks a neighbour: " << mine
                          << ", gdaldem " << reference;
          continue;
        }
        ++lit;
        levels.insert(mine);
        if ((mine < 1 || std::abs(mine - reference) > 1) && ++far <= 5)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << mine << ", gdaldem " << reference;
      }
    EXPECT_EQ(far, 0);
    EXPECT_EQ(lit, (kWidth - 2) * (kHeight - 2) - 8 * 7 - 2 * 9);
    EXPECT_GT(levels.size(), 40u) << "a shaded terrain, not a flat one";
    // Another z-factor shades most pixels differently.
    if (previous.ok) {
      int changed = 0;
      for (std::size_t i = 0; i < ours.values.size(); ++i)
        changed += ours.values[i] != previous.values[i];
      EXPECT_GT(changed, lit / 2);
    }
    previous = ours;
  }
}

TEST_F(HillshadeTest, PngIsOneGreyChannelOfTheSameShadeWithItsPlaceWhenACrsIsGiven) {
  ASSERT_EQ(Run({"-o", Path("shade.tif"), "--hillshade", tile_}).exitCode, 0);
  const BatchResult result =
      Run({"-o", Path("shade.png"), "--hillshade", "--crs", "EPSG:25832", "-w", tile_});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Speichern als PNG (Schummerung)...\nDatei exportiert!"),
            std::string::npos);
  const DecodedPng header = DecodePng(Path("shade.png"));
  EXPECT_EQ(header.bitDepth, 8);
  EXPECT_EQ(header.colorType, PNG_COLOR_TYPE_GRAY);
  EXPECT_EQ(header.channels, 1);
  const ReadBack png = ReadBand(Path("shade.png")), tif = ReadBand(Path("shade.tif"));
  ASSERT_TRUE(png.ok && tif.ok);
  EXPECT_EQ(png.values, tif.values);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(png.transform[i], tif.transform[i]) << i;
  EXPECT_TRUE(fs::exists(Path("shade.png.aux.xml")));
  EXPECT_EQ(Read(Path("shade.pgw")), "1\n0\n0\n-1\n356000\n5645000\n");
  // Without --crs no sidecar, as the other PNGs.
  ASSERT_EQ(Run({"-o", Path("plain.png"), "--hillshade", tile_}).exitCode, 0);
  EXPECT_FALSE(fs::exists(Path("plain.png.aux.xml")));
  EXPECT_EQ(ReadBand(Path("plain.png")).values, tif.values);
}

TEST_F(BatchTest, HillshadeUsageErrors) {
  const std::string a = Write("a.xyz", "10,20,5\n11,20,6\n");
  const std::vector<std::vector<std::string>> cases = {
      {"-o", Path("m.png"), "--hillshade", "--heightmap", a},
      {"-o", Path("m.png"), "--zfactor", "2", a},
      {"-o", Path("m.tif"), "--zfactor=2", a},
      {"-o", Path("m.png"), "--hillshade", "--zfactor", "steep", a},
      {"-o", Path("m.png"), "--hillshade", "--zfactor", "inf", a},
      {"-o", Path("m.png"), "--hillshade", "--zfactor"},
      {"--hillshade", a},
      {"-o", Path("m.tif"), "--hillshade", "-f", "NoSuchDriver", a},
  };
  for (const auto& args : cases) {
    std::string label;
    for (const auto& arg : args) label += " " + arg;
    SCOPED_TRACE(label);
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("relivox-batch: ", 0), 0u) << result.err;
    EXPECT_FALSE(fs::exists(Path("m.tif")) || fs::exists(Path("m.png")));
  }
}

}  // namespace
