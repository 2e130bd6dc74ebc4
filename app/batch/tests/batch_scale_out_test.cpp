// docs/scale-out.md's promise, read back with GDAL: parts of the inputs
// run separately (file lists) and joined by gdalbuildvrt give the GeoTIFF
// of one run over all of them, pixel for pixel, and so does the COG of it.
#include <gtest/gtest.h>

#include <random>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

// A tile of w x h points from (west, north) with decimal heights, without
// the points the random draw leaves out.
std::string Tile(std::mt19937& random, std::int64_t west, std::int64_t north, int w, int h,
                 const char* fraction) {
  std::string text;
  char line[96];
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      if (random() % 23 == 0) continue;
      std::snprintf(line, sizeof line, "%lld%s,%lld%s,%.2f\n", static_cast<long long>(west + col),
                    fraction, static_cast<long long>(north - row), fraction,
                    static_cast<double>(random() % 90000) / 100 - 100);
      text += line;
    }
  return text;
}

void ExpectSameRaster(const ReadBack& joined, const ReadBack& one) {
  ASSERT_TRUE(joined.ok && one.ok);
  ASSERT_EQ(joined.width, one.width);
  ASSERT_EQ(joined.height, one.height);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(joined.transform[i], one.transform[i]) << i;
  EXPECT_TRUE(joined.hasNodata);
  EXPECT_EQ(joined.nodata, one.nodata);
  int wrong = 0;
  for (int y = 0; y < one.height; ++y)
    for (int x = 0; x < one.width; ++x)
      if (joined.At(x, y) != one.At(x, y) && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << joined.At(x, y) << ", one run "
                      << one.At(x, y);
  EXPECT_EQ(wrong, 0);
}

TEST_F(BatchTest, PartsJoinedByGdalbuildvrtAreTheOneRunPixelForPixel) {
  if (!HasTool("gdalbuildvrt") || !HasTool("gdal_translate"))
    GTEST_SKIP()
        << "gdalbuildvrt or gdal_translate is not installed (scripts/install-deps: gdal-bin)";
  std::mt19937 random(5);
  for (const char* fraction : {".00", ".50"}) {
    SCOPED_TRACE(fraction);
    const std::string grid = std::string(fraction) == ".00" ? "whole" : "half";
    // Six places of 20 x 15 in three columns, one left empty; tiles of
    // different sizes, so that each part's extent holds gaps that the other
    // part fills.
    std::vector<std::string> tiles;
    for (int place = 0; place < 6; ++place) {
      if (place == 4) continue;
      const std::int64_t west = 372000 + 20 * (place % 3), north = 5812000 - 15 * (place / 3);
      const std::string name = grid + "/t" + std::to_string(place) + ".xyz";
      tiles.push_back(Write(name, Tile(random, west, north, 20 - place, 15 - place % 2, fraction)));
    }
    const std::string all = Write(grid + "/all.txt", JoinLines(tiles));
    const std::string north =
        Write(grid + "/part-0.txt", JoinLines({tiles[0], tiles[2], tiles[4]}));
    const std::string south = Write(grid + "/part-1.txt", JoinLines({tiles[1], tiles[3]}));
    ASSERT_EQ(Run({"-o", Path(grid + "/one.tif"), "--input-file-list", all}).exitCode, 0);
    for (const std::string& list : {north, south}) {
      const std::string part = list.substr(0, list.size() - 4) + ".tif";
      const BatchResult result = Run({"-o", part, "--input-file-list", list});
      ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    const std::string vrt = Path(grid + "/mosaic.vrt"), cog = Path(grid + "/mosaic-cog.tif");
    ASSERT_TRUE(RunTool("gdalbuildvrt " + Quoted(vrt) + " " + Quoted(Path(grid + "/part-0.tif")) +
                        " " + Quoted(Path(grid + "/part-1.tif"))));
    ASSERT_TRUE(RunTool("gdal_translate -of COG " + Quoted(vrt) + " " + Quoted(cog)));
    const ReadBack one = ReadBand(Path(grid + "/one.tif"));
    ExpectSameRaster(ReadBand(vrt), one);
    ExpectSameRaster(ReadBand(cog), one);
    // Not a trivial picture: the parts differ from each other and hold values.
    const ReadBack part = ReadBand(Path(grid + "/part-1.tif"));
    EXPECT_NE(part.width * part.height, one.width * one.height);
    EXPECT_GT(
        std::count_if(one.values.begin(), one.values.end(), [](double v) { return v != -9999; }),
        1000);
  }
}

}  // namespace
