// The preview's size rule and its sampler, against the copy and raw resize
// the sampler stands in for.
#include "app/window/preview_sampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"

namespace {

TEST(PreviewSizeTest, ShrinksByWidthThenHeightAndNeverEnlarges) {
  const struct {
    int w, h, cw, ch, ew, eh;
  } cases[] = {
      {800, 400, 400, 300, 400, 200},      // the width gives 0.5, the height fits then
      {200, 600, 400, 300, 100, 300},      // the width fits, the height gives 0.5
      {100, 100, 400, 300, 100, 100},      // smaller than the canvas: full size
      {400, 300, 400, 300, 400, 300},      // exactly the canvas: untouched
      {1200, 900, 400, 200, 267, 200},     // both: the height's factor wins
      {10, 5, 5, 100, 5, 2},               // 2.5 rounds to the even 2
      {10, 7, 5, 100, 5, 4},               // 3.5 rounds to the even 4
      {32000, 10, 600, 300, 600, 1},       // 0.1875 would round to 0: at least 1
      {10, 32000, 600, 300, 1, 300},
      {500, 500, 0, 0, 1, 1},              // a canvas with no size (minimised)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " on " << c.cw << "x" << c.ch);
    const PreviewSize size = PreviewSizeFor(c.w, c.h, c.cw, c.ch);
    EXPECT_EQ(size.width, c.ew);
    EXPECT_EQ(size.height, c.eh);
  }
}

// Random pixels (alpha included, so a sampler that blends would show).
ObjectHandle RandomImage(int w, int h, int depth, std::mt19937& random) {
  const ObjectHandle image = Img_Create(KX_Any, w, h, depth, 0);
  const Bitmap* b = Bitmap_FromHandle(Img_Handle(image));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < b->stride; ++x) b->bits[static_cast<std::size_t>(y) * b->stride + x] =
        static_cast<std::uint8_t>(random());
  return image;
}

// What the preview's steps would draw on a target: copy, raw resize, image.
void DrawOracle(ObjectHandle target, ObjectHandle source, int w, int h) {
  const ObjectHandle copy = Img_Copy(source, KX_Any);
  ASSERT_NE(copy, 0);
  if (w != Img_Width(copy) || h != Img_Height(copy)) {
    ASSERT_NE(Img_Resize(copy, w, h, 1), 0);
  }
  ASSERT_TRUE(Draw_Start(Img_Output(target)));
  Draw_Image(Img_Handle(copy), 0, 0);
  Draw_Stop();
  Img_Free(copy);
}

void DrawSampled(ObjectHandle target, ObjectHandle source, int w, int h) {
  ASSERT_TRUE(Draw_Start(Img_Output(target)));
  DrawNearestScaled(*Bitmap_FromHandle(Img_Handle(source)), w, h);
  Draw_Stop();
}

bool SamePixels(ObjectHandle a, ObjectHandle b) {
  const Bitmap* x = Bitmap_FromHandle(Img_Handle(a));
  const Bitmap* y = Bitmap_FromHandle(Img_Handle(b));
  return x->stride == y->stride && x->height == y->height &&
         std::memcmp(x->bits, y->bits, static_cast<std::size_t>(x->stride) * x->height) == 0;
}

TEST(PreviewSamplerTest, GivesThePixelsOfACopyResizedRaw) {
  Img_Init();
  std::mt19937 random(1234);
  int compared = 0;
  const int sources[][2] = {{1, 1},   {2, 3},    {7, 5},    {31, 17},   {64, 64},
                            {97, 13}, {300, 7},  {13, 301}, {640, 480}, {1001, 999}};
  const int canvases[][2] = {{1, 1}, {5, 5}, {30, 20}, {64, 48}, {100, 333}, {600, 313}};
  for (const auto& s : sources)
    for (int depth : {32, 24}) {
      const ObjectHandle source = RandomImage(s[0], s[1], depth, random);
      for (const auto& c : canvases)
        for (int targetDepth : {24, 32}) {
          SCOPED_TRACE(::testing::Message() << s[0] << "x" << s[1] << "/" << depth << " on " << c[0]
                                            << "x" << c[1] << "/" << targetDepth);
          const PreviewSize size = PreviewSizeFor(s[0], s[1], c[0], c[1]);
          // Targets of the canvas size, pre-filled alike, so that clipping
          // and untouched pixels are compared too.
          const ObjectHandle expected = Img_Create(KX_Any, c[0], c[1], targetDepth, 0x336699);
          const ObjectHandle actual = Img_Create(KX_Any, c[0], c[1], targetDepth, 0x336699);
          DrawOracle(expected, source, size.width, size.height);
          DrawSampled(actual, source, size.width, size.height);
          EXPECT_TRUE(SamePixels(expected, actual));
          Img_Free(expected);
          Img_Free(actual);
          ++compared;
        }
      Img_Free(source);
    }
  // Sizes the preview never asks for, but a sampler must still get right:
  // enlarging, and a target smaller than the picture.
  const ObjectHandle source = RandomImage(9, 4, 32, random);
  for (const auto& size : {std::pair{23, 11}, std::pair{9, 40}, std::pair{3, 2}}) {
    const ObjectHandle expected = Img_Create(KX_Any, 12, 12, 24, 0);
    const ObjectHandle actual = Img_Create(KX_Any, 12, 12, 24, 0);
    DrawOracle(expected, source, size.first, size.second);
    DrawSampled(actual, source, size.first, size.second);
    EXPECT_TRUE(SamePixels(expected, actual)) << size.first << "x" << size.second;
    Img_Free(expected);
    Img_Free(actual);
  }
  Img_Free(source);
  EXPECT_EQ(compared, 240);
}

TEST(PreviewSamplerTest, DrawsNothingWithoutAStartedOutput) {
  Img_Init();
  const ObjectHandle source = Img_Create(KX_Any, 4, 4, 32, 0xFFFFFF);
  const ObjectHandle target = Img_Create(KX_Any, 4, 4, 24, 0);
  DrawNearestScaled(*Bitmap_FromHandle(Img_Handle(source)), 4, 4);
  Img_Output(target);  // made but not started
  DrawNearestScaled(*Bitmap_FromHandle(Img_Handle(source)), 4, 4);
  const Bitmap* b = Bitmap_FromHandle(Img_Handle(target));
  for (int i = 0; i < b->stride * b->height; ++i) ASSERT_EQ(b->bits[i], 0) << i;
  Img_Free(source);
  Img_Free(target);
}

}  // namespace
