#include <thread>

#include "imaging/tests/test_support.h"

using Bytes = std::vector<int>;

namespace {

class DrawPlotTest : public ImagingTest {
 protected:
  // An image whose pixels all hold these bytes, with a started output.
  ObjectHandle Target(int depth, Bytes fill, int width = 4, int height = 3) {
    const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, fill);
    EXPECT_EQ(Draw_Start(Img_Output(image)), 1);
    return image;
  }
};

}  // namespace

TEST(DrawRgba, PacksRedLowAndSignExtends) {
  EXPECT_EQ(Draw_RGBA(1, 2, 3, 4), 0x04030201);
  EXPECT_EQ(Draw_RGBA(200, 200, 200, 255), static_cast<std::int64_t>(std::int32_t(0xFFC8C8C8u)));
  EXPECT_LT(Draw_RGBA(0, 0, 0, 255), 0);
  EXPECT_EQ(Draw_RGBA(256, 0, 0, 0), 0x100) << "arguments are not masked";
}

TEST_F(DrawPlotTest, CopyAllStoresAllFourBytes) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4});
  Draw_Mode(DrawMode_CopyAll);
  Draw_Plot(1, 2, Draw_RGBA(200, 200, 200, 255));
  Draw_Plot(2, 0, Draw_RGBA(10, 20, 30, 40));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 1, 2), (Bytes{200, 200, 200, 255}));
  EXPECT_EQ(PixelBytes(image, 2, 0), (Bytes{30, 20, 10, 40}));
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{1, 2, 3, 4}));
  // Memory row 0 is the bottom row: picture row 2 of 3 is memory row 0.
  EXPECT_EQ(BitmapOf(image).bits[4], 200);
}

TEST_F(DrawPlotTest, CopyAllWinsOverBlendAndAlphaBits) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4});
  Draw_Mode(DrawMode_CopyAll | DrawMode_SourceOver | DrawMode_AlphaOnly);
  Draw_Plot(0, 0, Draw_RGBA(50, 60, 70, 80));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{70, 60, 50, 80}));
}

TEST_F(DrawPlotTest, CopyAllOn24BitIsTheDefaultMode) {
  const ObjectHandle image = Target(24, {1, 2, 3});
  Draw_Mode(DrawMode_CopyAll | DrawMode_SourceOver);
  Draw_Plot(3, 1, Draw_RGBA(50, 60, 70, 0));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 3, 1), (Bytes{70, 60, 50})) << "not blended, alpha ignored";
}

TEST_F(DrawPlotTest, DefaultModeWritesColourAndKeepsAlpha) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4});
  Draw_Plot(0, 0, Draw_RGBA(50, 60, 70, 0));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{70, 60, 50, 4}));

  const ObjectHandle rgb = Target(24, {1, 2, 3});
  Draw_Plot(3, 2, Draw_RGBA(50, 60, 70, 0));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(rgb, 3, 2), (Bytes{70, 60, 50}));
  EXPECT_EQ(PixelBytes(rgb, 2, 2), (Bytes{1, 2, 3}));
}

TEST_F(DrawPlotTest, ExclusiveOrLeavesAlpha) {
  const ObjectHandle image = Target(32, {0x0F, 0xF0, 0xFF, 9});
  Draw_Mode(DrawMode_ExclusiveOr | DrawMode_SourceOver | DrawMode_CopyAll);
  Draw_Plot(1, 1, Draw_RGBA(0x01, 0x02, 0x03, 0xFF));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 1, 1), (Bytes{0x0C, 0xF2, 0xFE, 9}));

  const ObjectHandle rgb = Target(24, {0x0F, 0xF0, 0xFF});
  Draw_Mode(DrawMode_ExclusiveOr);
  Draw_Plot(1, 1, Draw_RGBA(0x01, 0x02, 0x03, 0));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(rgb, 1, 1), (Bytes{0x0C, 0xF2, 0xFE}));
}

TEST_F(DrawPlotTest, AlphaOnlyWritesOnlyAlpha) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4});
  Draw_Mode(DrawMode_AlphaOnly);
  Draw_Plot(0, 1, Draw_RGBA(50, 60, 70, 99));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 1), (Bytes{1, 2, 3, 99}));

  const ObjectHandle rgb = Target(24, {1, 2, 3});
  Draw_Mode(DrawMode_AlphaOnly);
  Draw_Plot(0, 1, Draw_RGBA(50, 60, 70, 99));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(rgb, 0, 1), (Bytes{1, 2, 3}));
}

