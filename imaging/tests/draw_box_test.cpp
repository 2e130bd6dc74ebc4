#include "imaging/tests/test_support.h"

using Bytes = std::vector<int>;

namespace {

// Distinct bytes per pixel, alpha running through 0, partial values and 255.
Bytes PatternPixel(int x, int y, int depth) {
  Bytes p{(x * 37 + y * 11) & 0xFF, (x * 5 + y * 71 + 13) & 0xFF, (x * 101 + y * 3 + 200) & 0xFF};
  if (depth == 32) p.push_back(std::vector<int>{0, 255, 128, 1, 254, 60}[(x + 2 * y) % 6]);
  return p;
}

ObjectHandle PatternImage(int depth, int width, int height) {
  const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, PatternPixel(x, y, depth));
  return image;
}

class DrawBoxTest : public ImagingTest {
 protected:
  // Which pixels of a width x height image differ from the pattern.
  std::vector<std::string> Changed(ObjectHandle image, int depth, int width, int height) {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
      std::string row;
      for (int x = 0; x < width; ++x)
        row += PixelBytes(image, x, y) == PatternPixel(x, y, depth) ? '.' : '#';
      rows.push_back(row);
    }
    return rows;
  }

  std::vector<std::string> BoxResult(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h,
                                     unsigned mode = 0) {
    const ObjectHandle image = PatternImage(24, 6, 5);
    EXPECT_EQ(Draw_Start(Img_Output(image)), 1);
    Draw_Mode(mode);
    Draw_Box(x, y, w, h, Draw_RGBA(1, 1, 1, 255));
    Draw_Stop();
    return Changed(image, 24, 6, 5);
  }
};

}  // namespace

// Every pixel of a box is set exactly as Draw_Plot would set it, in every mode
// and on both pixel sizes.
TEST_F(DrawBoxTest, FilledBoxMatchesPlotInEveryMode) {
  const std::int64_t colours[] = {Draw_RGBA(200, 100, 50, 128), Draw_RGBA(7, 8, 9, 0),
                                  Draw_RGBA(250, 3, 90, 255), Draw_RGBA(0, 0, 0, 1)};
  const unsigned modes[] = {0,    0x02,  0x08,  0x10,  0x20,  0x30, 0x18,
                            0x12, 0x100, 0x110, 0x102, 0x120, 0x28};
  for (int depth : {24, 32}) {
    for (unsigned mode : modes) {
      for (std::int64_t colour : colours) {
        const ObjectHandle boxed = PatternImage(depth, 7, 6);
        const ObjectHandle plotted = PatternImage(depth, 7, 6);
        ASSERT_EQ(Draw_Start(Img_Output(boxed)), 1);
        Draw_Mode(mode);
        Draw_Box(1, 1, 5, 4, colour);
        Draw_Stop();
        ASSERT_EQ(Draw_Start(Img_Output(plotted)), 1);
        Draw_Mode(mode);
        for (int y = 1; y < 5; ++y)
          for (int x = 1; x < 6; ++x) Draw_Plot(x, y, colour);
        Draw_Stop();
        for (int y = 0; y < 6; ++y)
          for (int x = 0; x < 7; ++x)
            ASSERT_EQ(PixelBytes(boxed, x, y), PixelBytes(plotted, x, y))
                << "depth " << depth << " mode " << mode << " colour " << colour << " at " << x
                << "," << y;
        Img_Free(boxed);
        Img_Free(plotted);
      }
    }
  }
}

TEST_F(DrawBoxTest, DefaultModeIgnoresColourAlpha) {
  const ObjectHandle canvas = Img_Create(KX_Any, 3, 2, 24, 0xFFFFFF);
  ASSERT_EQ(Draw_Start(Img_Output(canvas)), 1);
  Draw_Box(0, 0, 3, 2, 0x808080);
  Draw_Stop();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelBytes(canvas, x, y), (Bytes{128, 128, 128}));

  const ObjectHandle image = PatternImage(32, 2, 1);
  ASSERT_EQ(Draw_Start(Img_Output(image)), 1);
  Draw_Box(0, 0, 2, 1, Draw_RGBA(9, 8, 7, 0));
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{7, 8, 9, PatternPixel(0, 0, 32)[3]}));
  EXPECT_EQ(PixelBytes(image, 1, 0), (Bytes{7, 8, 9, PatternPixel(1, 0, 32)[3]}));
}

