#include "imaging/tests/test_support.h"

using Bytes = std::vector<int>;

namespace {

class DrawImageTest : public ImagingTest {
 protected:
  // A 3 x 1 32-bit source: alpha 0, alpha 255, alpha 100.
  ObjectHandle Source32() {
    const ObjectHandle image = Img_Create(KX_Any, 3, 1, 32, -1);
    SetPixelBytes(image, 0, 0, {10, 20, 30, 0});
    SetPixelBytes(image, 1, 0, {40, 50, 60, 255});
    SetPixelBytes(image, 2, 0, {200, 200, 200, 100});
    return image;
  }

  ObjectHandle Source24() {
    const ObjectHandle image = Img_Create(KX_Any, 3, 1, 24, 0);
    for (int x = 0; x < 3; ++x) SetPixelBytes(image, x, 0, {10, 20, 30});
    return image;
  }

  // Draws `source` at 0, 0 onto a 3 x 1 target of `depth` whose pixels are 50s
  // (alpha 60) and returns the target's pixels.
  std::vector<Bytes> DrawOnto(int depth, ObjectHandle source, unsigned mode, bool alpha) {
    const ObjectHandle target = Img_Create(KX_Any, 3, 1, depth, -1);
    for (int x = 0; x < 3; ++x)
      SetPixelBytes(target, x, 0, depth == 32 ? Bytes{50, 50, 50, 60} : Bytes{50, 50, 50});
    EXPECT_EQ(Draw_Start(Img_Output(target)), 1);
    Draw_Mode(mode);
    if (alpha)
      Draw_AlphaImage(Img_Handle(source), 0, 0);
    else
      Draw_Image(Img_Handle(source), 0, 0);
    Draw_Stop();
    return {PixelBytes(target, 0, 0), PixelBytes(target, 1, 0), PixelBytes(target, 2, 0)};
  }
};

}  // namespace

TEST_F(DrawImageTest, ThirtyTwoBitSourceOntoThirtyTwoBitTarget) {
  const ObjectHandle s = Source32();
  using V = std::vector<Bytes>;
  // Draw_Image in the default mode: colour copied, target alpha kept.
  EXPECT_EQ(DrawOnto(32, s, 0, false),
            (V{{10, 20, 30, 60}, {40, 50, 60, 60}, {200, 200, 200, 60}}));
  // Draw_AlphaImage in the default mode and any source-over: blended, alpha updated
  // (200 at 100 over 50 at 60 gives 159 and alpha 136).
  const V blended{{50, 50, 50, 60}, {40, 50, 60, 255}, {159, 159, 159, 136}};
  EXPECT_EQ(DrawOnto(32, s, 0, true), blended);
  EXPECT_EQ(DrawOnto(32, s, DrawMode_SourceOver, false), blended);
  EXPECT_EQ(DrawOnto(32, s, DrawMode_SourceOver | DrawMode_SourceOverKeepAlpha, true), blended);
  EXPECT_EQ(DrawOnto(32, s, DrawMode_SourceOverKeepAlpha, true),
            (V{{50, 50, 50, 60}, {40, 50, 60, 60}, {159, 159, 159, 60}}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_CopyAll, true),
            (V{{10, 20, 30, 0}, {40, 50, 60, 255}, {200, 200, 200, 100}}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_AlphaOnly, true),
            (V{{50, 50, 50, 0}, {50, 50, 50, 255}, {50, 50, 50, 100}}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_ExclusiveOr, true), (V{{50 ^ 10, 50 ^ 20, 50 ^ 30, 60},
                                                            {50 ^ 40, 0, 50 ^ 60, 60},
                                                            {50 ^ 200, 50 ^ 200, 50 ^ 200, 60}}));
}