TEST_F(DrawPlotTest, SourceOverWorkedNumbers) {
  const ObjectHandle image = Target(32, {0, 0, 0, 255});
  Draw_Mode(DrawMode_SourceOver);
  // (255 * 128 * 255) / (128 * 255 + 255 * 127) = 128, alpha 255.
  Draw_Plot(0, 0, Draw_RGBA(255, 0, 0, 128));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 128, 255}));

  const ObjectHandle rgb = Target(24, {0, 0, 0});
  Draw_Mode(DrawMode_SourceOver);
  Draw_Plot(0, 0, Draw_RGBA(255, 0, 0, 128));  // (255 * 128 + 0 * 127) / 255
  Draw_Stop();
  EXPECT_EQ(PixelBytes(rgb, 0, 0), (Bytes{0, 0, 128}));
}

TEST_F(DrawPlotTest, SourceOverTransparentOpaqueAndPartialTargets) {
  const ObjectHandle image = Target(32, {50, 50, 50, 60});
  SetPixelBytes(image, 1, 0, {7, 8, 9, 0});
  SetPixelBytes(image, 2, 0, {7, 8, 9, 0});
  Draw_Mode(DrawMode_SourceOver);
  Draw_Plot(0, 0, Draw_RGBA(1, 2, 3, 0));    // alpha 0: unchanged
  Draw_Plot(1, 0, Draw_RGBA(1, 2, 3, 255));  // onto alpha 0: copied, alpha 255
  Draw_Plot(2, 0, Draw_RGBA(1, 2, 3, 77));   // onto alpha 0: colour copied, alpha 77
  // s 200, a 100 onto d 50, da 60: (200*100*255 + 50*60*155) / (100*255 + 60*155)
  // = 5565000 / 34800 = 159; alpha 34800 / 255 = 136.
  Draw_Plot(3, 0, Draw_RGBA(200, 200, 200, 100));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{50, 50, 50, 60}));
  EXPECT_EQ(PixelBytes(image, 1, 0), (Bytes{3, 2, 1, 255}));
  EXPECT_EQ(PixelBytes(image, 2, 0), (Bytes{3, 2, 1, 77}));
  EXPECT_EQ(PixelBytes(image, 3, 0), (Bytes{159, 159, 159, 136}));
}

TEST_F(DrawPlotTest, SourceOverKeepAlphaBlendsColourOnly) {
  const ObjectHandle image = Target(32, {50, 50, 50, 60});
  Draw_Mode(DrawMode_SourceOverKeepAlpha);
  Draw_Plot(3, 0, Draw_RGBA(200, 200, 200, 100));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 3, 0), (Bytes{159, 159, 159, 60}));
}

TEST_F(DrawPlotTest, CallbackModesDrawNothingWithoutARoutine) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4});
  Draw_Mode(DrawMode_CallbackA | DrawMode_CopyAll);
  Draw_Plot(0, 0, Draw_RGBA(9, 9, 9, 9));
  Draw_Box(0, 0, 4, 3, Draw_RGBA(9, 9, 9, 9));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{1, 2, 3, 4}));
}

TEST_F(DrawPlotTest, PlotsOutsideTheTargetAreIgnored) {
  const ObjectHandle image = Target(32, {1, 2, 3, 4}, 2, 2);
  Draw_Mode(DrawMode_CopyAll);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {1 << 30, 0}, {0, -(1 << 30)}})
    Draw_Plot(x, y, Draw_RGBA(9, 9, 9, 9));
  Draw_Stop();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(PixelBytes(image, x, y), (Bytes{1, 2, 3, 4}));
}

TEST_F(DrawPlotTest, NothingIsDrawnWithoutAStartedOutput) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  Draw_Plot(0, 0, Draw_RGBA(9, 9, 9, 9));
  Draw_Box(0, 0, 2, 2, Draw_RGBA(9, 9, 9, 9));
  DrawingContext* output = Img_Output(image);
  ASSERT_NE(output, nullptr);
  Draw_Plot(0, 0, Draw_RGBA(9, 9, 9, 9));  // made but not started
  Draw_Stop();
  Draw_Stop();  // no current context: nothing happens
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 0, 0}));
}

