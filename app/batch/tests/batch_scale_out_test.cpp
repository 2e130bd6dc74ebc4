// docs/scale-out.md's promise, read back with GDAL: parts of the inputs run
// separately (file lists) and joined by gdalbuildvrt give the GeoTIFF of
// one run over all of them pixel for pixel, and so does the COG of it.
#include <gtest/gtest.h>

#include <random>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

TEST_F(BatchTest, PartsJoinedByGdalbuildvrtAreTheOneRunPixelForPixel) {
  if (!HasTool("gdalbuildvrt") || !HasTool("gdal_translate"))
    GTEST_SKIP()
        << "gdalbuildvrt or gdal_translate is not installed (scripts/install-deps: gdal-bin)";
  std::mt19937 random(5);
  for (const std::string fraction : {".00", ".50"}) {
    SCOPED_TRACE(fraction);
    const std::string grid = fraction == ".00" ? "whole/" : "half/";
    // Five tiles of different sizes on six places of 20 x 15 (one empty),
    // points left out: each part's extent has gaps that the other fills.
    std::vector<std::string> tiles;
    for (int place : {0, 1, 2, 3, 5}) {
      std::string text;
      for (int row = 0; row < 15 - place % 2; ++row)
        for (int col = 0; col < 20 - place; ++col)
          if (random() % 23)
            text += std::to_string(372000 + 20 * (place % 3) + col) + fraction + "," +
                    std::to_string(5812000 - 15 * (place / 3) - row) + fraction + "," +
                    std::to_string(static_cast<int>(random() % 90000) - 10000) + ".25\n";
      tiles.push_back(Write(grid + "t" + std::to_string(place) + ".xyz", text));
    }
    const std::vector<std::vector<std::string>> lists = {
        tiles, {tiles[0], tiles[2], tiles[4]}, {tiles[1], tiles[3]}};
    const std::string names[] = {"one", "part-0", "part-1"};
    for (int i = 0; i < 3; ++i) {
      const std::string list = Write(grid + names[i] + ".txt", JoinLines(lists[i]));
      const BatchResult result =
          Run({"-o", Path(grid + names[i] + ".tif"), "--input-file-list", list});
      ASSERT_EQ(result.exitCode, 0) << result.err;
    }
    const std::string vrt = Path(grid + "mosaic.vrt"), cog = Path(grid + "mosaic-cog.tif");
    ASSERT_TRUE(RunTool("gdalbuildvrt " + Quoted(vrt) + " " + Quoted(Path(grid + "part-0.tif")) +
                        " " + Quoted(Path(grid + "part-1.tif"))));
    ASSERT_TRUE(RunTool("gdal_translate -of COG " + Quoted(vrt) + " " + Quoted(cog)));
    const ReadBack one = ReadBand(Path(grid + "one.tif")),
                   part = ReadBand(Path(grid + "part-1.tif"));
    ASSERT_TRUE(one.ok && part.ok);
    EXPECT_LT(part.width * part.height, one.width * one.height);
    EXPECT_GT(std::count(one.values.begin(), one.values.end(), -9999.0), 100) << "gaps to fill";
    for (const std::string& joined : {vrt, cog}) {
      SCOPED_TRACE(joined);
      const ReadBack r = ReadBand(joined);
      ASSERT_TRUE(r.ok);
      ASSERT_EQ(r.width, one.width);
      ASSERT_EQ(r.height, one.height);
      for (int i = 0; i < 6; ++i) EXPECT_EQ(r.transform[i], one.transform[i]) << i;
      EXPECT_TRUE(r.hasNodata && r.nodata == one.nodata);
      std::size_t wrong = 0;
      for (std::size_t i = 0; i < r.values.size(); ++i) wrong += r.values[i] != one.values[i];
      EXPECT_EQ(wrong, 0u);
    }
  }
}

}  // namespace