TEST_F(DrawImageTest, ThirtyTwoBitSourceOntoTwentyFourBitTarget) {
  const ObjectHandle s = Source32();
  using V = std::vector<Bytes>;
  EXPECT_EQ(DrawOnto(24, s, 0, false), (V{{10, 20, 30}, {40, 50, 60}, {200, 200, 200}}));
  // (200 * 100 + 50 * 155) / 255 = 108.
  const V blended{{50, 50, 50}, {40, 50, 60}, {108, 108, 108}};
  EXPECT_EQ(DrawOnto(24, s, 0, true), blended);
  EXPECT_EQ(DrawOnto(24, s, DrawMode_SourceOver, false), blended);
  EXPECT_EQ(DrawOnto(24, s, DrawMode_SourceOverKeepAlpha, false), blended);
  EXPECT_EQ(DrawOnto(24, s, DrawMode_AlphaOnly, true), (V(3, Bytes{50, 50, 50})));
  EXPECT_EQ(DrawOnto(24, s, DrawMode_CopyAll, false),
            (V{{10, 20, 30}, {40, 50, 60}, {200, 200, 200}}));
  EXPECT_EQ(
      DrawOnto(24, s, DrawMode_ExclusiveOr, false),
      (V{{50 ^ 10, 50 ^ 20, 50 ^ 30}, {50 ^ 40, 0, 50 ^ 60}, {50 ^ 200, 50 ^ 200, 50 ^ 200}}));
}

TEST_F(DrawImageTest, TwentyFourBitSourceCountsAsOpaque) {
  const ObjectHandle s = Source24();
  using V = std::vector<Bytes>;
  EXPECT_EQ(DrawOnto(32, s, 0, false), V(3, Bytes{10, 20, 30, 60}));
  EXPECT_EQ(DrawOnto(32, s, 0, true), V(3, Bytes{10, 20, 30, 255}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_SourceOver, false), V(3, Bytes{10, 20, 30, 255}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_SourceOverKeepAlpha, false), V(3, Bytes{10, 20, 30, 60}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_CopyAll, false), V(3, Bytes{10, 20, 30, 255}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_AlphaOnly, false), V(3, Bytes{50, 50, 50, 255}));
  EXPECT_EQ(DrawOnto(32, s, DrawMode_ExclusiveOr, false),
            V(3, Bytes{50 ^ 10, 50 ^ 20, 50 ^ 30, 60}));
  EXPECT_EQ(DrawOnto(24, s, 0, false), V(3, Bytes{10, 20, 30}));
  EXPECT_EQ(DrawOnto(24, s, 0, true), V(3, Bytes{10, 20, 30}));
  EXPECT_EQ(DrawOnto(24, s, DrawMode_SourceOver, false), V(3, Bytes{10, 20, 30}));
  EXPECT_EQ(DrawOnto(24, s, DrawMode_AlphaOnly, false), V(3, Bytes{50, 50, 50}));
  EXPECT_EQ(DrawOnto(24, s, DrawMode_ExclusiveOr, false), V(3, Bytes{50 ^ 10, 50 ^ 20, 50 ^ 30}));
}

TEST_F(DrawImageTest, ExportCopiesColourBytesOfTransparentPixels) {
  const ObjectHandle mosaic = Img_Create(KX_Any, 2, 1, 32, -1);
  SetPixelBytes(mosaic, 1, 0, {77, 77, 77, 255});
  const ObjectHandle exported = Img_Create(KX_Any, 2, 1, 24, 0);
  ASSERT_EQ(Draw_Start(Img_Output(exported)), 1);
  Draw_Image(Img_Handle(mosaic), 0, 0);
  Draw_Stop();
  EXPECT_EQ(PixelBytes(exported, 0, 0), (Bytes{0, 0, 0}));
  EXPECT_EQ(PixelBytes(exported, 1, 0), (Bytes{77, 77, 77}));
}

