// Outputs on a grid of cells (--cell, --reduce, --extent), read back with
// GDAL: half-unit pixels, the reductions of ten-unit cells against a model
// of the points, clipping to a box, GeoTIFFs beyond the picture's 32767
// pixels, a mosaic refused for memory, and the usage errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

// A point in hundredths of a unit, its height as written.
struct Sample {
  std::int64_t x, north;  // hundredths
  std::string z;
  float Height() const { return static_cast<float>(std::strtod(z.c_str(), nullptr)); }
};

std::string Lines(const std::vector<Sample>& points) {
  std::string text;
  char line[96];
  for (const Sample& p : points) {
    std::snprintf(line, sizeof line, "%lld.%02lld,%lld.%02lld,%s\n",
                  static_cast<long long>(p.x / 100), static_cast<long long>(p.x % 100),
                  static_cast<long long>(p.north / 100), static_cast<long long>(p.north % 100),
                  p.z.c_str());
    text += line;
  }
  return text;
}

std::string Hundredths(int value) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%d.%02d", value < 0 ? "-" : "", std::abs(value) / 100,
                std::abs(value) % 100);
  return text;
}

// The picture's grey of a height: the low byte of its integer part.
std::uint32_t GreyOf(float height) {
  const auto whole = static_cast<std::int64_t>(std::trunc(height));
  return static_cast<std::uint8_t>(whole) * 0x010101u;
}

// Every pixel of the PNG is the grey of the GeoTIFF's height, black at no-data.
int PixelsUnlike(const DecodedPng& png, const Raster& tif) {
  if (!png.ok || static_cast<int>(png.width) != tif.width ||
      static_cast<int>(png.height) != tif.height)
    return -1;
  int unlike = 0;
  for (int y = 0; y < tif.height; ++y)
    for (int x = 0; x < tif.width; ++x) {
      const float v = tif.At(x, y);
      unlike += png.Rgb(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) !=
                (v == -9999 ? 0 : GreyOf(v));
    }
  return unlike;
}

TEST_F(BatchTest, HalfUnitCellsGiveEveryPointOfAHalfUnitGridItsOwnPixel) {
  std::vector<Sample> west, east;
  for (int r = 0; r < 12; ++r)
    for (int c = 0; c < 16; ++c)
      (c < 8 ? west : east)
          .push_back({37200025 + c * 50, 581200075 - r * 50, Hundredths(10037 + c * 301 + r * 7)});
  const std::string a = Write("west.xyz", Lines(west)), b = Write("east.xyz", Lines(east));
  BatchResult result = Run({"--cell", "0.5", "-o", Path("g.tif"), "-w", a, b});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, SummaryLine(2)) << "no warning: the tiles share the grid";
  const Raster tif = ReadRaster(Path("g.tif"));
  ASSERT_TRUE(tif.ok);
  ASSERT_EQ(tif.width, 16);
  ASSERT_EQ(tif.height, 12);
  const double expected[6] = {372000, 0.5, 0, 5812001, 0, -0.5};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tif.transform[i], expected[i]) << i;
  int filled = 0;
  for (const auto* tile : {&west, &east})
    for (const Sample& p : *tile) {
      const double x = static_cast<double>(p.x) / 100, north = static_cast<double>(p.north) / 100;
      const int column = static_cast<int>(std::floor((x - tif.transform[0]) / tif.transform[1]));
      const int row = static_cast<int>(std::floor((north - tif.transform[3]) / tif.transform[5]));
      filled += tif.At(column, row) == p.Height();
    }
  EXPECT_EQ(filled, 16 * 12) << "each point reads its own value at its coordinates";
  EXPECT_EQ(Read(Path("g.tfw")), "0.5\n0\n0\n-0.5\n372000.25\n5812000.75\n");
  // The picture of the same run shows the same pixels.
  result = Run({"--cell", "0.5", "-o", Path("g.png"), a, b});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(PixelsUnlike(DecodePng(Path("g.png")), tif), 0);
}

