#include <cstdio>

#include "runtime/data/atomic_file.h"
#include "imaging/bmp_codec.h"
#include "imaging/tests/test_support.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t Get32(const std::string& s, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(s[at + i]);
  return value;
}

// A BMP reader written for the test, independent of the writer: width,
// height, bits per pixel and the pixel bytes as stored, top row first.
struct DecodedBmp {
  int width = 0, height = 0, bitsPerPixel = 0;
  std::vector<Bytes> rows;
};

DecodedBmp DecodeBmp(const fs::path& path) {
  const std::string s = ReadText(path);
  DecodedBmp bmp;
  if (s.size() < 54 || s[0] != 'B' || s[1] != 'M') {
    ADD_FAILURE() << "not a BMP file";
    return bmp;
  }
  EXPECT_EQ(Get32(s, 2), s.size());
  const std::uint32_t offset = Get32(s, 10);
  bmp.width = static_cast<int>(Get32(s, 18));
  bmp.height = static_cast<int>(Get32(s, 22));
  bmp.bitsPerPixel = static_cast<std::uint8_t>(s[28]);
  EXPECT_EQ(Get32(s, 30), 0u) << "uncompressed";
  const std::size_t rowBytes = std::size_t(bmp.width) * bmp.bitsPerPixel / 8;
  const std::size_t stride = (rowBytes + 3) / 4 * 4;
  EXPECT_EQ(s.size(), offset + stride * bmp.height);
  for (int y = bmp.height - 1; y >= 0; --y) {  // stored bottom-up
    const auto* row = reinterpret_cast<const std::uint8_t*>(s.data() + offset + y * stride);
    bmp.rows.emplace_back(row, row + rowBytes);
  }
  return bmp;
}

// The last call's arguments, for checking what Img_Save hands an encoder.
struct WriterCall {
  int calls = 0;
  std::u16string path;
  int width = 0, height = 0, stride = 0, depth = 0;
  unsigned orientation = 0, flags = 0;
  Bytes firstRow;
} lastCall;

int Capture24(const char16_t* path, const std::uint8_t* rows, int width, int height, int stride,
              unsigned orientation, unsigned flags, int depth) {
  lastCall = {lastCall.calls + 1,           path, width, height, stride, depth, orientation, flags,
              Bytes(rows, rows + width * 3)};
  return 5;
}

// Writes half a file and gives up, as an encoder hitting an error would.
int FailHalfway(const char16_t* path, const std::uint8_t*, int, int, int, unsigned, unsigned, int) {
  AtomicFile file(path);
  if (file.stream()) std::fputs("partial", file.stream());
  return 0;
}

constexpr std::uint32_t kCaptureId = 0x505543;  // "CUP"
constexpr std::uint32_t kFailId = 0x4C4146;     // "FAL"
const ImageEncoder captureEncoder{kCaptureId, Capture24, nullptr};
const ImageEncoder failingEncoder{kFailId, FailHalfway, FailHalfway};

class SaveTest : public ImagingTest {
 protected:
  void SetUp() override {
    ImagingTest::SetUp();
    static const bool registered =
        Img_RegisterEncoder(&captureEncoder) && Img_RegisterEncoder(&failingEncoder);
    ASSERT_TRUE(registered);
  }
  TempFolder dir_;
};

TEST_F(SaveTest, BmpKeepsEachDepthOrComposesOverWhite) {
  const ObjectHandle rgb = Img_Create(KX_Any, 3, 2, 24, 0);
  SetPixelBytes(rgb, 0, 0, {10, 20, 30});  // top-left
  SetPixelBytes(rgb, 2, 1, {40, 50, 60});  // bottom-right
  ASSERT_NE(Img_Save(rgb, dir_.Wide("a.bmp")), 0);
  DecodedBmp bmp = DecodeBmp(dir_ / "a.bmp");
  EXPECT_EQ(bmp.width, 3);
  EXPECT_EQ(bmp.height, 2);
  EXPECT_EQ(bmp.bitsPerPixel, 24);
  EXPECT_EQ(bmp.rows,
            (std::vector<Bytes>{{10, 20, 30, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 40, 50, 60}}));
  EXPECT_EQ(dir_.Files(), std::set<std::string>{"a.bmp"}) << "no temporary file left";

  const ObjectHandle rgba = Img_Create(KX_Any, 4, 2, 32, -1);
  SetPixelBytes(rgba, 1, 0, {10, 20, 30, 255});   // opaque: kept
  SetPixelBytes(rgba, 2, 0, {0, 0, 0, 128});      // (-255 * 128 + 65025) / 255 = 127
  SetPixelBytes(rgba, 3, 0, {100, 255, 0, 100});  // (-155 * 100 + 65025) / 255 = 194
  ASSERT_NE(Img_Save(rgba, dir_.Wide("b.bmp")), 0);
  bmp = DecodeBmp(dir_ / "b.bmp");
  EXPECT_EQ(bmp.bitsPerPixel, 32) << "alpha kept at the image's own depth";
  EXPECT_EQ(bmp.rows[0], (Bytes{0, 0, 0, 0, 10, 20, 30, 255, 0, 0, 0, 128, 100, 255, 0, 100}));

  ASSERT_NE(Img_Save(rgba, dir_.Wide("c.bmp"), EncoderBmp, kDefaultSaveFlags, 24), 0);
  bmp = DecodeBmp(dir_ / "c.bmp");
  EXPECT_EQ(bmp.bitsPerPixel, 24);
  EXPECT_EQ(bmp.rows[0], (Bytes{255, 255, 255, 10, 20, 30, 127, 127, 127, 194, 255, 155}));
  EXPECT_EQ(bmp.rows[1], Bytes(12, 255)) << "transparent pixels turn white";
}