TEST_F(DrawImageTest, MosaicComposesOpaqueTilePixelsOnly) {
  const ObjectHandle mosaic = Img_Create(KX_Any, 4, 2, 32, -1);
  const ObjectHandle tileA = Img_Create(KX_Any, 2, 2, 32, -1);
  const ObjectHandle tileB = Img_Create(KX_Any, 2, 2, 32, -1);
  SetPixelBytes(tileA, 1, 0, {7, 7, 7, 255});
  SetPixelBytes(tileA, 1, 1, {8, 8, 8, 255});
  SetPixelBytes(tileB, 0, 0, {9, 9, 9, 255});
  ASSERT_EQ(Draw_Start(Img_Output(mosaic)), 1);
  Draw_Mode(DrawMode_SourceOver);
  Draw_AlphaImage(Img_Handle(tileA), 0, 0);
  Draw_AlphaImage(Img_Handle(tileB), 1, 0);  // overlaps tileA's column 1
  Draw_Stop();
  EXPECT_EQ(PixelBytes(mosaic, 0, 0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(PixelBytes(mosaic, 1, 0), (Bytes{9, 9, 9, 255})) << "later tile wins";
  EXPECT_EQ(PixelBytes(mosaic, 1, 1), (Bytes{8, 8, 8, 255})) << "transparent pixel keeps data";
  EXPECT_EQ(PixelBytes(mosaic, 2, 0), (Bytes{0, 0, 0, 0}));
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
        const ObjectHandle target = Img_Create(KX_Any, tw, th, depth, depth == 32 ? -1 : 0);
        ASSERT_EQ(Draw_Start(Img_Output(target)), 1);
        Draw_Mode(DrawMode_CopyAll);
        Draw_Image(Img_Handle(source), px, py);
        Draw_Stop();
        for (int y = 0; y < th; ++y) {
          for (int x = 0; x < tw; ++x) {
            const int sx = x - px, sy = y - py;
            Bytes expected = depth == 32 ? Bytes{0, 0, 0, 0} : Bytes{0, 0, 0};
            if (sx >= 0 && sx < sw && sy >= 0 && sy < sh) {
              expected = {sx + 1, sy + 1, 100 + sx + 10 * sy};
              if (depth == 32) expected.push_back(255);
            }
            ASSERT_EQ(PixelBytes(target, x, y), expected)
                << "depth " << depth << " at " << px << "," << py << " pixel " << x << "," << y;
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
  ASSERT_EQ(Draw_Start(Img_Output(target)), 1);
  Draw_Mode(DrawMode_CopyAll);
  Draw_Image(Img_Handle(source), 1, 1, 4, 3);
  Draw_Stop();
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
  ASSERT_EQ(Draw_Start(Img_Output(image)), 1);
  Draw_Mode(DrawMode_CopyAll);
  Draw_Image(Img_Handle(image), 1, 0);
  Draw_Stop();
  EXPECT_EQ(PixelBytes(image, 0, 0), (Bytes{0, 0, 0, 255}));
  EXPECT_EQ(PixelBytes(image, 1, 0), (Bytes{0, 0, 0, 255}));
  EXPECT_EQ(PixelBytes(image, 2, 0), (Bytes{1, 1, 1, 255}));
  EXPECT_EQ(PixelBytes(image, 3, 0), (Bytes{2, 2, 2, 255}));
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
      int alpha = 0;
      if (group == 1) alpha = 255;
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
      auto makeTarget = [&] {
        const ObjectHandle t = Img_Create(KX_Any, width + 2, height, depth, -1);
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width + 2; ++x) {
            Bytes p{(x * 11) & 0xFF, (y * 40) & 0xFF, 90};
            if (depth == 32) p.push_back((x * 29 + y * 7) % 256);
            SetPixelBytes(t, x, y, p);
          }
        return t;
      };
      const ObjectHandle drawn = makeTarget();
      const ObjectHandle plotted = makeTarget();
      ASSERT_EQ(Draw_Start(Img_Output(drawn)), 1);
      Draw_Mode(c.mode);
      if (c.alphaImage)
        Draw_AlphaImage(Img_Handle(source), 1, 0);
      else
        Draw_Image(Img_Handle(source), 1, 0);
      Draw_Stop();
      ASSERT_EQ(Draw_Start(Img_Output(plotted)), 1);
      Draw_Mode(c.plotMode);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const Bytes s = PixelBytes(source, x, y);
          Draw_Plot(x + 1, y, Draw_RGBA(s[2], s[1], s[0], s[3]));
        }
      Draw_Stop();
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width + 2; ++x)
          ASSERT_EQ(PixelBytes(drawn, x, y), PixelBytes(plotted, x, y))
              << "depth " << depth << " mode " << c.mode << " alpha " << c.alphaImage << " at " << x
              << "," << y;
      Img_Free(drawn);
      Img_Free(plotted);
    }
  }
}