TEST_F(BatchTest, TenUnitCellsReduceThePointsOfEveryFileThatFallsIntoThem) {
  std::mt19937 random(11);
  // Three small tiles that overlap and one of 20000 points in random
  // order (several chunks, its cells growing every way) over all of them.
  std::vector<std::vector<Sample>> tiles(4);
  for (int t = 0; t < 4; ++t) {
    const int count = t == 3 ? 20000 : 150;
    const std::int64_t x0 = t == 3 ? 100000 : 100000 + t * 1700,
                       n0 = t == 3 ? 500000 : 500000 + t * 900;
    const int wide = t == 3 ? 6400 : 3000, tall = t == 3 ? 4300 : 2500;
    for (int i = 0; i < count; ++i)
      tiles[t].push_back({x0 + static_cast<std::int64_t>(random() % wide),
                          n0 + static_cast<std::int64_t>(random() % tall),
                          Hundredths(static_cast<int>(random() % 50000) - 10000)});
  }
  std::vector<std::string> inputs;
  for (int t = 0; t < 4; ++t)
    inputs.push_back(Write("t" + std::to_string(t) + ".xyz", Lines(tiles[t])));
  // The model: per cell (trunc of x / 10, of the northing / 10) over every tile.
  struct Cell {
    double sum = 0;
    int count = 0;
    float min = INFINITY, max = -INFINITY;
    std::set<int> tiles;
  };
  std::map<std::pair<std::int64_t, std::int64_t>, Cell> cells;
  std::int64_t minColumn = INT64_MAX, maxNorthCell = INT64_MIN;
  for (int t = 0; t < 4; ++t)
    for (const Sample& p : tiles[t]) {
      Cell& cell = cells[{p.x / 1000, p.north / 1000}];
      cell.sum += p.Height();
      ++cell.count;
      cell.min = std::min(cell.min, p.Height());
      cell.max = std::max(cell.max, p.Height());
      cell.tiles.insert(t);
      minColumn = std::min(minColumn, p.x / 1000);
      maxNorthCell = std::max(maxNorthCell, p.north / 1000);
    }
  const int shared = static_cast<int>(std::count_if(
      cells.begin(), cells.end(), [](const auto& c) { return c.second.tiles.size() > 1; }));
  ASSERT_GT(shared, 10) << "cells with points of several files";

  for (const char* reduce : {"", "min", "max"}) {
    SCOPED_TRACE(*reduce ? reduce : "mean by default");
    std::vector<std::string> args = {"--cell", "10", "-o", Path("c.tif")};
    if (*reduce) args.insert(args.end(), {"--reduce", reduce});
    args.insert(args.end(), inputs.begin(), inputs.end());
    const BatchResult result = Run(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Raster tif = ReadRaster(Path("c.tif"));
    ASSERT_TRUE(tif.ok);
    ASSERT_EQ(tif.width, 7);
    ASSERT_EQ(tif.height, 5);
    // Mixed fractions of x / 10: centres in the middle of the cells, which start at 0.
    const double expected[6] = {minColumn * 10.0, 10, 0, (maxNorthCell + 1) * 10.0, 0, -10};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tif.transform[i], expected[i]) << i;
    int wrong = 0;
    for (int y = 0; y < tif.height; ++y)
      for (int x = 0; x < tif.width; ++x) {
        const auto found = cells.find({minColumn + x, maxNorthCell - y});
        const float value = tif.At(x, y);
        if (found == cells.end()) {
          wrong += value != -9999;
          continue;
        }
        const Cell& c = found->second;
        const std::string how = reduce;
        const double want = how.empty() ? c.sum / c.count : how == "min" ? c.min : c.max;
        if (std::fabs(value - want) > 1e-3 && ++wrong <= 5)
          ADD_FAILURE() << "cell " << x << "," << y << ": " << value << " want " << want;
      }
    EXPECT_EQ(wrong, 0);
    if (!*reduce) {  // the picture of the means shows the GeoTIFF's pixels
      std::vector<std::string> png = args;
      png[3] = Path("c.png");
      ASSERT_EQ(Run(png).exitCode, 0);
      EXPECT_EQ(PixelsUnlike(DecodePng(Path("c.png")), tif), 0);
    }
  }
}

TEST_F(BatchTest, AnExtentKeepsThePointsInsideAndCoversTheCellsTheyCanFallInto) {
  // Whole units 1000..1039 x 5000..5029, z = 1000 * column + row.
  std::vector<Sample> west, east;
  for (int n = 5000; n < 5030; ++n)
    for (int x = 1000; x < 1040; ++x)
      (x < 1020 ? west : east)
          .push_back({x * 100, n * 100, std::to_string((x - 1000) * 1000 + n - 5000)});
  const std::string a = Write("west.xyz", Lines(west)), b = Write("east.xyz", Lines(east));
  const std::string away = Write("away.xyz", Lines({{300000, 700000, "1"}}));
  // x in [1005, 1021.5): cells 201 to 204, of which 204 holds x = 1020 and
  // 1021 only; northings in [5003, 5050): cells 1000 to 1009, the top four
  // empty.
  const BatchResult result = Run({"--cell", "5", "--reduce", "max", "--extent", "1005", "5003",
                                  "1021.5", "5050", "-o", Path("e.tif"), a, b, away});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, SummaryLine(3)) << "a file outside the box is loaded all the same";
  const Raster tif = ReadRaster(Path("e.tif"));
  ASSERT_TRUE(tif.ok);
  ASSERT_EQ(tif.width, 4);
  ASSERT_EQ(tif.height, 10);
  const double expected[6] = {1005, 5, 0, 5050, 0, -5};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tif.transform[i], expected[i]) << i;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 4; ++x) {
      const int northCell = 1009 - y;
      float want = -9999;
      for (const auto* tile : {&west, &east})
        for (const Sample& p : *tile) {
          const std::int64_t e = p.x / 100, n = p.north / 100;
          if (e >= 1005 && e * 10 < 10215 && n >= 5003 && n < 5050 && e / 5 == 201 + x &&
              n / 5 == northCell)
            want = std::max(want, p.Height());
        }
      EXPECT_EQ(tif.At(x, y), want) << x << "," << y;
    }
  EXPECT_EQ(tif.At(3, 9), 21000 + 4) << "x = 1021, the top northing of cell 1000 (5004)";
}

