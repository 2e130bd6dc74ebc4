// Helpers shared by the imaging tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"

inline const Bitmap& BitmapOf(ObjectHandle image) {
  const Bitmap* bitmap = Bitmap_FromHandle(Img_Handle(image));
  EXPECT_NE(bitmap, nullptr);
  static const Bitmap empty;
  return bitmap ? *bitmap : empty;
}

// Bytes of pixel x, y (y = 0 at the top), as stored: blue, green, red (, alpha).
inline std::vector<int> PixelBytes(ObjectHandle image, int x, int y) {
  const Bitmap& b = BitmapOf(image);
  const int n = b.bitsPerPixel / 8;
  const std::uint8_t* p = Bitmap_PictureRow(b, y) + x * n;
  return std::vector<int>(p, p + n);
}

inline void SetPixelBytes(ObjectHandle image, int x, int y, std::vector<int> bytes) {
  const Bitmap& b = BitmapOf(image);
  std::uint8_t* p = Bitmap_PictureRow(b, y) + x * (b.bitsPerPixel / 8);
  for (std::size_t i = 0; i < bytes.size(); ++i) p[i] = static_cast<std::uint8_t>(bytes[i]);
}

// Frees every image between tests so numbers and counts start fresh.
class ImagingTest : public ::testing::Test {
 protected:
  void SetUp() override { Img_Init(); }
  void TearDown() override {
    Draw_Stop();
    Img_Free(KX_Any);
  }
};
