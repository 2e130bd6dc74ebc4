#include <thread>

#include "imaging/tests/test_support.h"

namespace {

class DrawPlotTest : public ImagingTest {
 protected:
  // An image whose pixels all hold `fill` (3 or 4 bytes), with its output started.
  ObjectHandle Target(const Bytes& fill, int width = 4, int height = 3) {
    const ObjectHandle image = Img_Create(KX_Any, width, height, fill.size() * 8, -1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, fill);
    EXPECT_EQ(Draw_Start(Img_Output(image)), 1);
    return image;
  }
};

TEST(DrawRgba, PacksRedLowAndSignExtends) {
  EXPECT_EQ(Draw_RGBA(1, 2, 3, 4), 0x04030201);
  EXPECT_EQ(Draw_RGBA(200, 200, 200, 255), static_cast<std::int64_t>(std::int32_t(0xFFC8C8C8u)));
  EXPECT_EQ(Draw_RGBA(256, 0, 0, 0), 0x100) << "arguments are not masked";
}

// One plot and a one-pixel box per row: what each mode stores over `target`.
TEST_F(DrawPlotTest, EveryModeOnBothDepths) {
  struct Row {
    unsigned mode;
    Bytes target;
    std::int64_t colour;
    Bytes expected;
  };
  const Row rows[] = {
      // Default: colour written, its alpha ignored, the target's kept.
      {0, {1, 2, 3, 4}, Draw_RGBA(50, 60, 70, 0), {70, 60, 50, 4}},
      {0, {1, 2, 3}, Draw_RGBA(50, 60, 70, 0), {70, 60, 50}},
      // Copy-all stores four bytes and wins over blending and alpha-only.
      {DrawMode_CopyAll, {1, 2, 3, 4}, Draw_RGBA(10, 20, 30, 40), {30, 20, 10, 40}},
      {DrawMode_CopyAll | DrawMode_SourceOver | DrawMode_AlphaOnly,
       {1, 2, 3, 4},
       Draw_RGBA(50, 60, 70, 80),
       {70, 60, 50, 80}},
      {DrawMode_CopyAll | DrawMode_SourceOver, {1, 2, 3}, Draw_RGBA(50, 60, 70, 0), {70, 60, 50}},
      // Exclusive or leaves alpha and wins over everything else.
      {DrawMode_ExclusiveOr | DrawMode_SourceOver | DrawMode_CopyAll,
       {0x0F, 0xF0, 0xFF, 9},
       Draw_RGBA(1, 2, 3, 255),
       {0x0C, 0xF2, 0xFE, 9}},
      {DrawMode_ExclusiveOr, {0x0F, 0xF0, 0xFF}, Draw_RGBA(1, 2, 3, 0), {0x0C, 0xF2, 0xFE}},
      {DrawMode_AlphaOnly, {1, 2, 3, 4}, Draw_RGBA(50, 60, 70, 99), {1, 2, 3, 99}},
      {DrawMode_AlphaOnly, {1, 2, 3}, Draw_RGBA(50, 60, 70, 99), {1, 2, 3}},
      // (255 * 128 * 255) / (128 * 255 + 255 * 127) = 128, alpha 255; 24-bit: 255 * 128 / 255.
      {DrawMode_SourceOver, {0, 0, 0, 255}, Draw_RGBA(255, 0, 0, 128), {0, 0, 128, 255}},
      {DrawMode_SourceOver, {0, 0, 0}, Draw_RGBA(255, 0, 0, 128), {0, 0, 128}},
      {DrawMode_SourceOver, {50, 50, 50, 60}, Draw_RGBA(1, 2, 3, 0), {50, 50, 50, 60}},
      {DrawMode_SourceOver, {7, 8, 9, 0}, Draw_RGBA(1, 2, 3, 255), {3, 2, 1, 255}},
      {DrawMode_SourceOver, {7, 8, 9, 0}, Draw_RGBA(1, 2, 3, 77), {3, 2, 1, 77}},
      // (200*100*255 + 50*60*155) / (100*255 + 60*155) = 159; alpha 34800 / 255 = 136.
      {DrawMode_SourceOver, {50, 50, 50, 60}, Draw_RGBA(200, 200, 200, 100), {159, 159, 159, 136}},
      {DrawMode_SourceOverKeepAlpha,
       {50, 50, 50, 60},
       Draw_RGBA(200, 200, 200, 100),
       {159, 159, 159, 60}},
      // Callback modes without a routine draw nothing.
      {DrawMode_CallbackA | DrawMode_CopyAll, {1, 2, 3, 4}, Draw_RGBA(9, 9, 9, 9), {1, 2, 3, 4}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "mode " << r.mode << " depth " << r.target.size() * 8);
    const ObjectHandle image = Target(r.target);
    Draw_Mode(r.mode);
    Draw_Plot(1, 1, r.colour);
    Draw_Box(3, 2, 1, 1, r.colour);
    Draw_Stop();
    EXPECT_EQ(PixelBytes(image, 1, 1), r.expected);
    EXPECT_EQ(PixelBytes(image, 3, 2), r.expected);
    EXPECT_EQ(PixelBytes(image, 2, 1), r.target);
    Img_Free(image);
  }
}

TEST_F(DrawPlotTest, PlotsLandBottomUpAndOutsideOnesAreIgnored) {
  const ObjectHandle image = Target({1, 2, 3, 4}, 2, 2);
  Draw_Mode(DrawMode_CopyAll);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {1 << 30, 0}, {0, -(1 << 30)}})
    Draw_Plot(x, y, Draw_RGBA(9, 9, 9, 9));
  Draw_Plot(1, 1, Draw_RGBA(200, 200, 200, 255));
  Draw_Stop();
  EXPECT_EQ(BitmapOf(image).bits[4], 200) << "the picture's bottom row is memory row 0";
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(PixelBytes(image, x, y)[0], x + y < 2 ? 1 : 200) << x << "," << y;
}