TEST_F(BatchTest, GdalOutputsGoBeyondThePicturesLimitWhichPngOutputsKeep) {
  const std::string wide = Write("wide.xyz", XyzText({{1, 1, 5}, {40000, 100, 7}}));
  BatchResult result = Run({"-o", Path("wide.tif"), wide});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Raster tif = ReadRaster(Path("wide.tif"));
  ASSERT_TRUE(tif.ok);
  ASSERT_EQ(tif.width, 40000);
  ASSERT_EQ(tif.height, 100);
  EXPECT_EQ(tif.At(0, 99), 5);
  EXPECT_EQ(tif.At(39999, 0), 7);
  EXPECT_EQ(tif.At(20000, 50), -9999);
  result = Run({"-o", Path("wide.png"), wide});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("wide.xyz: Kachel zu groß (40000 x 100)\n"), std::string::npos)
      << result.out;
  EXPECT_FALSE(fs::exists(Path("wide.png")));
}

TEST_F(BatchTest, AMosaicBeyondTheMemoryThereIsIsRefusedBeforeItIsMade) {
  // A box gives the size before anything is read: 400 TB of Float32.
  const BatchResult boxed =
      Run({"--extent", "0", "0", "1e7", "1e7", "-o", Path("box.tif"), Write("c.xyz", "5,5,5\n")});
  EXPECT_EQ(boxed.exitCode, 1);
  EXPECT_EQ(boxed.out, "");
  EXPECT_EQ(boxed.err.rfind(
                "relivox-batch: Zu wenig Speicher für das Mosaik (10000000 x 10000000 Pixel", 0),
            0u)
      << boxed.err;
  fs::remove(Path("c.xyz"));
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than the limit allows";
#endif
  Write("a.xyz", XyzText({{1, 1, 5}}));
  Write("b.xyz", XyzText({{40000, 40000, 7}}));  // with a.xyz: 40000 x 40000, 6.4 GB of Float32
  BatchRun run;
  run.tmpdir = Tmp();
  run.addressSpaceLimit = rlim_t{1} << 30;
  run.args = {"-o", Path("far.tif"), Path("a.xyz"), Path("b.xyz")};
  const BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out.find("Speichern"), std::string::npos) << result.out;
  const std::string reason =
      "relivox-batch: Zu wenig Speicher für das Mosaik (40000 x 40000 Pixel brauchen 6200 MiB, "
      "verfügbar sind ";
  EXPECT_NE(result.err.find(SummaryLine(2) + reason), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(" MiB), " + Path("far.tif") + " wurde nicht geschrieben.\n"),
            std::string::npos);
  EXPECT_EQ(Listing(scratch_).size(), 3u) << "only the inputs and the empty TMPDIR";
}

TEST_F(BatchTest, GridOptionsOutOfRangeAreUsageErrors) {
  const std::string a = Write("a.xyz", "10,20,5\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--cell", "0"},
      {"--cell", "-2"},
      {"--cell", "ten"},
      {"--cell=1x"},
      {"--cell"},
      {"--reduce", "median"},
      {"--extent", "1", "2", "1", "3"},
      {"--extent", "1", "2", "3", "2"},
      {"--extent", "1", "2", "3"},
      {"--cell", "1e-300", "--extent", "0", "0", "1e10", "1"},
  };
  for (auto args : cases) {
    std::string label;
    for (const auto& arg : args) label += " " + arg;
    SCOPED_TRACE(label);
    // The output last: a missing value must not take it.
    args.insert(args.begin(), a);
    args.insert(args.end(), {"-o", Path("m.tif")});
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err.rfind("relivox-batch: ", 0), 0u) << result.err;
    EXPECT_FALSE(fs::exists(Path("m.tif")));
  }
  EXPECT_EQ(Run({"--cell", "2", a}).exitCode, 2) << "grid options need -o";
  EXPECT_EQ(Run({"--reduce", "mean", "-o", Path("m.tif"), a}).exitCode, 0)
      << "any reduction at --cell 1";
}

}  // namespace
