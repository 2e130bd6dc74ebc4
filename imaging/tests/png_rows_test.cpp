#include "imaging/png_rows.h"

#include <zlib.h>

#include <random>

#include "imaging/tests/png_test_util.h"
#include "imaging/tests/test_support.h"

namespace fs = std::filesystem;

namespace {

// Rows made from a seed: runs of one colour (so deflate finds matches, also
// across block borders) with noise in between.
struct Pattern {
  int width;
  int height;
  std::vector<std::uint8_t> pixels;  // top row first, red, green, blue

  Pattern(int w, int h, unsigned seed) : width(w), height(h), pixels(std::size_t(w) * h * 3) {
    std::mt19937 random(seed);
    std::uint8_t colour = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      if (random() % 16 == 0) colour = static_cast<std::uint8_t>(random());
      pixels[i] = random() % 8 == 0 ? static_cast<std::uint8_t>(random()) : colour;
    }
  }
  static void Row(void* context, int y, std::uint8_t* out) {
    const auto& p = *static_cast<const Pattern*>(context);
    std::copy_n(p.pixels.data() + std::size_t(y) * p.width * 3, p.width * 3, out);
  }
  std::vector<std::uint8_t> RowBytes(int y) const {
    const std::uint8_t* row = pixels.data() + std::size_t(y) * width * 3;
    return {row, row + width * 3};
  }
};

void ExpectDecodesTo(const fs::path& file, const Pattern& pattern) {
  const DecodedPng png = DecodePng(ReadBytes(file));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, png_uint_32(pattern.width));
  EXPECT_EQ(png.height, png_uint_32(pattern.height));
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
  ASSERT_EQ(png.rows.size(), std::size_t(pattern.height));
  for (int y = 0; y < pattern.height; ++y)
    ASSERT_EQ(png.rows[y], pattern.RowBytes(y)) << "row " << y;
  for (std::uint8_t filter : png.filters) ASSERT_EQ(filter, 0);
  ASSERT_GE(png.idat.size(), 2u);
  EXPECT_EQ(png.idat[0] & 0x0F, 8);  // deflate (libpng narrows the window for small images)
  EXPECT_EQ(png.idat[1] >> 6, 3);    // level 9
  EXPECT_EQ(png.chunks.front(), "IHDR");
  EXPECT_EQ(png.chunks.back(), "IEND");
}

int Write(const TempFolder& folder, const std::string& name, Pattern& pattern, int threads) {
  return Img_WritePngRows(folder.Wide(name).c_str(), pattern.width, pattern.height, Pattern::Row,
                          &pattern, threads);
}

// One thread (libpng alone) and several (independent blocks joined), over
// sizes from one pixel to pictures of several blocks with uneven tails.
TEST(PngRows, EveryThreadCountDecodesToTheSourceRows) {
  TempFolder folder;
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 5}, {1, 70000}, {1100, 1400}, {701, 4211}};
  for (auto [width, height] : sizes) {
    Pattern pattern(width, height, width * 31 + height);
    for (int threads : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << " threads " << threads);
      const std::string name = "p" + std::to_string(threads) + ".png";
      ASSERT_EQ(Write(folder, name, pattern, threads), 1);
      ExpectDecodesTo(folder / name, pattern);
    }
  }
}

// Priming each block with the bytes before it keeps the joined stream about
// as small as libpng's own.
TEST(PngRows, JoinedBlocksCompressAlmostAsWellAsOneStream) {
  TempFolder folder;
  Pattern pattern(1000, 2500, 7);
  ASSERT_EQ(Write(folder, "one.png", pattern, 1), 1);
  ASSERT_EQ(Write(folder, "two.png", pattern, 2), 1);
  const auto one = fs::file_size(folder / "one.png");
  const auto two = fs::file_size(folder / "two.png");
  EXPECT_LT(two, one + one / 100);
}

TEST(PngRows, FailureLeavesNoFileAndKeepsAnEarlierOne) {
  TempFolder folder;
  Pattern pattern(300, 9000, 3);
  EXPECT_EQ(Img_WritePngRows((folder.Wide("missing") + u"/x.png").c_str(), 3, 3, Pattern::Row,
                             &pattern, 2),
            0);
  EXPECT_EQ(Img_WritePngRows(folder.Wide("x.png").c_str(), 0, 3, Pattern::Row, &pattern, 2), 0);
  EXPECT_EQ(Img_WritePngRows(folder.Wide("x.png").c_str(), 3, 3, nullptr, nullptr, 2), 0);
  EXPECT_TRUE(folder.Files().empty());

  {
    std::ofstream old(folder / "old.png");
    old << "earlier";
  }
  // A full disk part-way through the image data, on both paths.
  for (int threads : {1, 2}) {
    const int result = SaveUnderFileSizeLimit(100000, [&] {
      return Img_WritePngRows(folder.Wide("old.png").c_str(), pattern.width, pattern.height,
                              Pattern::Row, &pattern, threads);
    });
    EXPECT_EQ(result, 0) << threads;
    EXPECT_EQ(ReadText(folder / "old.png"), "earlier");
    EXPECT_EQ(folder.Files(), std::set<std::string>{"old.png"});
  }
}

}  // namespace
