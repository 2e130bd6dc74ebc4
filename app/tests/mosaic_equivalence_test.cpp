// The mosaic kept up to date tile by tile must equal, after every tile, what
// composing all registered tiles afresh in the registry's walk order gives;
// so must its preview and its PNG export. The oracle here is that plain
// recomposition, and the plain export (a black 24-bit copy saved whole).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/converter.h"
#include "app/export_png.h"
#include "app/indicators.h"
#include "app/mosaic.h"
#include "app/mosaic_store.h"
#include "app/tile_rasteriser.h"
#include "app/xyz_loader.h"
#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "imaging/png_encoder.h"
#include "imaging/tests/png_test_util.h"
#include "runtime/data/utf.h"

namespace fs = std::filesystem;

namespace {

ObjectHandle lastPreview = 0;  // test thread only (the core runs on it here)
int previews = 0;

const ConverterFace kFace = {.preview = [](void*, ObjectHandle image) {
  lastPreview = image;
  ++previews;
}};

struct Oracle {
  ObjectHandle image = 0;
  std::int64_t minX = 0, minY = 0;
  ~Oracle() {
    if (image) Img_Free(image);
  }
};

// The plain recomposition: every tile drawn over a transparent image of the
// whole extent, in walk order.
void Recompose(Map<TileRecord>& tiles, Oracle* oracle) {
  tiles.Reset();
  const TileRecord* first = tiles.Next();
  ASSERT_NE(first, nullptr);
  std::int64_t minX = first->box.minX, minY = first->box.minY, maxX = first->box.maxX,
               maxY = first->box.maxY;
  while (const TileRecord* t = tiles.Next()) {
    minX = std::min(minX, t->box.minX);
    minY = std::min(minY, t->box.minY);
    maxX = std::max(maxX, t->box.maxX);
    maxY = std::max(maxY, t->box.maxY);
  }
  const GridBox extent{minX, minY, maxX, maxY};
  oracle->image = Img_Create(KX_Any, static_cast<std::int64_t>(extent.Width()),
                             static_cast<std::int64_t>(extent.Height()), 32, -1);
  ASSERT_NE(oracle->image, 0);
  oracle->minX = extent.minX;
  oracle->minY = extent.minY;
  ASSERT_EQ(Draw_Start(Img_Output(oracle->image)), 1);
  Draw_Mode(DrawMode_SourceOver);
  tiles.Reset();
  while (const TileRecord* t = tiles.Next())
    if (t->image)
      Draw_AlphaImage(Img_Handle(t->image), t->box.minX - extent.minX, t->box.minY - extent.minY);
  Draw_Stop();
}

void ExpectSameRows(ObjectHandle expected, ObjectHandle actual) {
  const Bitmap* a = Bitmap_FromHandle(Img_Handle(expected));
  const Bitmap* b = Bitmap_FromHandle(Img_Handle(actual));
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->width, b->width);
  ASSERT_EQ(a->height, b->height);
  for (int y = 0; y < a->height; ++y)
    ASSERT_EQ(std::memcmp(Bitmap_PictureRow(*a, y), Bitmap_PictureRow(*b, y),
                          static_cast<std::size_t>(a->width) * 4),
              0)
        << "picture row " << y;
}

void ExpectMatchesRecomposition(Converter& app) {
  Oracle oracle;
  ASSERT_NO_FATAL_FAILURE(Recompose(*app.tiles, &oracle));
  ASSERT_NE(app.mosaicImage, 0);
  EXPECT_EQ(app.mosaicMinX, oracle.minX);
  EXPECT_EQ(app.mosaicMinY, oracle.minY);
  ASSERT_NO_FATAL_FAILURE(ExpectSameRows(oracle.image, app.mosaicImage));
  EXPECT_EQ(lastPreview, app.mosaicImage);
  // The preview works on a copy (and the preview engineer may resample it).
  const ObjectHandle copy = Img_Copy(app.mosaicImage, KX_Any);
  ASSERT_NE(copy, 0);
  ExpectSameRows(oracle.image, copy);
  Img_Free(copy);
}