namespace {

int finishCalls = 0;
bool lastCompleted = false;
ObjectHandle lastOwner = 0;

void RecordFinish(DrawingContext* dc, bool completed) {
  ++finishCalls;
  lastCompleted = completed;
  lastOwner = dc->owner;
}

}  // namespace

TEST_F(DrawPlotTest, OutputMakersGetTheirFinishStep) {
  std::vector<std::uint8_t> pixels(8 * 3, 0);  // 2 x 3, 24-bit, stride 8
  DrawTarget target{pixels.data(), 8, 2, 3, 24};
  finishCalls = 0;

  DrawingContext* dc = Draw_MakeOutput(kImageOutput24, target, RecordFinish, 77);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(Draw_Current(), dc);
  ASSERT_EQ(Draw_Start(dc), 1);
  Draw_Plot(1, 0, Draw_RGBA(1, 2, 3, 0));
  Draw_Stop();
  EXPECT_EQ(finishCalls, 1);
  EXPECT_TRUE(lastCompleted);
  EXPECT_EQ(lastOwner, 77);
  EXPECT_EQ(Draw_Current(), nullptr);
  // Bottom-up: picture row 0 is memory row 2.
  EXPECT_EQ((Bytes{pixels[16 + 3], pixels[16 + 4], pixels[16 + 5]}), (Bytes{3, 2, 1}));

  // Top-down targets address row 0 first.
  Draw_MakeOutput(kOutputPixels24, target, RecordFinish);
  ASSERT_EQ(Draw_Start(Draw_Current()), 1);
  Draw_Plot(0, 0, Draw_RGBA(4, 5, 6, 0));
  Draw_Stop();
  EXPECT_EQ((Bytes{pixels[0], pixels[1], pixels[2]}), (Bytes{6, 5, 4}));

  // An output left current is ended (cancelled) when the next one is made.
  finishCalls = 0;
  Draw_MakeOutput(kImageOutput24, target, RecordFinish, 1);
  Draw_MakeOutput(kImageOutput24, target, RecordFinish, 2);
  EXPECT_EQ(finishCalls, 1);
  EXPECT_FALSE(lastCompleted);
  EXPECT_EQ(lastOwner, 1);
  Draw_Stop();

  // Depth and flags must agree; pixels are required.
  EXPECT_EQ(Draw_MakeOutput(kImageOutput32, target, nullptr), nullptr);
  EXPECT_EQ(Draw_MakeOutput(kImageOutput24, DrawTarget{nullptr, 8, 2, 3, 24}, nullptr), nullptr);
  EXPECT_EQ(Draw_MakeOutput(kImageOutput24, DrawTarget{pixels.data(), 5, 2, 3, 24}, nullptr),
            nullptr);
  EXPECT_EQ(Draw_Current(), nullptr);
}

TEST_F(DrawPlotTest, StartRefusesNullAndForeignOutputs) {
  EXPECT_EQ(Draw_Start(nullptr), 0);
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  DrawingContext* mine = Img_Output(image);
  int otherResult = -1;
  std::thread([&] { otherResult = Draw_Start(mine); }).join();
  EXPECT_EQ(otherResult, 0);
  EXPECT_EQ(Draw_Current(), mine) << "another thread must not end this thread's output";
  EXPECT_EQ(Draw_Start(mine), 1);
  Draw_Stop();
  EXPECT_EQ(Draw_Start(mine), 0) << "a stopped output cannot be started again";
}

TEST_F(DrawPlotTest, EachThreadHasItsOwnCurrentContext) {
  const ObjectHandle a = Img_Create(KX_Any, 8, 8, 32, -1);
  const ObjectHandle b = Img_Create(KX_Any, 8, 8, 32, -1);
  auto paint = [](ObjectHandle image, int grey) {
    ASSERT_EQ(Draw_Start(Img_Output(image)), 1);
    Draw_Mode(DrawMode_CopyAll);
    for (int i = 0; i < 10000; ++i) Draw_Plot(i % 8, (i / 8) % 8, Draw_RGBA(grey, grey, grey, 255));
    Draw_Stop();
  };
  std::thread t1(paint, a, 10), t2(paint, b, 20);
  t1.join();
  t2.join();
  EXPECT_EQ(PixelBytes(a, 7, 7), (Bytes{10, 10, 10, 255}));
  EXPECT_EQ(PixelBytes(b, 0, 0), (Bytes{20, 20, 20, 255}));
}
