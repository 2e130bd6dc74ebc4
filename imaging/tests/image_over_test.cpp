#include "imaging/tests/test_support.h"

namespace {

// A 6 x 4 window at column 3, picture row 2 of a 16 x 10 store whose bytes
// outside the window are a guard value that must never change.
struct Store {
  static constexpr int kWidth = 16, kHeight = 10, kStride = kWidth * 4;
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kStride * kHeight, 0xAB);
  Store() {
    for (int y = 2; y < 6; ++y) std::fill_n(Row(y) + 3 * 4, 6 * 4, 0);
  }
  std::uint8_t* Row(int y) { return bytes.data() + std::size_t(kHeight - 1 - y) * kStride; }
  std::uint8_t* WindowBits() { return Row(5) + 3 * 4; }  // bottom row of the window
  int Guarded() {
    int count = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth * 4; ++x)
        if ((y < 2 || y >= 6 || x < 12 || x >= 36) && Row(y)[x] == 0xAB) ++count;
    return count;
  }
};

class ImageOver : public ImagingTest {};

TEST_F(ImageOver, DrawsInsideItsWindowOnlyAndFreeingLeavesTheMemory) {
  Store store;
  const int guard = store.Guarded();
  const ObjectHandle view = Img_CreateOver(KX_Any, store.WindowBits(), 6, 4, 32, Store::kStride);
  ASSERT_NE(view, 0);
  EXPECT_EQ(Img_Width(view), 6);
  EXPECT_EQ(Img_Height(view), 4);
  DrawInto(view, DrawMode_CopyAll, [] {
    Draw_Box(-5, -5, 100, 100, Draw_RGBA(1, 2, 3, 4));
    Draw_Plot(5, 3, Draw_RGBA(9, 8, 7, 255));
  });
  EXPECT_EQ(store.Guarded(), guard);
  EXPECT_EQ(PixelBytes(view, 0, 0), (Bytes{3, 2, 1, 4}));
  EXPECT_EQ(PixelBytes(view, 5, 3), (Bytes{7, 8, 9, 255}));
  EXPECT_EQ(store.Row(5)[(3 + 5) * 4 + 2], 9);  // picture row 3 of the window

  // Copies and resizes step by the window's stride.
  const ObjectHandle copy = Img_Copy(view, KX_Any);
  ASSERT_NE(copy, 0);
  ExpectSamePixels(view, copy);
  for (int mode : {0, 1}) {
    const ObjectHandle small = Img_Copy(copy, KX_Any);
    const ObjectHandle window =
        Img_CreateOver(KX_Any, store.WindowBits(), 6, 4, 32, Store::kStride);
    ASSERT_NE(Img_Resize(small, 4, 3, mode), 0);
    ASSERT_NE(Img_Resize(window, 4, 3, mode), 0);  // the window gets pixels of its own
    ExpectSamePixels(small, window);
  }
  Img_Free(view);  // the store is a vector: freeing it here would crash
  EXPECT_EQ(store.Row(5)[(3 + 5) * 4 + 2], 9);
  EXPECT_EQ(store.Guarded(), guard);
}

TEST_F(ImageOver, RefusesWhatCannotBeAWindow) {
  Store store;
  EXPECT_EQ(Img_CreateOver(KX_Any, nullptr, 6, 4, 32, Store::kStride), 0);
  EXPECT_EQ(Img_CreateOver(KX_Any, store.WindowBits(), 6, 4, 32, 6 * 4 - 1), 0);
  EXPECT_EQ(Img_CreateOver(KX_Any, store.WindowBits(), 0, 4, 32, Store::kStride), 0);
  EXPECT_EQ(Img_CreateOver(KX_Any, store.WindowBits(), 6, 4, 16, Store::kStride), 0);
  EXPECT_EQ(Img_CreateOver(KX_Any, store.WindowBits(), kMaxImageSide + 1, 1, 32, Store::kStride),
            0);
}

}  // namespace
