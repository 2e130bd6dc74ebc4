#include <tuple>

#include "imaging/png_encoder.h"
#include "imaging/tests/png_test_util.h"
#include "imaging/tests/test_support.h"

namespace {

using Row = std::vector<std::uint8_t>;

int Dummy(const char16_t*, const std::uint8_t*, int, int, int, unsigned, unsigned, int) {
  return 0;
}

// In a child process (the registry is process-wide and cannot be emptied):
// registers the PNG encoder `calls` times, then counts the slots left.
int FreeSlotsAfterRegistering(int calls) {
  const pid_t child = fork();
  if (child == 0) {
    for (int i = 0; i < calls; ++i) Img_UsePngEncoder();
    static const ImageEncoder dummy{0x595A58, Dummy, nullptr};
    int free = 0;
    while (free < 100 && Img_RegisterEncoder(&dummy)) ++free;
    _exit(Img_FindEncoder(EncoderPng) ? free : 200);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PngEncoderRegistration, RepeatedCallsRegisterOnce) {
  Img_Init();
  const int once = FreeSlotsAfterRegistering(1);
  EXPECT_GT(once, 0);
  EXPECT_LT(once, kMaxImageCodecs);
  EXPECT_EQ(FreeSlotsAfterRegistering(3), once);
  Img_UsePngEncoder();
  const ImageEncoder* first = Img_FindEncoder(EncoderPng);
  Img_UsePngEncoder();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Img_FindEncoder(EncoderPng), first);
  EXPECT_NE(first->write24, nullptr);
  EXPECT_NE(first->write32, nullptr);
}

class PngSaveTest : public ImagingTest {
 protected:
  void SetUp() override {
    ImagingTest::SetUp();
    Img_UsePngEncoder();
  }
  TempFolder dir_;
};

// Through Img_Save the image's bottom-up memory comes out top row first, red
// first, alpha kept by default.
TEST_F(PngSaveTest, ImagesBecomeRgbOrRgbaTopRowFirst) {
  const ObjectHandle rgb = Img_Create(KX_Any, 3, 2, 24, 0);
  SetPixelBytes(rgb, 0, 0, {10, 20, 30});  // blue, green, red
  SetPixelBytes(rgb, 2, 1, {1, 2, 3});
  ASSERT_NE(Img_Save(rgb, dir_.Wide("a.png"), EncoderPng), 0);
  DecodedPng png = DecodePng(ReadBytes(dir_ / "a.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(std::tie(png.width, png.height, png.bitDepth, png.colourType, png.interlace),
            std::make_tuple(3u, 2u, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE));
  EXPECT_EQ(png.rows,
            (std::vector<Row>{{30, 20, 10, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 3, 2, 1}}));

  const ObjectHandle rgba = Img_Create(KX_Any, 2, 2, 32, -1);
  SetPixelBytes(rgba, 0, 0, {10, 20, 30, 128});
  SetPixelBytes(rgba, 1, 0, {1, 2, 3, 7});
  SetPixelBytes(rgba, 1, 1, {40, 50, 60, 255});
  ASSERT_NE(Img_Save(rgba, dir_.Wide("b.png"), EncoderPng), 0);
  png = DecodePng(ReadBytes(dir_ / "b.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(std::tie(png.bitDepth, png.colourType), std::make_tuple(8, PNG_COLOR_TYPE_RGBA));
  EXPECT_EQ(png.rows,
            (std::vector<Row>{{30, 20, 10, 128, 3, 2, 1, 7}, {0, 0, 0, 0, 60, 50, 40, 255}}));

  // Indexed depths take the image composited over white.
  ASSERT_NE(Img_Save(rgba, dir_.Wide("c.png"), EncoderPng, kDefaultSaveFlags, 8), 0);
  png = DecodePng(ReadBytes(dir_ / "c.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.bitDepth, 8);
  const png_color& white = png.palette[png.rows[0][1]];
  EXPECT_GE(white.red + white.green + white.blue, 3 * 245);
}

}  // namespace
