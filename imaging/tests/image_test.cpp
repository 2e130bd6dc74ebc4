#include "imaging/image_table.h"
#include "imaging/tests/test_support.h"

namespace {

class ImageTest : public ImagingTest {};

TEST_F(ImageTest, CreateFillsEveryPixelAndZeroesThePadding) {
  const Bitmap& clear = BitmapOf(Img_Create(KX_Any, 7, 3, 32, -1));
  EXPECT_EQ(clear.stride, 28);
  for (int i = 0; i < clear.stride * clear.height; ++i) ASSERT_EQ(clear.bits[i], 0) << i;
  // A background on 32 bits is opaque, red and blue swapped into memory order.
  const ObjectHandle rgba = Img_Create(KX_Any, 3, 2, 32, 153 | 102 << 8 | 51 << 16);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelBytes(rgba, x, y), (Bytes{51, 102, 153, 255}));
  const Bitmap& rgb = BitmapOf(Img_Create(KX_Any, 5, 2, 24, 0x102030));
  EXPECT_EQ(rgb.stride, 16);
  EXPECT_EQ(rgb.bitsPerPixel, 24);
  for (int row = 0; row < 2; ++row) {
    const std::uint8_t* p = rgb.bits + row * rgb.stride;
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(Bytes(p + 3 * x, p + 3 * x + 3), (Bytes{0x10, 0x20, 0x30}));
    EXPECT_EQ(p[15], 0) << "padding stays zero";
  }
}

TEST_F(ImageTest, StrideFollowsTheDepthRules) {
  const unsigned cases[][3] = {{24, 1, 4}, {24, 4, 12}, {24, 5, 16}, {32, 5, 20}, {16, 3, 8},
                               {8, 5, 8},  {4, 9, 8},   {1, 33, 8},  {12, 5, 0}};
  for (const auto& c : cases) EXPECT_EQ(Bitmap_Stride(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST_F(ImageTest, RefusesBadDepthsAndSizesWithoutTruncating) {
  const ObjectHandle low = Img_Create(KX_Any, 2, 2, 8, 0);
  ASSERT_NE(low, 0);
  EXPECT_EQ(BitmapOf(low).bitsPerPixel, 24) << "depths below 24 are raised";
  EXPECT_EQ(Img_Create(KX_Any, 2, 2, 48, 0), 0);
  EXPECT_EQ(Img_Create(KX_Any, 2, 2, 25, 0), 0);
  const ObjectHandle wide = Img_Create(KX_Any, 32767, 1, 24, 0);
  EXPECT_EQ(Img_Width(wide), 32767);
  EXPECT_EQ(Img_Height(wide), 1);
  for (auto [w, h] : {std::pair{32768, 1}, {1, 32768}, {65537, 1}, {0, 5}, {5, -1}})
    EXPECT_EQ(Img_Create(KX_Any, w, h, 32, -1), 0) << w << "x" << h;
  EXPECT_EQ(Img_Create(3, 0, 5, 24, 0), 0);
  EXPECT_FALSE(Img_IsImage(3)) << "a failed create leaves the number free";
}

TEST_F(ImageTest, FixedNumbersReuseAndFreeingAll) {
  const ObjectHandle first = Img_Create(5, 4, 4, 32, -1);
  ASSERT_NE(first, 0);
  EXPECT_EQ(Img_Handle(5), first);
  EXPECT_EQ(Bitmap_FromHandle(first)->width, 4);
  const ObjectHandle second = Img_Create(5, 6, 2, 24, 0);
  ASSERT_NE(second, 0);
  EXPECT_EQ(Img_Width(5), 6);
  EXPECT_EQ(Bitmap_FromHandle(Img_Handle(5))->bitsPerPixel, 24);
  if (second != first) {
    EXPECT_EQ(Bitmap_FromHandle(first), nullptr) << "the old bitmap is gone";
  }
  EXPECT_EQ(ImageTable().LiveCount(), 1u);
  EXPECT_NE(Img_Create(100, 1, 1, 24, 0), 0);
  EXPECT_TRUE(Img_IsImage(100));
  // Freeing all takes fixed and automatic numbers alike; Img_End frees the rest.
  const ObjectHandle any = Img_Create(KX_Any, 2, 2, 32, -1);
  Img_Free(KX_Any);
  EXPECT_FALSE(Img_IsImage(5) || Img_IsImage(100) || Img_IsImage(any));
  EXPECT_EQ(Bitmap_FromHandle(second), nullptr);
  Img_Create(KX_Any, 2, 2, 32, -1);
  Img_End();
  EXPECT_EQ(ImageTable().LiveCount(), 0u);
}

TEST_F(ImageTest, UnknownNumbersGiveZeroAndChangeNothing) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 32, -1);
  Img_Free(image);
  EXPECT_FALSE(Img_IsImage(image));
  for (ObjectHandle n : {image, ObjectHandle{0}, ObjectHandle{7}, ObjectHandle{-5}}) {
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

TEST_F(ImageTest, CopyTakesEveryByteIntoANewBitmap) {
  const ObjectHandle source = Img_Create(KX_Any, 3, 2, 32, -1);
  SetPixelBytes(source, 0, 0, {1, 2, 3, 4});
  SetPixelBytes(source, 2, 1, {9, 8, 7, 0});
  const ObjectHandle copy = Img_Copy(source, KX_Any);
  ASSERT_NE(copy, 0);
  EXPECT_EQ(PixelBytes(copy, 2, 1), (Bytes{9, 8, 7, 0}));
  SetPixelBytes(source, 0, 0, {0, 0, 0, 0});
  EXPECT_EQ(PixelBytes(copy, 0, 0), (Bytes{1, 2, 3, 4})) << "independent pixels";
  const ObjectHandle fixedCopy = Img_Copy(source, 40);
  EXPECT_EQ(fixedCopy, Img_Handle(40));
  EXPECT_EQ(Img_Width(40), 3);
  // Copying onto its own number would free the source first: refused.
  EXPECT_EQ(Img_Copy(40, 40), 0);
  EXPECT_TRUE(Img_IsImage(40));
  EXPECT_EQ(PixelBytes(40, 2, 1), (Bytes{9, 8, 7, 0}));
}

TEST_F(ImageTest, OutputDescribesThePixelMemory) {
  const ObjectHandle rgba = Img_Create(KX_Any, 5, 3, 32, -1);
  DrawingContext* dc = Img_Output(rgba);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->outputFlags, 0x8040u);
  EXPECT_EQ(dc->pixelBase, BitmapOf(rgba).bits);
  EXPECT_EQ(dc->frontColour, Draw_RGBA(255, 255, 255, 255));
  EXPECT_EQ(dc->backColour, Draw_RGBA(0, 0, 0, 255));
  EXPECT_EQ(dc->mode, 0u);
  dc = Img_Output(Img_Create(KX_Any, 5, 3, 24, 0));
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->outputFlags, 0x8010u);
  EXPECT_EQ(dc->stride, 16);
  Draw_Stop();
}

}  // namespace