std::vector<std::vector<std::uint8_t>> DecodedRows(const fs::path& file) {
  const DecodedPng png = DecodePng(ReadBytes(file));
  EXPECT_TRUE(png.ok);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
  EXPECT_EQ(png.bitDepth, 8);
  for (std::uint8_t filter : png.filters) EXPECT_EQ(filter, 0);
  return png.rows;
}

// The export as it was: the mosaic drawn in the default mode onto a black
// 24-bit image, saved whole with the PNG encoder.
bool PlainExport(ObjectHandle mosaic, const fs::path& file) {
  const ObjectHandle copy = Img_Create(KX_Any, Img_Width(mosaic), Img_Height(mosaic), 24, 0);
  if (!copy || !Draw_Start(Img_Output(copy))) return false;
  Draw_Image(Img_Handle(mosaic), 0, 0);
  Draw_Stop();
  const bool saved = Img_Save(copy, Utf8ToUtf16(file.string()), EncoderPng) != 0;
  Img_Free(copy);
  return saved;
}

class MosaicEquivalence : public ::testing::Test {
 protected:
  void SetUp() override {
    core_ = StartConverter();
    ASSERT_NE(core_, nullptr);
    SetConverterFace(*core_, kFace);
    lastPreview = 0;
    previews = 0;
    folder_ = fs::temp_directory_path() / ("mosaic-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    Draw_Stop();
    StopConverter(core_);
    core_ = nullptr;
    fs::remove_all(folder_);
  }

  struct Point {
    std::int64_t x, y;
    std::uint8_t grey;
  };

  // Through the loader, as a file (y is the negated northing): 1 when the
  // tile was registered.
  bool AddTile(const std::vector<Point>& points) {
    const fs::path file = folder_ / ("t" + std::to_string(files_++) + ".xyz");
    {
      std::ofstream out(file, std::ios::binary);
      for (const Point& p : points) out << p.x << "," << -p.y << "," << int{p.grey} << "\n";
    }
    return LoadXyzFile(Core(), Utf8ToUtf16(file.string())) == LoadOutcome::kLoaded;
  }

  // Keys decide the walk order: digests put tiles in buckets out of the
  // order they arrive in. (A record added directly needs a key of its own.)
  std::u16string NextKey() {
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string key;
    for (int i = 0; i < 32; ++i) key += digits[random_() % 16];
    return key;
  }

  // A tile of w x h at (x, y), each position holding a point with the given
  // chance, plus a few repeated points (the later one decides).
  std::vector<Point> RandomTile(std::int64_t x, std::int64_t y, int w, int h, double fill) {
    std::vector<Point> points;
    std::uniform_real_distribution<double> chance(0, 1);
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col)
        if (chance(random_) < fill)
          points.push_back({x + col, y + row, static_cast<std::uint8_t>(random_())});
    for (int i = 0; i < 3; ++i)
      points.push_back({x + static_cast<int>(random_() % w), y + static_cast<int>(random_() % h),
                        static_cast<std::uint8_t>(random_())});
    // The box must span w x h whatever the chance drew.
    points.push_back({x, y, 1});
    points.push_back({x + (w - 1), y + (h - 1), 2});
    return points;
  }

  void ExpectExportMatchesPlainExport(const std::string& name) {
    const fs::path ours = folder_ / (name + ".png");
    const fs::path plain = folder_ / (name + "-plain.png");
    ExportPngJob(Core(), Utf8ToUtf16(ours.string()));
    ASSERT_TRUE(PlainExport(Core().mosaicImage, plain));
    const auto expected = DecodedRows(plain);
    const auto actual = DecodedRows(ours);
    ASSERT_EQ(actual.size(), static_cast<std::size_t>(Img_Height(Core().mosaicImage)));
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t y = 0; y < expected.size(); ++y)
      ASSERT_EQ(actual[y], expected[y]) << "row " << y;
  }

  Converter& Core() { return *core_; }
  void ExpectMosaicMatchesOracle() { ExpectMatchesRecomposition(Core()); }

  Converter* core_ = nullptr;
  std::mt19937 random_{12345};
  fs::path folder_;
  int files_ = 0;
};

