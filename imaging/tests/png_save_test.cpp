#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "imaging/png_encoder.h"
#include "imaging/tests/png_test_util.h"
#include "imaging/tests/test_support.h"
#include "runtime/data/utf.h"

namespace fs = std::filesystem;

namespace {

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

class PngSaveTest : public ImagingTest {
 protected:
  void SetUp() override {
    ImagingTest::SetUp();
    Img_UsePngEncoder();
    std::string pattern = (fs::temp_directory_path() / "pngsave.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ImagingTest::TearDown();
  }
  std::u16string Path(const std::string& name) const { return Utf8ToUtf16((dir_ / name).string()); }
  DecodedPng Decode(const std::string& name) const { return DecodePng(ReadBytes(dir_ / name)); }

  fs::path dir_;
};

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

TEST_F(PngSaveTest, TwentyFourBitImageBecomesRgbTopRowFirst) {
  const ObjectHandle image = Img_Create(KX_Any, 3, 2, 24, 0);
  ASSERT_NE(image, 0);
  SetPixelBytes(image, 0, 0, {10, 20, 30});  // blue, green, red
  SetPixelBytes(image, 2, 1, {1, 2, 3});
  ASSERT_NE(Img_Save(image, Path("a.png"), EncoderPng), 0);

  const DecodedPng png = Decode("a.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 3u);
  EXPECT_EQ(png.height, 2u);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
  EXPECT_EQ(png.interlace, 0);
  EXPECT_EQ(png.rows[0], (std::vector<std::uint8_t>{30, 20, 10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(png.rows[1], (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 3, 2, 1}));
}

TEST_F(PngSaveTest, ThirtyTwoBitImageKeepsAlphaByDefault) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  SetPixelBytes(image, 0, 0, {10, 20, 30, 128});
  SetPixelBytes(image, 1, 1, {40, 50, 60, 255});
  ASSERT_NE(Img_Save(image, Path("rgba.png"), EncoderPng), 0);
  const DecodedPng png = Decode("rgba.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGBA);
  EXPECT_EQ(png.rows[0], (std::vector<std::uint8_t>{30, 20, 10, 128, 0, 0, 0, 0}));
  EXPECT_EQ(png.rows[1], (std::vector<std::uint8_t>{0, 0, 0, 0, 60, 50, 40, 255}));
}

TEST_F(PngSaveTest, ThirtyTwoBitImageAtDepth24IsCompositedOverWhite) {
  const ObjectHandle image = Img_Create(KX_Any, 3, 1, 32, -1);
  SetPixelBytes(image, 1, 0, {0, 0, 0, 128});
  SetPixelBytes(image, 2, 0, {5, 6, 7, 255});
  ASSERT_NE(Img_Save(image, Path("flat.png"), EncoderPng, kDefaultSaveFlags, 24), 0);
  const DecodedPng png = Decode("flat.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
  EXPECT_EQ(png.rows[0], (std::vector<std::uint8_t>{255, 255, 255, 127, 127, 127, 7, 6, 5}));
}

TEST_F(PngSaveTest, IndexedDepthsThroughSave) {
  const ObjectHandle image = Img_Create(KX_Any, 9, 3, 32, -1);
  for (int x = 0; x < 9; ++x) {
    for (int y = 0; y < 3; ++y) SetPixelBytes(image, x, y, {x * 28, 60, 255 - x * 28, 255});
  }
  SetPixelBytes(image, 4, 1, {200, 200, 200, 255});
  ASSERT_NE(Img_Save(image, Path("one.png"), EncoderPng, kDefaultSaveFlags, 1), 0);
  DecodedPng png = Decode("one.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.bitDepth, 1);
  ASSERT_EQ(png.palette.size(), 2u);
  EXPECT_EQ(png.rows[1][4], 1);
  EXPECT_EQ(png.rows[1][3], 0);

  ASSERT_NE(Img_Save(image, Path("eight.png"), EncoderPng, kDefaultSaveFlags, 8), 0);
  png = Decode("eight.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_PALETTE);
  const png_color& grey = png.palette[png.rows[1][4]];
  EXPECT_NEAR(grey.red, 200, 6);
  EXPECT_NEAR(grey.blue, 200, 6);
  const png_color& last = png.palette[png.rows[2][8]];
  EXPECT_NEAR(last.red, 31, 6);  // stored blue 224, green 60, red 31
  EXPECT_NEAR(last.green, 60, 6);
  EXPECT_NEAR(last.blue, 224, 6);
}

TEST_F(PngSaveTest, FailuresLeaveNoFileAndKeepTheOldOne) {
  const ObjectHandle image = Img_Create(KX_Any, 4, 4, 24, 0x336699);
  EXPECT_EQ(Img_Save(image, Utf8ToUtf16((dir_ / "missing" / "x.png").string()), EncoderPng), 0);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));

  std::ofstream(dir_ / "old.png", std::ios::binary) << "old";
  EXPECT_EQ(Img_Save(image, Path("old.png"), EncoderPng, kDefaultSaveFlags, 3), 0);
  std::ifstream in(dir_ / "old.png", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
