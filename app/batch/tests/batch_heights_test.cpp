// The outputs of heights, read back with GDAL: GeoTIFF values and gaps
// against the points (the same point as the picture's grey), where the
// pixels lie, the coordinate system, the 16-bit heightmap, and the usage
// errors and failed writes of these outputs.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>

#include <cstdlib>
#include <random>

#include "app/batch/tests/batch_fixture.h"
#include "app/batch/tests/raster_read.h"

namespace {

bool SameCrs(const std::string& wkt, const char* requested) {
  OGRSpatialReferenceH a = OSRNewSpatialReference(nullptr), b = OSRNewSpatialReference(nullptr);
  const bool same = OSRSetFromUserInput(a, requested) == OGRERR_NONE && !wkt.empty() &&
                    OSRSetFromUserInput(b, wkt.c_str()) == OGRERR_NONE && OSRIsSame(a, b);
  OSRDestroySpatialReference(a);
  OSRDestroySpatialReference(b);
  return same;
}

// A point as written: the text of its fields, and z as strtod reads it.
struct Point {
  std::int64_t x, north;
  std::string z;
  float Height() const { return static_cast<float>(std::strtod(z.c_str(), nullptr)); }
  int Grey() const { return static_cast<int>(static_cast<std::uint8_t>(std::atoll(z.c_str()))); }
};

std::string Lines(const std::vector<Point>& points, const char* fraction = ".00") {
  std::string text;
  for (const auto& p : points)
    text += std::to_string(p.x) + fraction + "," + std::to_string(p.north) + fraction + "," + p.z + "\n";
  return text;
}

TEST_F(BatchTest, GeoTiffHoldsTheHeightOfThePointThatWinsThePictureToo) {
  std::mt19937 random(18);
  for (int set = 0; set < 3; ++set) {
    SCOPED_TRACE("set " + std::to_string(set));
    // Tiles over a 30 x 20 area that overlap, with gaps inside and between
    // them and points repeated on a pixel within a tile.
    std::vector<std::string> args = {"-o", Path("m.tif")};
    std::vector<std::vector<Point>> tiles;
    for (int t = 0; t < 6; ++t) {
      std::vector<Point> points;
      const int x0 = random() % 20, y0 = random() % 12;
      for (int i = 0; i < 60; ++i) {
        const std::int64_t x = 1000 + x0 + random() % 10, north = 5000 + y0 + random() % 8;
        const int cents = static_cast<int>(random() % 400000) - 100000;
        char z[32];
        std::snprintf(z, sizeof z, "%s%d.%02d", cents < 0 ? "-" : "", std::abs(cents) / 100,
                      std::abs(cents) % 100);
        points.push_back({x, north, z});
      }
      tiles.push_back(points);
      args.push_back(Write("s" + std::to_string(set) + "t" + std::to_string(t) + ".xyz", Lines(points)));
    }
    ASSERT_EQ(Run(args).exitCode, 0);
    args[1] = Path("m.png");
    ASSERT_EQ(Run(args).exitCode, 0);
    const Raster tif = ReadRaster(Path("m.tif"));
    const DecodedPng png = DecodePng(Path("m.png"));
    ASSERT_TRUE(tif.ok && png.ok);
    ASSERT_TRUE(tif.hasNodata);
    EXPECT_EQ(tif.nodata, -9999);
    std::int64_t minX = INT64_MAX, maxNorth = INT64_MIN;
    for (const auto& tile : tiles)
      for (const auto& p : tile) minX = std::min(minX, p.x), maxNorth = std::max(maxNorth, p.north);
    ASSERT_EQ(tif.width, static_cast<int>(png.width));
    ASSERT_EQ(tif.height, static_cast<int>(png.height));
    // Whole-unit grid: pixel centres on the units, as the world file had them.
    EXPECT_EQ(tif.transform[0], minX - 0.5);
    EXPECT_EQ(tif.transform[3], maxNorth + 0.5);
    int wrong = 0, filled = 0;
    for (int y = 0; y < tif.height; ++y)
      for (int x = 0; x < tif.width; ++x) {
        // Each tile's last point on the pixel may win it.
        std::vector<const Point*> candidates;
        for (const auto& tile : tiles) {
          const Point* last = nullptr;
          for (const auto& p : tile)
            if (p.x - minX == x && maxNorth - p.north == y) last = &p;
          if (last) candidates.push_back(last);
        }
        const float value = tif.At(x, y);
        const std::uint32_t rgb = png.Rgb(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
        if (candidates.empty()) {
          wrong += value != -9999 || rgb != 0;
          continue;
        }
        ++filled;
        const auto winner = std::find_if(candidates.begin(), candidates.end(),
                                         [&](const Point* p) { return p->Height() == value; });
        const bool ok = winner != candidates.end() &&
                        rgb == static_cast<std::uint32_t>((*winner)->Grey() * 0x010101);
        if (!ok && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y << ": " << value;
      }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(filled, 100);
  }
}

TEST_F(BatchTest, PixelCentresFollowTheGridAndAPointReadsItsOwnValueAtItsCoordinates) {
  const std::vector<Point> points = {{372000, 5812000, "41.5"}, {372001, 5812000, "42.25"},
                                     {372000, 5811998, "-3.5"}, {372003, 5811999, "7"}};
  const struct {
    const char* fraction;
    double offset;
  } grids[] = {{".00", 0}, {".50", 0.5}, {".25", 0.25}};
  for (const auto& grid : grids) {
    SCOPED_TRACE(grid.fraction);
    const BatchResult result =
        Run({"-o", Path("m.tif"), "-w", Write("g.xyz", Lines(points, grid.fraction))});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, SummaryLine(1)) << "no warning";
    const Raster tif = ReadRaster(Path("m.tif"));
    ASSERT_TRUE(tif.ok);
    const double expected[6] = {372000 + grid.offset - 0.5, 1, 0, 5812000 + grid.offset + 0.5, 0, -1};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tif.transform[i], expected[i]) << i;
    for (const auto& p : points) {
      const double e = static_cast<double>(p.x) + grid.offset, n = static_cast<double>(p.north) + grid.offset;
      const int column = static_cast<int>(std::floor((e - tif.transform[0]) / tif.transform[1]));
      const int row = static_cast<int>(std::floor((n - tif.transform[3]) / tif.transform[5]));
      EXPECT_EQ(tif.At(column, row), p.Height()) << e << " " << n;
    }
    // The world file moves by the same fraction (m.tif: m.tfw).
    const std::string f = std::string(grid.fraction) == ".00" ? "" : grid.fraction;
    const std::string decimals = f == ".50" ? ".5" : f;
    EXPECT_EQ(Read(Path("m.tfw")), "1\n0\n0\n-1\n372000" + decimals + "\n5812000" + decimals + "\n");
  }
  // Tiles on different grids: the middle of the cells, and one warning line.
  const BatchResult mixed = Run({"-o", Path("mixed.png"), "-w", Write("a.xyz", Lines({points[0]}, ".50")),
                                 Write("b.xyz", Lines({points[3]}, ".00"))});
  EXPECT_EQ(mixed.exitCode, 0);
  EXPECT_EQ(std::count(mixed.err.begin(), mixed.err.end(), '\n'), 2) << mixed.err;
  EXPECT_EQ(mixed.err.substr(mixed.err.find('\n') + 1), SummaryLine(2)) << "a warning, then the summary";
  EXPECT_EQ(Read(Path("mixed.pgw")), "1\n0\n0\n-1\n372000.5\n5812000.5\n");
}

TEST_F(BatchTest, TheCoordinateSystemIsInTheGeoTiffAndBesideThePng) {
  const std::string tile = Write("t.xyz", Lines({{356000, 5645000, "12.5"}, {356002, 5644999, "13"}}, ".50"));
  for (const char* crs : {"EPSG:25832", "EPSG:4647", "+proj=utm +zone=33 +ellps=GRS80 +units=m +no_defs"}) {
    SCOPED_TRACE(crs);
    for (const char* output : {"c.tif", "c.png"}) {
      ASSERT_EQ(Run({"-o", Path(output), "--crs", crs, tile}).exitCode, 0);
      const Raster r = ReadRaster(Path(output));
      ASSERT_TRUE(r.ok) << output;
      EXPECT_TRUE(SameCrs(r.wkt, crs)) << output << ": " << r.wkt;
      EXPECT_EQ(r.transform[0], 356000.0) << output;
      EXPECT_EQ(r.transform[3], 5645001.0) << output;
    }
  }
  EXPECT_TRUE(fs::exists(Path("c.png.aux.xml")));
  // The picture itself is the one written without --crs.
  ASSERT_EQ(Run({"-o", Path("plain.png"), tile}).exitCode, 0);
  EXPECT_EQ(Read(Path("plain.png")), Read(Path("c.png")));
  EXPECT_FALSE(fs::exists(Path("plain.png.aux.xml")));
}

TEST_F(BatchTest, HeightmapStretchesTheHeightsOverSixteenBitsOrTheRangeGiven) {
  std::vector<Point> points;
  for (int i = 0; i <= 20; ++i) points.push_back({100 + i, 200, std::to_string(200 + i * 6) + ".0"});
  points.push_back({100, 198, "250.5"});  // row 1 is a gap but for this
  const std::string tile = Write("h.xyz", Lines(points));
  BatchResult result = Run({"-o", Path("h.png"), "--heightmap", tile});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "Höhenbereich: 200 .. 320\n" + SummaryLine(1));
  const DecodedPng png = DecodePng(Path("h.png"));
  EXPECT_EQ(png.bitDepth, 16);
  EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_GRAY);
  Raster r = ReadRaster(Path("h.png"));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.width, 21);
  ASSERT_EQ(r.height, 3);
  for (int i = 0; i <= 20; ++i)
    EXPECT_EQ(r.At(i, 0), std::lround(i * 6 * 65535.0 / 120)) << i;
  EXPECT_EQ(r.At(0, 2), std::lround(50.5 * 65535.0 / 120));
  EXPECT_EQ(r.At(5, 1), 0);  // gap
  EXPECT_EQ(r.At(5, 2), 0);

  result = Run({"-o", Path("r.png"), "--heightmap", "--range", "230", "290", tile});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "Höhenbereich: 230 .. 290\n" + SummaryLine(1));
  r = ReadRaster(Path("r.png"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.At(0, 0), 0);       // 200: below, clamped
  EXPECT_EQ(r.At(5, 0), 0);       // 230
  EXPECT_EQ(r.At(10, 0), 32768);  // 260: the middle, rounded up
  EXPECT_EQ(r.At(15, 0), 65535);  // 290
  EXPECT_EQ(r.At(20, 0), 65535);  // 320: above, clamped
}