// Random sets: tiles placed ever further out from the first in every
// direction (the store has to move to a larger one now and then), tiles
// over earlier tiles' boxes, records without an image, and tiles refused as
// too large. After every step the mosaic, its preview and its copy equal the
// oracle; after each set so does the export.
TEST_F(MosaicEquivalence, RandomTileSetsMatchAFullRecomposition) {
  int storeMoves = 0;
  for (int set = 0; set < 6; ++set) {
    SCOPED_TRACE(testing::Message() << "set " << set);
    if (set > 0) {
      TearDown();
      SetUp();
    }
    std::vector<GridBox> boxes;
    for (int step = 0; step < 16; ++step) {
      SCOPED_TRACE(testing::Message() << "step " << step);
      const std::uint8_t* storeBefore = Core().mosaicStore ? Core().mosaicStore->base : nullptr;
      const int kind = step == 0 ? 0 : static_cast<int>(random_() % 10);
      const int w = 1 + static_cast<int>(random_() % 40);
      const int h = 1 + static_cast<int>(random_() % 40);
      const std::int64_t reach = std::min<std::int64_t>(700, 6 << step);
      std::int64_t x = 5000 + static_cast<std::int64_t>(random_() % (2 * reach + 1)) - reach;
      std::int64_t y = -3000 + static_cast<std::int64_t>(random_() % (2 * reach + 1)) - reach;
      if (kind <= 2 && !boxes.empty()) {  // over (part of) an earlier tile
        const GridBox& earlier = boxes[random_() % boxes.size()];
        x = earlier.minX + static_cast<std::int64_t>(random_() % 7) - 3;
        y = earlier.minY + static_cast<std::int64_t>(random_() % 7) - 3;
      }
      if (kind == 3) {  // a registered record whose image could not be made
        const TileRecord* record = RegisterTile(Core(), NextKey(), {x, y, x + w - 1, y + h - 1}, 0);
        ASSERT_NE(record, nullptr);
        RebuildMosaic(Core(), *record);
      } else if (kind == 4) {  // too large for an image, or the mosaic would be
        const std::int64_t far = random_() % 2 ? 40000 : -40000;
        std::vector<Point> points = RandomTile(x, y, w, h, 0.5);
        if (random_() % 2)
          points.push_back({x + far, y, 9});
        else
          points = RandomTile(x + far, y - far, w, h, 0.5);
        const ObjectHandle before = Core().mosaicImage;
        const int previewsBefore = previews;
        EXPECT_EQ(AddTile(points), 0);
        EXPECT_EQ(Core().mosaicImage, before);
        EXPECT_EQ(previews, previewsBefore);
      } else {
        ASSERT_EQ(AddTile(RandomTile(x, y, w, h, 0.2 + 0.1 * (random_() % 9))), 1);
        boxes.push_back({x, y, x + w - 1, y + h - 1});
      }
      ASSERT_NO_FATAL_FAILURE(ExpectMosaicMatchesOracle());
      if (storeBefore && Core().mosaicStore->base != storeBefore) ++storeMoves;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectExportMatchesPlainExport("set" + std::to_string(set)));
  }
  EXPECT_GT(storeMoves, 3);  // the growth path was taken, not only the in-place one
}

