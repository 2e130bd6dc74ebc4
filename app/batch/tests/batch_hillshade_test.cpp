// The hillshade against `gdaldem hillshade` of the GeoTIFF of the same
// points, read back with GDAL; its PNG form; its usage errors.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

constexpr int kWidth = 80, kHeight = 60;

// Hills, a slope and noise in centimetres, without a block of 6 x 5 points
// and two single ones (column, row from the top: `gaps`).
std::string Terrain(std::set<std::pair<int, int>>* gaps) {
  *gaps = {{10, 40}, {70, 12}};
  for (int row = 20; row < 25; ++row)
    for (int col = 30; col < 36; ++col) gaps->insert({col, row});
  std::mt19937 random(7);
  std::uniform_real_distribution<double> noise(-1.5, 1.5);
  std::string text;
  char line[96];
  for (int row = 0; row < kHeight; ++row)
    for (int col = 0; col < kWidth; ++col) {
      const double z = 100 + 30 * std::sin(col / 9.0) * std::cos(row / 7.0) + 0.04 * col * row;
      std::snprintf(line, sizeof line, "%d.00,%d.00,%.2f\n", 356000 + col, 5645000 - row,
                    z + noise(random));
      if (!gaps->count({col, row})) text += line;
    }
  return text;
}

TEST_F(BatchTest, HillshadeIsGdaldemsWithinOneLevelAndZeroWithoutAllEightNeighbours) {
  if (!HasTool("gdaldem"))
    GTEST_SKIP() << "gdaldem is not installed (scripts/install-deps: gdal-bin)";
  std::set<std::pair<int, int>> gaps;
  const std::string tile = Write("t.xyz", Terrain(&gaps)), heights = Path("heights.tif");
  ASSERT_EQ(Run({"-o", heights, tile}).exitCode, 0);
  ReadBack ours;
  for (const std::string zFactor : {"1", "3", "0.25"}) {
    SCOPED_TRACE("zfactor " + zFactor);
    const BatchResult result =
        Run({"-o", Path("shade.tif"), "--hillshade", "--zfactor", zFactor, tile});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Speichern als GeoTIFF (Schummerung)...\nDatei exportiert!"),
              std::string::npos);
    ASSERT_TRUE(RunTool("gdaldem hillshade -z " + zFactor + " " + Quoted(heights) + " " +
                        Quoted(Path("g.tif"))));
    const ReadBack before = ours, theirs = ReadBand(Path("g.tif")), placed = ReadBand(heights);
    ours = ReadBand(Path("shade.tif"));
    ASSERT_TRUE(ours.ok && theirs.ok && placed.ok);
    ASSERT_EQ(ours.width, kWidth);
    ASSERT_EQ(ours.height, kHeight);
    EXPECT_TRUE(ours.hasNodata && ours.nodata == 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ours.transform[i], placed.transform[i]) << i;
    int wrong = 0, shaded = 0;
    std::set<double> levels;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        bool whole = x > 0 && y > 0 && x + 1 < kWidth && y + 1 < kHeight;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) whole = whole && !gaps.count({x + dx, y + dy});
        const double mine = ours.At(x, y), reference = theirs.At(x, y);
        shaded += whole;
        if (whole) levels.insert(mine);
        const bool ok =
            whole ? mine >= 1 && std::abs(mine - reference) <= 1 : mine == 0 && reference == 0;
        if (!ok && ++wrong <= 5)
          ADD_FAILURE() << x << "," << y << ": " << mine << ", gdaldem " << reference;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(shaded, 78 * 58 - 8 * 7 - 2 * 9);  // the frame, the block's and the points' rings
    EXPECT_GT(levels.size(), 40u) << "a shaded terrain, not a flat one";
    if (before.ok) {
      int changed = 0;
      for (std::size_t i = 0; i < ours.values.size(); ++i)
        changed += ours.values[i] != before.values[i];
      EXPECT_GT(changed, shaded / 2) << "another z-factor shades most pixels differently";
    }
  }
  // The PNG: one grey channel of the same bytes, placed by its sidecar.
  const BatchResult png = Run(
      {"-o", Path("s.png"), "--hillshade", "--zfactor=0.25", "--crs", "EPSG:25832", "-w", tile});
  ASSERT_EQ(png.exitCode, 0) << png.err;
  const DecodedPng header = DecodePng(Path("s.png"));
  EXPECT_EQ(header.bitDepth, 8);
  EXPECT_EQ(header.colorType, PNG_COLOR_TYPE_GRAY);
  const ReadBack grey = ReadBand(Path("s.png"));
  EXPECT_EQ(grey.values, ours.values);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(grey.transform[i], ours.transform[i]) << i;
  EXPECT_EQ(Read(Path("s.pgw")), "1\n0\n0\n-1\n356000\n5645000\n");
}

// Pixels of 2 units: the slopes are over 2 units, as gdaldem reads them from
// the geotransform of the heights of the same cells.
TEST_F(BatchTest, HillshadeOfCellsShadesOverTheCellSize) {
  if (!HasTool("gdaldem"))
    GTEST_SKIP() << "gdaldem is not installed (scripts/install-deps: gdal-bin)";
  std::set<std::pair<int, int>> gaps;
  const std::string tile = Write("t.xyz", Terrain(&gaps)), heights = Path("heights.tif");
  ASSERT_EQ(Run({"--cell", "2", "-o", heights, tile}).exitCode, 0);
  ASSERT_EQ(Run({"--cell", "2", "--hillshade", "-o", Path("shade.tif"), tile}).exitCode, 0);
  ASSERT_TRUE(RunTool("gdaldem hillshade " + Quoted(heights) + " " + Quoted(Path("g.tif"))));
  const ReadBack ours = ReadBand(Path("shade.tif")), theirs = ReadBand(Path("g.tif"));
  ASSERT_TRUE(ours.ok && theirs.ok);
  ASSERT_EQ(ours.width, kWidth / 2);
  ASSERT_EQ(ours.values.size(), theirs.values.size());
  int shaded = 0;
  for (std::size_t i = 0; i < ours.values.size(); ++i) {
    shaded += ours.values[i] != 0;
    EXPECT_LE(std::abs(ours.values[i] - theirs.values[i]), theirs.values[i] == 0 ? 0 : 1) << i;
  }
  EXPECT_GT(shaded, 38 * 28 / 2);
}

TEST_F(BatchTest, HillshadeUsageErrors) {
  const std::string a = Write("a.xyz", "10,20,5\n11,20,6\n"), png = Path("m.png");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-o", png, "--hillshade", "--heightmap", a},
                                             {"-o", png, "--zfactor", "2", a},
                                             {"-o", Path("m.tif"), "--zfactor=2", a},
                                             {"-o", png, "--hillshade", "--zfactor", "steep", a},
                                             {"-o", png, "--hillshade", "--zfactor", "inf", a},
                                             {"-o", png, "--hillshade", "--zfactor"},
                                             {"--hillshade", a}}) {
    SCOPED_TRACE(args[args.size() - 2]);
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind("relivox-batch: ", 0), 0u) << result.err;
    EXPECT_FALSE(fs::exists(png) || fs::exists(Path("m.tif")));
  }
}

}  // namespace