TEST_F(BatchTest, OutputOptionsGdalRefusesAreUsageErrors) {
  const std::string a = Write("a.xyz", "10,20,5\n");
  const std::vector<std::vector<std::string>> cases = {
      {"-o", Path("m.tif"), "-f", "NoSuchDriver", a},
      {"-o", Path("m.tif"), "-f", "MEM", a},
      {"-o", Path("m.tif"), "--co", "NO_SUCH_OPTION=1", a},
      {"-o", Path("m.tif"), "--co", "COMPRESS=NOPE", a},
      {"-o", Path("m.tif"), "--crs", "EPSG:99999999", a},
      {"-o", Path("m.png"), "--crs", "not a crs", a},
      {"-o", Path("m.tif"), "--heightmap", a},
      {"-o", Path("m.png"), "--range", "1", "2", a},
      {"-o", Path("m.png"), "--heightmap", "--range", "2", "1", a},
      {"-f", "GTiff", a},
      {"-o", Path("m.tif"), "--nodata", "x", a},
  };
  for (const auto& args : cases) {
    std::string label;
    for (const auto& arg : args) label += " " + arg;
    SCOPED_TRACE(label);
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("relivox-batch: ", 0), 0u) << result.err;
    EXPECT_TRUE(fs::is_empty(scratch_ / "tmp"));
    EXPECT_FALSE(fs::exists(Path("m.tif")) || fs::exists(Path("m.png")));
  }
  // GDAL's own words reach the user.
  EXPECT_NE(Run({"-o", Path("m.tif"), "--co", "NO_SUCH_OPTION=1", a}).err.find("NO_SUCH_OPTION"),
            std::string::npos);
  // Other drivers take the same heights.
  ASSERT_EQ(Run({"-o", Path("m.asc"), "-f", "AAIGrid", a}).exitCode, 0);
  const Raster grid = ReadRaster(Path("m.asc"));
  ASSERT_TRUE(grid.ok);
  EXPECT_EQ(grid.At(0, 0), 5.0f);
}

