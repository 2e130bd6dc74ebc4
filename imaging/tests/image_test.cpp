#include <cstring>

#include "imaging/image_table.h"
#include "imaging/tests/test_support.h"

using Bytes = std::vector<int>;

class ImageTest : public ImagingTest {};

TEST_F(ImageTest, TransparentBackgroundZeroesEveryByte) {
  const ObjectHandle image = Img_Create(KX_Any, 7, 3, 32, -1);
  ASSERT_NE(image, 0);
  const Bitmap& b = BitmapOf(image);
  EXPECT_EQ(b.stride, 28);
  for (int i = 0; i < b.stride * b.height; ++i) ASSERT_EQ(b.bits[i], 0) << i;
}

TEST_F(ImageTest, BackgroundOn32BitIsOpaqueWithRedAndBlueSwapped) {
  const ObjectHandle image = Img_Create(KX_Any, 3, 2, 32, 153 | 102 << 8 | 51 << 16);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelBytes(image, x, y), (Bytes{51, 102, 153, 255}));
}

TEST_F(ImageTest, TwentyFourBitRowsArePaddedToFourBytes) {
  const ObjectHandle black = Img_Create(KX_Any, 5, 2, 24, 0);
  const Bitmap& b = BitmapOf(black);
  EXPECT_EQ(b.stride, 16);
  EXPECT_EQ(b.bitsPerPixel, 24);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(b.bits[i], 0);

  const ObjectHandle coloured = Img_Create(KX_Any, 5, 2, 24, 0x102030);
  const Bitmap& c = BitmapOf(coloured);
  for (int row = 0; row < 2; ++row) {
    const std::uint8_t* p = c.bits + row * c.stride;
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(Bytes(p + 3 * x, p + 3 * x + 3), (Bytes{0x10, 0x20, 0x30}));
    EXPECT_EQ(p[15], 0) << "padding stays zero";
  }
}

TEST_F(ImageTest, StrideFollowsTheDepthRules) {
  EXPECT_EQ(Bitmap_Stride(24, 1), 4u);
  EXPECT_EQ(Bitmap_Stride(24, 4), 12u);
  EXPECT_EQ(Bitmap_Stride(24, 5), 16u);
  EXPECT_EQ(Bitmap_Stride(32, 5), 20u);
  EXPECT_EQ(Bitmap_Stride(16, 3), 8u);
  EXPECT_EQ(Bitmap_Stride(8, 5), 8u);
  EXPECT_EQ(Bitmap_Stride(4, 9), 8u);
  EXPECT_EQ(Bitmap_Stride(1, 33), 8u);
  EXPECT_EQ(Bitmap_Stride(12, 5), 0u);
}

TEST_F(ImageTest, DepthBelow24IsRaisedAndUnsupportedDepthsRefused) {
  const ObjectHandle low = Img_Create(KX_Any, 2, 2, 8, 0);
  ASSERT_NE(low, 0);
  EXPECT_EQ(BitmapOf(low).bitsPerPixel, 24);
  EXPECT_EQ(Img_Create(KX_Any, 2, 2, 48, 0), 0);
  EXPECT_EQ(Img_Create(KX_Any, 2, 2, 25, 0), 0);
}

TEST_F(ImageTest, SizesOutsideOneTo32767AreRefused) {
  const ObjectHandle wide = Img_Create(KX_Any, 32767, 1, 24, 0);
  ASSERT_NE(wide, 0);
  EXPECT_EQ(Img_Width(wide), 32767);
  EXPECT_EQ(Img_Height(wide), 1);
  EXPECT_EQ(Img_Create(KX_Any, 32768, 1, 24, 0), 0);
  EXPECT_EQ(Img_Create(KX_Any, 1, 32768, 32, -1), 0);
  EXPECT_EQ(Img_Create(KX_Any, 65537, 1, 24, 0), 0) << "must not wrap to 1";
  EXPECT_EQ(Img_Create(KX_Any, 0, 5, 24, 0), 0);
  EXPECT_EQ(Img_Create(KX_Any, 5, -1, 24, 0), 0);
  EXPECT_EQ(Img_Create(3, 0, 5, 24, 0), 0);
  EXPECT_FALSE(Img_IsImage(3)) << "a failed create leaves the number free";
}

TEST_F(ImageTest, FixedNumbersReturnTheHandleAndReuseFreesTheOldImage) {
  const ObjectHandle first = Img_Create(5, 4, 4, 32, -1);
  ASSERT_NE(first, 0);
  EXPECT_EQ(Img_Handle(5), first);
  EXPECT_EQ(Bitmap_FromHandle(first)->width, 4);
  const ObjectHandle second = Img_Create(5, 6, 2, 24, 0);
  ASSERT_NE(second, 0);
  EXPECT_EQ(Img_Width(5), 6);
  EXPECT_EQ(Bitmap_FromHandle(Img_Handle(5))->bitsPerPixel, 24);
  // The old bitmap is gone (unless the new one reused its address).
  if (second != first) {
    EXPECT_EQ(Bitmap_FromHandle(first), nullptr);
  }
  EXPECT_EQ(ImageTable().LiveCount(), 1u);
  const ObjectHandle high = Img_Create(100, 1, 1, 24, 0);
  EXPECT_NE(high, 0);
  EXPECT_TRUE(Img_IsImage(100));
}