TEST_F(DrawPlotTest, NothingIsDrawnWithoutAStartedOutput) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  Draw_Plot(0, 0, Draw_RGBA(9, 9, 9, 9));
  Draw_Box(0, 0, 2, 2, Draw_RGBA(9, 9, 9, 9));
  ASSERT_NE(Img_Output(image), nullptr);
  Draw_Plot(0, 0, Draw_RGBA(9, 9, 9, 9));  // made but not started
  Draw_Stop();
  Draw_Stop();  // no current context: nothing happens
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 0, 0}));
}

int finishCalls = 0;
bool lastCompleted = false;
ObjectHandle lastOwner = 0;

void RecordFinish(DrawingContext* dc, bool completed) {
  ++finishCalls;
  lastCompleted = completed;
  lastOwner = dc->owner;
}

TEST_F(DrawPlotTest, OutputMakersGetTheirFinishStep) {
  std::vector<std::uint8_t> pixels(8 * 3, 0);  // 2 x 3, 24-bit, stride 8
  const DrawTarget target{pixels.data(), 8, 2, 3, 24};
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
  EXPECT_EQ((Bytes{pixels[19], pixels[20], pixels[21]}), (Bytes{3, 2, 1})) << "bottom-up";

  Draw_MakeOutput(kOutputPixels24, target, RecordFinish);
  ASSERT_EQ(Draw_Start(Draw_Current()), 1);
  Draw_Plot(0, 0, Draw_RGBA(4, 5, 6, 0));
  Draw_Stop();
  EXPECT_EQ((Bytes{pixels[0], pixels[1], pixels[2]}), (Bytes{6, 5, 4})) << "top-down";

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
  DrawingContext* mine = Img_Output(Img_Create(KX_Any, 2, 2, 32, -1));
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
    DrawInto(image, DrawMode_CopyAll, [grey] {
      for (int i = 0; i < 10000; ++i) Draw_Plot(i % 8, i / 8 % 8, Draw_RGBA(grey, grey, grey, 255));
    });
  };
  std::thread t1(paint, a, 10), t2(paint, b, 20);
  t1.join();
  t2.join();
  EXPECT_EQ(PixelBytes(a, 7, 7), (Bytes{10, 10, 10, 255}));
  EXPECT_EQ(PixelBytes(b, 0, 0), (Bytes{20, 20, 20, 255}));
}

}  // namespace