TEST_F(DrawBoxTest, ClipsAtAllFourEdges) {
  EXPECT_EQ(BoxResult(-2, -1, 4, 3),
            (std::vector<std::string>{"##....", "##....", "......", "......", "......"}));
  EXPECT_EQ(BoxResult(4, 3, 10, 10),
            (std::vector<std::string>{"......", "......", "......", "....##", "....##"}));
  EXPECT_EQ(BoxResult(-100, 2, 1000, 1),
            (std::vector<std::string>{"......", "......", "######", "......", "......"}));
  EXPECT_EQ(BoxResult(6, 0, 3, 3), (std::vector<std::string>(5, "......")));
  EXPECT_EQ(BoxResult(0, 5, 3, 3), (std::vector<std::string>(5, "......")));
  EXPECT_EQ(BoxResult(INT64_MAX - 1, INT64_MIN + 1, INT64_MAX, INT64_MAX),
            (std::vector<std::string>(5, "......")));
}

TEST_F(DrawBoxTest, NegativeSizesExtendLeftAndUp) {
  EXPECT_EQ(BoxResult(4, 3, -2, -2),
            (std::vector<std::string>{"......", "..##..", "..##..", "......", "......"}));
  // Height -5 at y 0 covers rows -5 to -1: nothing remains.
  EXPECT_EQ(BoxResult(0, 0, 10, -5), (std::vector<std::string>(5, "......")));
  EXPECT_EQ(BoxResult(0, 0, 0, 3), (std::vector<std::string>(5, "......")));
}

TEST_F(DrawBoxTest, OutlineOnlyDrawsTheRing) {
  EXPECT_EQ(BoxResult(0, 0, 5, 4, DrawMode_OutlineOnly),
            (std::vector<std::string>{"#####.", "#...#.", "#...#.", "#####.", "......"}));
  EXPECT_EQ(BoxResult(-1, -1, 4, 4, DrawMode_OutlineOnly),
            (std::vector<std::string>{"..#...", "..#...", "###...", "......", "......"}));
  EXPECT_EQ(BoxResult(5, 4, -3, -2, DrawMode_OutlineOnly),
            (std::vector<std::string>{"......", "......", "..###.", "..###.", "......"}));
}

TEST_F(DrawBoxTest, ThinOutlinesSurviveExclusiveOr) {
  EXPECT_EQ(BoxResult(1, 1, 4, 1, DrawMode_OutlineOnly | DrawMode_ExclusiveOr),
            (std::vector<std::string>{"......", ".####.", "......", "......", "......"}));
  EXPECT_EQ(BoxResult(1, 1, 1, 3, DrawMode_OutlineOnly | DrawMode_ExclusiveOr),
            (std::vector<std::string>{"......", ".#....", ".#....", ".#....", "......"}));
}

TEST_F(DrawBoxTest, ModeChangePreparesTheFillColourAgain) {
  // The same colour first opaque, then blended: the prepared colour must
  // follow the mode even though the colour value did not change.
  const ObjectHandle image = Img_Create(KX_Any, 2, 1, 32, 0);
  ASSERT_EQ(Draw_Start(Img_Output(image)), 1);
  const std::int64_t colour = Draw_RGBA(255, 0, 0, 128);
  Draw_Box(0, 0, 1, 1, colour);
  Draw_Mode(DrawMode_SourceOver);
  Draw_Box(1, 0, 1, 1, colour);
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 255, 255}));
  EXPECT_EQ(PixelBytes(image, 1, 0), (Bytes{0, 0, 128, 255}));
}