TEST_F(ImageTest, UnknownNumbersGiveZeroAndChangeNothing) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  Img_Free(image);
  EXPECT_FALSE(Img_IsImage(image));
  for (ObjectHandle n :
       {image, ObjectHandle{0}, ObjectHandle{7}, ObjectHandle{123456789}, ObjectHandle{-5}}) {
    EXPECT_EQ(Img_Width(n), 0);
    EXPECT_EQ(Img_Height(n), 0);
    EXPECT_EQ(Img_Handle(n), 0);
    EXPECT_EQ(Img_Output(n), nullptr);
    EXPECT_EQ(Img_Copy(n, KX_Any), 0);
    EXPECT_EQ(Img_Resize(n, 4, 4, 1), 0);
    EXPECT_EQ(Img_Save(n, u"x.bmp"), 0);
    Img_Free(n);
  }
  EXPECT_EQ(Bitmap_FromHandle(0), nullptr);
  EXPECT_EQ(Bitmap_FromHandle(12345), nullptr);
}

TEST_F(ImageTest, FreeAllAndEndFreeEveryImage) {
  const ObjectHandle a = Img_Create(KX_Any, 2, 2, 32, -1);
  const ObjectHandle fixed = Img_Create(2, 2, 2, 24, 0);
  Img_Free(KX_Any);
  EXPECT_FALSE(Img_IsImage(a));
  EXPECT_FALSE(Img_IsImage(2));
  EXPECT_EQ(Bitmap_FromHandle(fixed), nullptr);
  Img_Create(KX_Any, 2, 2, 32, -1);
  Img_End();
  EXPECT_EQ(ImageTable().LiveCount(), 0u);
}

TEST_F(ImageTest, CopyTakesEveryByteIntoANewBitmap) {
  const ObjectHandle source = Img_Create(KX_Any, 3, 2, 32, -1);
  SetPixelBytes(source, 0, 0, {1, 2, 3, 4});
  SetPixelBytes(source, 2, 1, {9, 8, 7, 0});
  const ObjectHandle copy = Img_Copy(source, KX_Any);
  ASSERT_NE(copy, 0);
  EXPECT_NE(Img_Handle(copy), Img_Handle(source));
  EXPECT_EQ(PixelBytes(copy, 0, 0), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(PixelBytes(copy, 2, 1), (Bytes{9, 8, 7, 0}));
  SetPixelBytes(source, 0, 0, {0, 0, 0, 0});
  EXPECT_EQ(PixelBytes(copy, 0, 0), (Bytes{1, 2, 3, 4})) << "independent pixels";

  const ObjectHandle fixedCopy = Img_Copy(source, 40);
  EXPECT_EQ(fixedCopy, Img_Handle(40));
  EXPECT_EQ(Img_Width(40), 3);
}

TEST_F(ImageTest, CopyOntoItsOwnNumberKeepsTheSource) {
  ASSERT_NE(Img_Create(9, 3, 3, 24, 0x0000FF), 0);
  EXPECT_EQ(Img_Copy(9, 9), 0);
  EXPECT_TRUE(Img_IsImage(9));
  EXPECT_EQ(PixelBytes(9, 1, 1), (Bytes{0, 0, 255}));
}

TEST_F(ImageTest, OutputDescribesThePixelMemory) {
  const ObjectHandle rgba = Img_Create(KX_Any, 5, 3, 32, -1);
  DrawingContext* dc = Img_Output(rgba);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->outputFlags, 0x8040u);
  EXPECT_EQ(dc->bytesPerPixel, 4);
  EXPECT_EQ(dc->bitsPerPixel, 32);
  EXPECT_EQ(dc->pixelBase, BitmapOf(rgba).bits);
  EXPECT_EQ(dc->stride, 20);
  EXPECT_EQ(dc->width, 5);
  EXPECT_EQ(dc->height, 3);
  EXPECT_EQ(dc->frontColour, static_cast<std::int64_t>(std::int32_t(0xFFFFFFFFu)));
  EXPECT_EQ(dc->backColour, static_cast<std::int64_t>(std::int32_t(0xFF000000u)));
  EXPECT_EQ(dc->mode, 0u);
  Draw_Stop();

  const ObjectHandle rgb = Img_Create(KX_Any, 5, 3, 24, 0);
  dc = Img_Output(rgb);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->outputFlags, 0x8010u);
  EXPECT_EQ(dc->bytesPerPixel, 3);
  EXPECT_EQ(dc->stride, 16);
  Draw_Stop();
}