TEST_F(SaveTest, EncoderGetsBottomUpRowsDefaultsAndTheCompositedBuffer) {
  const ObjectHandle image = Img_Create(KX_Any, 5, 3, 32, -1);
  SetPixelBytes(image, 0, 2, {0, 0, 0, 255});  // bottom-left: memory row 0
  lastCall = {};
  EXPECT_EQ(Img_Save(image, dir_.Wide("x"), kCaptureId), 5) << "the writer's result is the result";
  EXPECT_EQ(lastCall.calls, 1);
  EXPECT_EQ(lastCall.path, dir_.Wide("x"));
  EXPECT_EQ(lastCall.width, 5);
  EXPECT_EQ(lastCall.height, 3);
  EXPECT_EQ(lastCall.stride, 16) << "3 * 5 rounded up to a multiple of 4";
  EXPECT_EQ(lastCall.orientation, kRowsBottomUp);
  EXPECT_EQ(lastCall.flags, 7u);
  EXPECT_EQ(lastCall.depth, 32) << "-1 is the source depth; no 32-bit writer, so 24-bit rows";
  EXPECT_EQ(lastCall.firstRow[0], 0);
  EXPECT_EQ(lastCall.firstRow[3], 255);

  const ObjectHandle rgb = Img_Create(KX_Any, 2, 2, 24, 0x0A0B0C);
  EXPECT_EQ(Img_Save(rgb, dir_.Wide("y"), kCaptureId, 0x100, 8), 5);
  EXPECT_EQ(lastCall.stride, 8);
  EXPECT_EQ(lastCall.flags, 0x100u);
  EXPECT_EQ(lastCall.depth, 8);
  EXPECT_EQ(lastCall.firstRow, (Bytes{0x0A, 0x0B, 0x0C, 0x0A, 0x0B, 0x0C}));
  EXPECT_TRUE(dir_.Files().empty());
}

TEST_F(SaveTest, RefusalsCreateNoFile) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 24, 0);
  EXPECT_EQ(Img_Save(image, u""), 0);
  EXPECT_EQ(Img_Save(image, dir_.Wide("never.bmp"), 0x585858), 0) << "unregistered encoder";
  EXPECT_EQ(Img_Save(image, dir_.Wide("missing/dir/file.bmp")), 0);
  EXPECT_EQ(Img_Save(image, dir_.Wide("sub/")), 0);
  const std::uint8_t row[16] = {};
  const std::u16string path = dir_.Wide("w.bmp");
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), nullptr, 2, 2, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), row, 0, 2, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), row, 4, 1, 8, kRowsBottomUp, 7, 24), 0) << "stride";
  EXPECT_EQ(Img_WriteBmp24(nullptr, row, 2, 1, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_TRUE(dir_.Files().empty());
  // Top-down rows are turned around for the bottom-up file.
  const std::uint8_t twoRows[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  ASSERT_EQ(Img_WriteBmp24(path.c_str(), twoRows, 1, 2, 4, 0, 7, 24), 1);
  EXPECT_EQ(DecodeBmp(dir_ / "w.bmp").rows, (std::vector<Bytes>{{1, 2, 3}, {4, 5, 6}}));
}

TEST_F(SaveTest, FailedWritesLeaveAnExistingFileIntact) {
  const fs::path target = dir_ / "keep.bmp";
  std::ofstream(target) << "precious";
  const ObjectHandle image = Img_Create(KX_Any, 300, 300, 24, 0x123456);
  const std::u16string path = dir_.Wide("keep.bmp");
  EXPECT_EQ(Img_Save(image, path, kFailId), 0);
  EXPECT_EQ(ReadText(target), "precious");
  EXPECT_EQ(dir_.Files(), std::set<std::string>{"keep.bmp"});
  // Only 1000 bytes may be written: the BMP write fails midway.
  EXPECT_EQ(SaveUnderFileSizeLimit(1000, [&] { return Img_Save(image, path); }), 0);
  EXPECT_EQ(ReadText(target), "precious");
  EXPECT_EQ(dir_.Files(), std::set<std::string>{"keep.bmp"});
  // And a save that works replaces it whole.
  ASSERT_NE(Img_Save(image, path), 0);
  EXPECT_EQ(DecodeBmp(target).width, 300);
  EXPECT_EQ(dir_.Files(), std::set<std::string>{"keep.bmp"});
}

TEST(CodecRegistry, HoldsThirtyEncodersAndFindsTheFirstOfAnId) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Img_Init();
  ASSERT_NE(Img_FindEncoder(EncoderBmp), nullptr);
  EXPECT_EQ(Img_FindEncoder(0x414141), nullptr);
  ASSERT_NE(Img_FindDecoder(EncoderBmp), nullptr);
  const std::string header = "BM" + std::string(58, '-');
  EXPECT_TRUE(
      Img_FindDecoder(EncoderBmp)->check(reinterpret_cast<const std::uint8_t*>(header.data()), 60));
  EXPECT_FALSE(Img_RegisterEncoder(nullptr));
  // Filling the registry happens in a child process so other tests keep free slots.
  auto child = [] {
    static ImageEncoder extra[kMaxImageCodecs + 1];
    int accepted = 0;
    for (auto& e : extra) {
      e = {0x5A0000u + static_cast<std::uint32_t>(accepted), Capture24, nullptr};
      if (Img_RegisterEncoder(&e)) ++accepted;
    }
    // BMP and whatever else is registered already share the thirty slots.
    const bool full = !Img_RegisterEncoder(&extra[0]) && accepted < kMaxImageCodecs &&
                      Img_FindEncoder(0x5A0000u + accepted - 1) == &extra[accepted - 1] &&
                      Img_FindEncoder(EncoderBmp) != &extra[0];
    std::_Exit(full ? 0 : 1);
  };
  EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
