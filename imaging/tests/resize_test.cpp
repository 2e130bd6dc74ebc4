#include "imaging/tests/test_support.h"

namespace {

class ResizeTest : public ImagingTest {
 protected:
  // Every pixel names its own position.
  ObjectHandle Numbered(int width, int height, int depth) {
    const ObjectHandle image = Img_Create(KX_Any, width, height, depth, -1);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixelBytes(image, x, y, Name(x, y, depth));
    return image;
  }
  static Bytes Name(int x, int y, int depth) {
    return depth == 32 ? Bytes{x, y, 100, 10 * x + y} : Bytes{x, y, 100};
  }
};

TEST_F(ResizeTest, SameSizeKeepsTheHandleAndBadSizesChangeNothing) {
  const ObjectHandle image = Numbered(4, 3, 32);
  const ObjectHandle handle = Img_Handle(image);
  EXPECT_EQ(Img_Resize(image, KX_Unchanged, KX_Unchanged, 0), handle);
  EXPECT_EQ(Img_Resize(image, 4, 3, 1), handle);
  EXPECT_EQ(Img_Resize(image, KX_Unchanged, 3, 0), handle);
  for (auto [w, h] :
       {std::pair<std::int64_t, std::int64_t>{0, 3}, {4, -2}, {32768, 3}, {4, 65539}, {-65534, 3}})
    EXPECT_EQ(Img_Resize(image, w, h, 1), 0) << w << "x" << h;
  EXPECT_EQ(Img_Handle(image), handle);
  EXPECT_EQ(Img_Width(image), 4);
  EXPECT_EQ(Img_Height(image), 3);
  EXPECT_EQ(PixelBytes(image, 3, 2), Name(3, 2, 32));
}

TEST_F(ResizeTest, RawShrinkTakesWholePixelsUnderEachCentre) {
  for (int depth : {24, 32}) {
    const ObjectHandle image = Numbered(4, 4, depth);
    const ObjectHandle old = Img_Handle(image);
    const ObjectHandle resized = Img_Resize(image, 2, 2, 1);
    ASSERT_NE(resized, 0);
    EXPECT_EQ(Img_Handle(image), resized);
    EXPECT_EQ(Bitmap_FromHandle(old), nullptr) << "old bitmap deleted";
    EXPECT_EQ(Img_Width(image), 2);
    EXPECT_EQ(BitmapOf(image).bitsPerPixel, depth);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        EXPECT_EQ(PixelBytes(image, x, y), Name(2 * x + 1, 2 * y + 1, depth));
  }
}

TEST_F(ResizeTest, RawEnlargeRepeatsPixelsAndOneSideCanStay) {
  const ObjectHandle image = Numbered(2, 3, 32);
  ASSERT_NE(Img_Resize(image, 4, 6, 1), 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelBytes(image, x, y), Name(x / 2, y / 2, 32));
  ASSERT_NE(Img_Resize(image, 1, KX_Unchanged, 1), 0);
  EXPECT_EQ(Img_Width(image), 1);
  EXPECT_EQ(Img_Height(image), 6);
  EXPECT_EQ(PixelBytes(image, 0, 5), Name(1, 2, 32));
}

TEST_F(ResizeTest, SmoothKeepsUniformImagesExact) {
  for (int depth : {24, 32}) {
    const ObjectHandle image = Img_Create(KX_Any, 9, 7, depth, -1);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) SetPixelBytes(image, x, y, {250, 140, 30, 77});
    Bytes expected{250, 140, 30, 77};
    expected.resize(depth / 8);
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
      SetPixelBytes(image, x, 0, {v, v, v, v});
    }
    ASSERT_NE(Img_Resize(image, 32, 1, 0), 0);
    int intermediate = 0;
    for (int x = 0; x < 32; ++x) {
      const Bytes p = PixelBytes(image, x, 0);
      for (int c : p)
        EXPECT_EQ(c, p[0]) << "every channel, alpha included, follows the same kernel";
      if (p[0] > 10 && p[0] < 230) ++intermediate;
      EXPECT_TRUE(x < 10 ? p[0] <= 10 : x < 22 || p[0] >= 230) << x << ": " << p[0];
    }
    EXPECT_GE(intermediate, 1) << "depth " << depth << ": interpolated, not nearest";
  }
}

TEST_F(ResizeTest, SmoothLeavesAnUnchangedAxisAlone) {
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

}  // namespace
