#include "imaging/tests/test_support.h"

namespace {

// Distinct bytes per pixel, alpha running through 0, partial values and 255.
Bytes PatternPixel(int x, int y, int depth) {
  Bytes p{(x * 37 + y * 11) & 0xFF, (x * 5 + y * 71 + 13) & 0xFF, (x * 101 + y * 3 + 200) & 0xFF};
  if (depth == 32) p.push_back(Bytes{0, 255, 128, 1, 254, 60}[(x + 2 * y) % 6]);
  return p;
}

ObjectHandle PatternImage(int depth, int width, int height) {
  const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, PatternPixel(x, y, depth));
  return image;
}

class DrawBoxTest : public ImagingTest {};

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
        SCOPED_TRACE(testing::Message()
                     << "depth " << depth << " mode " << mode << " colour " << colour);
        const ObjectHandle boxed = PatternImage(depth, 7, 6);
        const ObjectHandle plotted = PatternImage(depth, 7, 6);
        DrawInto(boxed, mode, [&] { Draw_Box(1, 1, 5, 4, colour); });
        DrawInto(plotted, mode, [&] {
          for (int y = 1; y < 5; ++y)
            for (int x = 1; x < 6; ++x) Draw_Plot(x, y, colour);
        });
        ExpectSamePixels(boxed, plotted);
        Img_Free(boxed);
        Img_Free(plotted);
      }
    }
  }
}

// Which pixels of a 6 x 5 picture a box changes, rows joined by '/'.
TEST_F(DrawBoxTest, ClippingNegativeSizesAndOutlines) {
  const std::string none = "....../....../....../....../......";
  struct Case {
    std::int64_t x, y, w, h;
    unsigned mode;
    std::string changed;
  };
  const unsigned outline = DrawMode_OutlineOnly, thinXor = outline | DrawMode_ExclusiveOr;
  const Case cases[] = {
      {-2, -1, 4, 3, 0, "##..../##..../....../....../......"},
      {4, 3, 10, 10, 0, "....../....../....../....##/....##"},
      {-100, 2, 1000, 1, 0, "....../....../######/....../......"},
      {6, 0, 3, 3, 0, none},
      {0, 5, 3, 3, 0, none},
      {INT64_MAX - 1, INT64_MIN + 1, INT64_MAX, INT64_MAX, 0, none},
      {4, 3, -2, -2, 0, "....../..##../..##../....../......"},
      {0, 0, 10, -5, 0, none},  // rows -5 to -1
      {0, 0, 0, 3, 0, none},
      {0, 0, 5, 4, outline, "#####./#...#./#...#./#####./......"},
      {-1, -1, 4, 4, outline, "..#.../..#.../###.../....../......"},
      {5, 4, -3, -2, outline, "....../....../..###./..###./......"},
      // One-pixel-thin outlines must not exclusive-or their pixels twice.
      {1, 1, 4, 1, thinXor, "....../.####./....../....../......"},
      {1, 1, 1, 3, thinXor, "....../.#..../.#..../.#..../......"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
    const ObjectHandle image = PatternImage(24, 6, 5);
    DrawInto(image, c.mode, [&] { Draw_Box(c.x, c.y, c.w, c.h, Draw_RGBA(1, 1, 1, 255)); });
    std::string changed;
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 6; ++x)
        changed += PixelBytes(image, x, y) == PatternPixel(x, y, 24) ? '.' : '#';
      if (y < 4) changed += '/';
    }
    EXPECT_EQ(changed, c.changed);
    Img_Free(image);
  }
}

TEST_F(DrawBoxTest, ModeChangePreparesTheFillColourAgain) {
  // The same colour first opaque, then blended: the prepared colour must
  // follow the mode even though the colour value did not change.
  const ObjectHandle image = Img_Create(KX_Any, 2, 1, 32, 0);
  const std::int64_t colour = Draw_RGBA(255, 0, 0, 128);
  DrawInto(image, 0, [&] {
    Draw_Box(0, 0, 1, 1, colour);
    Draw_Mode(DrawMode_SourceOver);
    Draw_Box(1, 0, 1, 1, colour);
  });
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 255, 255}));
  EXPECT_EQ(PixelBytes(image, 1, 0), (Bytes{0, 0, 128, 255}));
}

}  // namespace