// Thousands of small tiles piled over each other (and a few larger ones
// across them), registered with images made here: each tile's box is
// composed from the index's candidates, so any tile missed or drawn out of
// walk order shows against the full recomposition.
TEST_F(MosaicEquivalence, ThousandsOfSmallTilesMatchAFullRecomposition) {
  for (int i = 1; i <= 3000; ++i) {
    const bool large = i % 150 == 0;
    const int w =
        large ? 40 + static_cast<int>(random_() % 80) : 1 + static_cast<int>(random_() % 6);
    const int h =
        large ? 40 + static_cast<int>(random_() % 80) : 1 + static_cast<int>(random_() % 6);
    const std::int64_t spread = 40 + i / 10;  // the extent keeps growing: the store moves
    const std::int64_t x = -7000 + static_cast<std::int64_t>(random_() % spread);
    const std::int64_t y = 900 + static_cast<std::int64_t>(random_() % spread);
    const ObjectHandle image = Img_Create(KX_Any, w, h, 32, -1);
    ASSERT_NE(image, 0);
    const Bitmap* b = Bitmap_FromHandle(Img_Handle(image));
    for (int row = 0; row < h; ++row)
      for (int col = 0; col < w; ++col)
        if (random_() % 3 != 0) {  // a point, else transparent
          std::uint8_t* p = Bitmap_PictureRow(*b, row) + col * 4;
          p[0] = p[1] = p[2] = static_cast<std::uint8_t>(random_());
          p[3] = 255;
        }
    const TileRecord* record = RegisterTile(Core(), NextKey(), {x, y, x + w - 1, y + h - 1}, image);
    ASSERT_NE(record, nullptr);
    RebuildMosaic(Core(), *record);
    if (i % 500 == 0) {
      SCOPED_TRACE(testing::Message() << "after " << i << " tiles");
      ASSERT_NO_FATAL_FAILURE(ExpectMosaicMatchesOracle());
    }
  }
}

// After a mosaic could not be made (no image, no store) the next tile
// composes it again from every tile.
TEST_F(MosaicEquivalence, AMissingMosaicIsComposedAgainFromEveryTile) {
  ASSERT_EQ(AddTile(RandomTile(100, 100, 30, 20, 0.7)), 1);
  ASSERT_EQ(AddTile(RandomTile(110, 105, 30, 20, 0.7)), 1);
  ReleaseMosaic(Core());
  ASSERT_EQ(AddTile(RandomTile(50, 140, 5, 5, 0.7)), 1);
  ExpectMosaicMatchesOracle();
}

// Tiles at the ends of the 64-bit grid: the store's margins must not wrap,
// and growing away from the end still moves the extent correctly.
TEST_F(MosaicEquivalence, TilesAtTheEndsOfTheGridCompose) {
  const std::int64_t east = INT64_MAX - 3, north = INT64_MIN + 2;  // y is the negated northing
  ASSERT_EQ(AddTile(RandomTile(east - 10, north, 4, 5, 0.8)), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectMosaicMatchesOracle());
  ASSERT_EQ(AddTile(RandomTile(east - 900, north + 700, 30, 30, 0.8)), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectMosaicMatchesOracle());
  ASSERT_EQ(AddTile(RandomTile(east - 5, north + 1, 9, 3, 0.8)), 1);
  ASSERT_NO_FATAL_FAILURE(ExpectMosaicMatchesOracle());
  ExpectExportMatchesPlainExport("edges");
}

// Large enough for the export's image data to be deflated in several
// blocks; corners far apart leave wide black gaps.
TEST_F(MosaicEquivalence, ALargeSparseMosaicExportsLikeThePlainExport) {
  ASSERT_EQ(AddTile(RandomTile(100, 100, 64, 64, 0.9)), 1);
  ASSERT_EQ(AddTile(RandomTile(1600, 1400, 40, 40, 0.9)), 1);
  ASSERT_EQ(AddTile(RandomTile(80, 1420, 60, 30, 0.9)), 1);
  ASSERT_EQ(AddTile(RandomTile(1570, 90, 30, 60, 0.9)), 1);
  ExpectMosaicMatchesOracle();
  ExpectExportMatchesPlainExport("large");
}

}  // namespace
