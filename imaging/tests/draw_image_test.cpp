#include "imaging/tests/test_support.h"

namespace {

using Row = std::vector<Bytes>;

class DrawImageTest : public ImagingTest {
 protected:
  ObjectHandle Filled(int width, int height, int depth, const Bytes& bytes) {
    const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, bytes);
    return image;
  }
  // Draws `source` at 0, 0 onto a 3 x 1 target of `depth` whose pixels are 50s
  // (alpha 60) and returns the target's pixels.
  Row DrawOnto(int depth, ObjectHandle source, unsigned mode, bool alpha) {
    const ObjectHandle target = Filled(3, 1, depth, {50, 50, 50, 60});
    DrawInto(target, mode, [&] {
      alpha ? Draw_AlphaImage(Img_Handle(source), 0, 0) : Draw_Image(Img_Handle(source), 0, 0);
    });
    Row row{PixelBytes(target, 0, 0), PixelBytes(target, 1, 0), PixelBytes(target, 2, 0)};
    Img_Free(target);
    return row;
  }
};

TEST_F(DrawImageTest, EverySourceTargetAndMode) {
  // 32-bit source: alpha 0, alpha 255, alpha 100.
  const ObjectHandle s32 = Img_Create(KX_Any, 3, 1, 32, -1);
  SetPixelBytes(s32, 0, 0, {10, 20, 30, 0});
  SetPixelBytes(s32, 1, 0, {40, 50, 60, 255});
  SetPixelBytes(s32, 2, 0, {200, 200, 200, 100});
  const unsigned over = DrawMode_SourceOver, keep = DrawMode_SourceOverKeepAlpha,
                 all = DrawMode_CopyAll, alphaOnly = DrawMode_AlphaOnly,
                 xorMode = DrawMode_ExclusiveOr;
  // 200 at 100 over 50 at 60 gives 159 and alpha 136; over a 24-bit target
  // (200 * 100 + 50 * 155) / 255 = 108.
  const Row blend32{{50, 50, 50, 60}, {40, 50, 60, 255}, {159, 159, 159, 136}};
  const Row blend24{{50, 50, 50}, {40, 50, 60}, {108, 108, 108}};
  const Row copy32{{10, 20, 30, 0}, {40, 50, 60, 255}, {200, 200, 200, 100}};
  const Row copy24{{10, 20, 30}, {40, 50, 60}, {200, 200, 200}};
  const Row xor32{{56, 38, 44, 60}, {26, 0, 14, 60}, {250, 250, 250, 60}};  // 50 ^ each byte
  const Row xor24{{56, 38, 44}, {26, 0, 14}, {250, 250, 250}};
  struct Case {
    int depth;
    unsigned mode;
    bool alpha;  // Draw_AlphaImage rather than Draw_Image
    Row expected;
  };
  const Case cases[] = {
      // Draw_Image in the default mode copies colour and keeps target alpha.
      {32, 0, false, {{10, 20, 30, 60}, {40, 50, 60, 60}, {200, 200, 200, 60}}},
      {32, 0, true, blend32},
      {32, over, false, blend32},
      {32, over | keep, true, blend32},
      {32, keep, true, {{50, 50, 50, 60}, {40, 50, 60, 60}, {159, 159, 159, 60}}},
      {32, all, true, copy32},
      {32, alphaOnly, true, {{50, 50, 50, 0}, {50, 50, 50, 255}, {50, 50, 50, 100}}},
      {32, xorMode, true, xor32},
      // Onto 24-bit the colour bytes of transparent pixels are copied too.
      {24, 0, false, copy24},
      {24, 0, true, blend24},
      {24, over, false, blend24},
      {24, keep, false, blend24},
      {24, alphaOnly, true, Row(3, {50, 50, 50})},
      {24, all, false, copy24},
      {24, xorMode, false, xor24},
  };
  // A 24-bit source counts as opaque: it draws as an opaque 32-bit one does.
  const ObjectHandle s24 = Filled(3, 1, 24, {10, 20, 30});
  const ObjectHandle opaque = Filled(3, 1, 32, {10, 20, 30, 255});
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "onto " << c.depth << " mode " << c.mode << (c.alpha ? " alpha" : ""));
    EXPECT_EQ(DrawOnto(c.depth, s32, c.mode, c.alpha), c.expected);
    for (bool alpha : {false, true})
      EXPECT_EQ(DrawOnto(c.depth, s24, c.mode, alpha), DrawOnto(c.depth, opaque, c.mode, alpha));
  }
}

// The drawn part lines up as if unclipped, whichever edges cut it.
TEST_F(DrawImageTest, ClipsAtEveryEdgeKeepingAlignment) {
  const int sw = 3, sh = 2, tw = 5, th = 4;
  const ObjectHandle source = Img_Create(KX_Any, sw, sh, 32, -1);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x) SetPixelBytes(source, x, y, {x + 1, y + 1, 100 + x + 10 * y, 255});
  for (int depth : {24, 32}) {
    for (int px = -4; px <= 6; ++px) {
      for (int py = -3; py <= 5; ++py) {
        SCOPED_TRACE(testing::Message() << "depth " << depth << " at " << px << "," << py);
        const ObjectHandle target = Img_Create(KX_Any, tw, th, depth, depth == 32 ? -1 : 0);
        DrawInto(target, DrawMode_CopyAll, [&] { Draw_Image(Img_Handle(source), px, py); });
        for (int y = 0; y < th; ++y) {
          for (int x = 0; x < tw; ++x) {
            const int sx = x - px, sy = y - py;
            Bytes expected{0, 0, 0, 0};
            if (sx >= 0 && sx < sw && sy >= 0 && sy < sh)
              expected = {sx + 1, sy + 1, 100 + sx + 10 * sy, 255};
            expected.resize(depth / 8);
            ASSERT_EQ(PixelBytes(target, x, y), expected) << "pixel " << x << "," << y;
          }
        }
        Img_Free(target);
      }
    }
  }
}