// GDAL and its hundred libraries are loaded by the outputs that need them
// only; without its module the program still writes pictures.
TEST_F(BatchTest, GdalIsLoadedOnlyForOutputsThatNeedIt) {
  const std::string a = Write("a.xyz", "10,20,5\n");
  BatchRun run;
  run.windowRules = false;
  run.cwd = scratch_.string();
  run.tmpdir = Tmp();
  run.env["LD_DEBUG"] = "files";
  run.args = {"-o", Path("m.png"), a};
  BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err.find("libgdal"), std::string::npos);
  run.args = {"-o", Path("m.tif"), a};
  result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.err.find("librelivox-gdal.so"), std::string::npos);

  fs::create_directories(scratch_ / "bin");
  run.program = (scratch_ / "bin" / "relivox-batch").string();
  fs::copy_file(RELIVOX_BATCH, run.program);
  run.env.clear();
  run.args = {"-o", Path("lone.tif"), a};
  result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("relivox-batch: GDAL outputs are not available: "), std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(Path("lone.tif")));
  run.args = {"-o", Path("lone.png"), a};
  EXPECT_EQ(RunBatch(run).exitCode, 0);
  EXPECT_TRUE(fs::exists(Path("lone.png")));
}

TEST_F(BatchTest, AnOutputThatCannotBeWrittenLeavesNothingAndExitsOne) {
  std::string text;
  for (int r = 0; r < 200; ++r)
    for (int c = 0; c < 200; ++c)
      text += std::to_string(1000 + c) + "," + std::to_string(5000 - r) + "," +
              std::to_string((c * 7919 + r * 104729) % 100000) + ".37\n";
  const std::string tile = Write("big.xyz", text);
  fs::create_directories(Path("out"));
  fs::create_directories(Path("out/folder.tif"));
  for (const std::string& output :
       {Path("missing/m.tif"), Path("out/folder.tif"), Path("missing/h.png")}) {
    SCOPED_TRACE(output);
    std::vector<std::string> args = {"-o", output, "-w", tile};
    if (output.find(".png") != std::string::npos) args.insert(args.begin(), "--heightmap");
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("Fehler beim Export der Datei!"), std::string::npos);
  }
  // A full disk: writes beyond 64 KiB fail (the limit on a file's size).
  const std::string command = "cd '" + Path("out") + "' && sh -c 'trap \"\" XFSZ; ulimit -f 128; exec \"$0\" \"$@\"' " +
                              RELIVOX_BATCH + " -o full.tif --co COMPRESS=NONE '" + tile +
                              "' > /dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  // Only the folder made above is left.
  EXPECT_EQ(Listing(Path("out")), (std::map<std::string, std::string>{{"folder.tif", "<folder>"}}));
}

}  // namespace
