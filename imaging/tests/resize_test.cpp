#include "imaging/tests/test_support.h"

using Bytes = std::vector<int>;

namespace {

class ResizeTest : public ImagingTest {
 protected:
  // Every pixel names its own position.
  ObjectHandle Numbered(int width, int height, int depth) {
    const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        SetPixelBytes(image, x, y, depth == 32 ? Bytes{x, y, 100, 10 * x + y} : Bytes{x, y, 100});
    return image;
  }
};

}  // namespace

TEST_F(ResizeTest, SameSizeReturnsTheCurrentHandleUntouched) {
  const ObjectHandle image = Numbered(3, 2, 32);
  const ObjectHandle handle = Img_Handle(image);
  EXPECT_EQ(Img_Resize(image, KX_Unchanged, KX_Unchanged, 0), handle);
  EXPECT_EQ(Img_Resize(image, 3, 2, 1), handle);
  EXPECT_EQ(Img_Resize(image, KX_Unchanged, 2, 0), handle);
  EXPECT_EQ(Img_Handle(image), handle);
  EXPECT_EQ(PixelBytes(image, 2, 1), (Bytes{2, 1, 100, 21}));
}

TEST_F(ResizeTest, RawShrinkTakesWholePixelsUnderEachCentre) {
  for (int depth : {24, 32}) {
    const ObjectHandle image = Numbered(4, 4, depth);
    const ObjectHandle old = Img_Handle(image);
    const ObjectHandle resized = Img_Resize(image, 2, 2, 1);
    ASSERT_NE(resized, 0);
    EXPECT_NE(resized, old);
    EXPECT_EQ(Img_Handle(image), resized);
    EXPECT_EQ(Bitmap_FromHandle(old), nullptr) << "old bitmap deleted";
    EXPECT_EQ(Img_Width(image), 2);
    EXPECT_EQ(Img_Height(image), 2);
    EXPECT_EQ(BitmapOf(image).bitsPerPixel, depth);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) {
        const int sx = 2 * x + 1, sy = 2 * y + 1;
        EXPECT_EQ(PixelBytes(image, x, y),
                  (depth == 32 ? Bytes{sx, sy, 100, 10 * sx + sy} : Bytes{sx, sy, 100}));
      }
  }
}

TEST_F(ResizeTest, RawEnlargeRepeatsPixelsAndKeepsTopRowOnTop) {
  const ObjectHandle image = Numbered(2, 3, 32);
  ASSERT_NE(Img_Resize(image, 4, 6, 1), 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(PixelBytes(image, x, y), (Bytes{x / 2, y / 2, 100, 10 * (x / 2) + y / 2}));
}

TEST_F(ResizeTest, OneSideCanStayUnchanged) {
  const ObjectHandle image = Numbered(4, 3, 24);
  ASSERT_NE(Img_Resize(image, 2, KX_Unchanged, 1), 0);
  EXPECT_EQ(Img_Width(image), 2);
  EXPECT_EQ(Img_Height(image), 3);
  EXPECT_EQ(PixelBytes(image, 1, 2), (Bytes{3, 2, 100}));
}

TEST_F(ResizeTest, BadSizesFailAndLeaveTheImage) {
  const ObjectHandle image = Numbered(4, 3, 32);
  const ObjectHandle handle = Img_Handle(image);
  for (auto [w, h] :
       {std::pair<std::int64_t, std::int64_t>{0, 3}, {4, -2}, {32768, 3}, {4, 65539}, {-65534, 3}})
    EXPECT_EQ(Img_Resize(image, w, h, 1), 0) << w << "x" << h;
  EXPECT_EQ(Img_Handle(image), handle);
  EXPECT_EQ(Img_Width(image), 4);
  EXPECT_EQ(Img_Height(image), 3);
}

TEST_F(ResizeTest, SmoothKeepsUniformImagesExact) {
  for (int depth : {24, 32}) {
    const ObjectHandle image = Img_Create(KX_Any, 9, 7, depth, Draw_RGBA(30, 140, 250, 255));
    if (depth == 32)
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) SetPixelBytes(image, x, y, {250, 140, 30, 77});
    const Bytes expected = depth == 32 ? Bytes{250, 140, 30, 77} : Bytes{250, 140, 30};
    for (auto [w, h] : {std::pair{4, 3}, {20, 11}, {3, 17}, {9, 2}}) {
      ASSERT_NE(Img_Resize(image, w, h, 0), 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(PixelBytes(image, x, y), expected) << depth << " " << w << "x" << h;
    }
  }
}

TEST_F(ResizeTest, SmoothInterpolatesEveryChannelAcrossAnEdge) {
  for (int depth : {24, 32}) {
    const ObjectHandle image = Img_Create(KX_Any, 8, 1, depth, -1);
    for (int x = 0; x < 8; ++x) {
      const int v = x < 4 ? 0 : 240;
      SetPixelBytes(image, x, 0, depth == 32 ? Bytes{v, v, v, v} : Bytes{v, v, v});
    }
    ASSERT_NE(Img_Resize(image, 32, 1, 0), 0);
    int intermediate = 0;
    for (int x = 0; x < 32; ++x) {
      const Bytes p = PixelBytes(image, x, 0);
      for (int c : p) {
        EXPECT_EQ(c, p[0]) << "every channel, alpha included, follows the same kernel";
        if (c > 10 && c < 230) ++intermediate;
      }
      if (x < 10) {
        EXPECT_LE(p[0], 10) << x;
      }
      if (x >= 22) {
        EXPECT_GE(p[0], 230) << x;
      }
    }
    EXPECT_GE(intermediate, 2) << "depth " << depth << ": interpolated, not nearest";
  }
}

TEST_F(ResizeTest, SmoothLeavesAnUnchangedAxisAlone) {
  // Only the height changes: each column keeps its value exactly.
  const ObjectHandle image = Img_Create(KX_Any, 5, 1, 32, -1);
  for (int x = 0; x < 5; ++x) SetPixelBytes(image, x, 0, {x * 50, 0, 255 - x * 50, 255});
  ASSERT_NE(Img_Resize(image, KX_Unchanged, 4, 0), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(PixelBytes(image, x, y), (Bytes{x * 50, 0, 255 - x * 50, 255}));
}

TEST_F(ResizeTest, SmoothShrinkAveragesFinePatterns) {
  // A one-pixel checkerboard shrunk four times comes out mid grey, not as
  // the black or white that point sampling would pick.
  const ObjectHandle image = Img_Create(KX_Any, 64, 64, 32, -1);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int v = (x + y) % 2 ? 255 : 0;
      SetPixelBytes(image, x, y, {v, v, v, 255});
    }
  ASSERT_NE(Img_Resize(image, 16, 16, 0), 0);
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 14; ++x) {
      EXPECT_NEAR(PixelBytes(image, x, y)[0], 128, 8) << x << "," << y;
      EXPECT_EQ(PixelBytes(image, x, y)[3], 255);
    }
}