TEST_F(DrawImageTest, GivenSizeScalesTheSource) {
  const ObjectHandle source = Img_Create(KX_Any, 2, 2, 32, Draw_RGBA(90, 120, 150, 255));
  const ObjectHandle target = Img_Create(KX_Any, 6, 6, 32, -1);
  DrawInto(target, DrawMode_CopyAll, [&] { Draw_Image(Img_Handle(source), 1, 1, 4, 3); });
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
      EXPECT_EQ(PixelBytes(target, x, y), (inside ? Bytes{150, 120, 90, 255} : Bytes{0, 0, 0, 0}))
          << x << "," << y;
    }
  EXPECT_EQ(Img_Width(source), 2) << "the source itself is not resized";
}

TEST_F(DrawImageTest, ZeroUnknownAndEmptySourcesDrawNothing) {
  const ObjectHandle target = Img_Create(KX_Any, 2, 2, 32, -1);
  const ObjectHandle source = Img_Create(KX_Any, 2, 2, 32, Draw_RGBA(1, 1, 1, 255));
  ASSERT_EQ(Draw_Start(Img_Output(target)), 1);
  Draw_Image(0, 0, 0);
  Draw_AlphaImage(0, 0, 0);
  Draw_Image(12345, 0, 0);
  Draw_AlphaImage(Img_Handle(target) + 8, 0, 0);
  Draw_Image(Img_Handle(source), 0, 0, 0, 5);
  Draw_Image(Img_Handle(source), 0, 0, 5, -7);
  Draw_Image(Img_Handle(source), 0, 0, 100000, 2);
  Draw_Stop();
  EXPECT_EQ(PixelBytes(target, 0, 0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(PixelBytes(target, 1, 1), (Bytes{0, 0, 0, 0}));
}

TEST_F(DrawImageTest, DrawingAnImageOntoItselfReadsTheOriginal) {
  const ObjectHandle image = Img_Create(KX_Any, 4, 1, 32, -1);
  for (int x = 0; x < 4; ++x) SetPixelBytes(image, x, 0, {x, x, x, 255});
  DrawInto(image, DrawMode_CopyAll, [&] { Draw_Image(Img_Handle(image), 1, 0); });
  for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelBytes(image, x, 0)[0], x == 0 ? 0 : x - 1);
}

// Each source pixel lands exactly as Draw_Plot of its colour would set it, for
// rows long enough to take the grouped paths (runs of transparent, opaque,
// mixed and partial alpha) and the leftover tail.
TEST_F(DrawImageTest, RowsMatchPlottingEachPixel) {
  const int width = 45, height = 6;
  const ObjectHandle source = Img_Create(KX_Any, width, height, 32, -1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int group = x / 8;
      int alpha = group == 1 ? 255 : 0;
      if (group == 2) alpha = (x * 7 + y) % 3 ? 255 : 0;
      if (group == 3) alpha = (x + y) % 5 == 0 ? 77 + y : ((x + y) % 2) * 255;
      if (group >= 4) alpha = (x * 53 + y * 31) % 256;
      SetPixelBytes(source, x, y, {(x * 19 + y) & 0xFF, (x * 3 + y * 50) & 0xFF, 200 - x, alpha});
    }
  struct Case {
    unsigned mode;
    bool alphaImage;
    unsigned plotMode;
  };
  const Case cases[] = {{0, false, 0},
                        {0, true, DrawMode_SourceOver},
                        {DrawMode_SourceOver, false, DrawMode_SourceOver},
                        {DrawMode_SourceOverKeepAlpha, true, DrawMode_SourceOverKeepAlpha},
                        {DrawMode_CopyAll, false, DrawMode_CopyAll},
                        {DrawMode_AlphaOnly, true, DrawMode_AlphaOnly},
                        {DrawMode_ExclusiveOr, true, DrawMode_ExclusiveOr}};
  for (int depth : {24, 32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << "depth " << depth << " mode " << c.mode << " alpha " << c.alphaImage);
      auto makeTarget = [&] {
        const ObjectHandle t = Img_Create(KX_Any, width + 2, height, depth, -1);
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width + 2; ++x)
            SetPixelBytes(t, x, y, {(x * 11) & 0xFF, (y * 40) & 0xFF, 90, (x * 29 + y * 7) % 256});
        return t;
      };
      const ObjectHandle drawn = makeTarget(), plotted = makeTarget();
      DrawInto(drawn, c.mode, [&] {
        c.alphaImage ? Draw_AlphaImage(Img_Handle(source), 1, 0)
                     : Draw_Image(Img_Handle(source), 1, 0);
      });
      DrawInto(plotted, c.plotMode, [&] {
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) {
            const Bytes s = PixelBytes(source, x, y);
            Draw_Plot(x + 1, y, Draw_RGBA(s[2], s[1], s[0], s[3]));
          }
      });
      ExpectSamePixels(drawn, plotted);
      Img_Free(drawn);
      Img_Free(plotted);
    }
  }
}

}  // namespace
