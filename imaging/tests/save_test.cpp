#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "imaging/atomic_file.h"
#include "imaging/bmp_codec.h"
#include "imaging/tests/test_support.h"
#include "runtime/data/utf.h"

namespace fs = std::filesystem;
using Bytes = std::vector<int>;

namespace {

struct DecodedBmp {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<std::vector<int>> rows;  // top row first, pixels as stored (b, g, r[, a])
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Get32(const std::string& s, std::size_t at) {
  return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8 |
         static_cast<std::uint8_t>(s[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}

// A reader written for the test, independent of the writer.
DecodedBmp DecodeBmp(const fs::path& path) {
  const std::string s = ReadFile(path);
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
  const int n = bmp.bitsPerPixel / 8;
  const std::size_t stride = (static_cast<std::size_t>(bmp.width) * n + 3) / 4 * 4;
  EXPECT_EQ(s.size(), offset + stride * bmp.height);
  for (int y = bmp.height - 1; y >= 0; --y) {  // stored bottom-up
    std::vector<int> row;
    for (int i = 0; i < bmp.width * n; ++i)
      row.push_back(static_cast<std::uint8_t>(s[offset + y * stride + i]));
    bmp.rows.push_back(row);
  }
  return bmp;
}

Bytes Pixel(const DecodedBmp& bmp, int x, int y) {
  const int n = bmp.bitsPerPixel / 8;
  return Bytes(bmp.rows[y].begin() + x * n, bmp.rows[y].begin() + (x + 1) * n);
}

// Every call's arguments, for checking what Img_Save hands an encoder.
struct WriterCall {
  int calls = 0;
  std::u16string path;
  int width = 0, height = 0, stride = 0, depth = 0;
  unsigned orientation = 0, flags = 0;
  std::vector<int> firstRow;
} lastCall;

int Capture(const char16_t* path, const std::uint8_t* rows, int width, int height, int stride,
            unsigned orientation, unsigned flags, int depth, int bytesPerPixel) {
  lastCall = {lastCall.calls + 1,
              path,
              width,
              height,
              stride,
              depth,
              orientation,
              flags,
              std::vector<int>(rows, rows + width * bytesPerPixel)};
  return 5;
}

int Capture24(const char16_t* p, const std::uint8_t* r, int w, int h, int s, unsigned o, unsigned f,
              int d) {
  return Capture(p, r, w, h, s, o, f, d, 3);
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
    dir_ = fs::temp_directory_path() /
           ("imaging-save-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ImagingTest::TearDown();
  }

  std::u16string Path(const std::string& name) const { return Utf8ToUtf16((dir_ / name).string()); }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    return names;
  }

  fs::path dir_;
};

}  // namespace

TEST_F(SaveTest, TwentyFourBitImageBecomesA24BitBmp) {
  const ObjectHandle image = Img_Create(KX_Any, 3, 2, 24, 0);
  SetPixelBytes(image, 0, 0, {10, 20, 30});  // top-left
  SetPixelBytes(image, 2, 1, {40, 50, 60});  // bottom-right
  ASSERT_NE(Img_Save(image, Path("a.bmp")), 0);
  const DecodedBmp bmp = DecodeBmp(dir_ / "a.bmp");
  EXPECT_EQ(bmp.width, 3);
  EXPECT_EQ(bmp.height, 2);
  EXPECT_EQ(bmp.bitsPerPixel, 24);
  EXPECT_EQ(Pixel(bmp, 0, 0), (Bytes{10, 20, 30}));
  EXPECT_EQ(Pixel(bmp, 2, 1), (Bytes{40, 50, 60}));
  EXPECT_EQ(Pixel(bmp, 1, 1), (Bytes{0, 0, 0}));
  EXPECT_EQ(Files(), std::vector<std::string>{"a.bmp"}) << "no temporary file left";
}

TEST_F(SaveTest, ThirtyTwoBitImageKeepsAlphaAtItsOwnDepth) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 1, 32, -1);
  SetPixelBytes(image, 1, 0, {1, 2, 3, 4});
  ASSERT_NE(Img_Save(image, Path("b.bmp")), 0);
  const DecodedBmp bmp = DecodeBmp(dir_ / "b.bmp");
  EXPECT_EQ(bmp.bitsPerPixel, 32);
  EXPECT_EQ(Pixel(bmp, 0, 0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Pixel(bmp, 1, 0), (Bytes{1, 2, 3, 4}));
}

TEST_F(SaveTest, ThirtyTwoBitToTwentyFourComposesOverWhite) {
  const ObjectHandle image = Img_Create(KX_Any, 4, 2, 32, -1);
  SetPixelBytes(image, 0, 0, {0, 0, 0, 0});        // transparent: white
  SetPixelBytes(image, 1, 0, {10, 20, 30, 255});   // opaque: kept
  SetPixelBytes(image, 2, 0, {0, 0, 0, 128});      // (-255 * 128 + 65025) / 255 = 127
  SetPixelBytes(image, 3, 0, {100, 255, 0, 100});  // (-155 * 100 + 65025) / 255 = 194
  ASSERT_NE(Img_Save(image, Path("c.bmp"), EncoderBmp, kDefaultSaveFlags, 24), 0);
  const DecodedBmp bmp = DecodeBmp(dir_ / "c.bmp");
  EXPECT_EQ(bmp.bitsPerPixel, 24);
  EXPECT_EQ(Pixel(bmp, 0, 0), (Bytes{255, 255, 255}));
  EXPECT_EQ(Pixel(bmp, 1, 0), (Bytes{10, 20, 30}));
  EXPECT_EQ(Pixel(bmp, 2, 0), (Bytes{127, 127, 127}));
  EXPECT_EQ(Pixel(bmp, 3, 0), (Bytes{194, 255, 155}));
  EXPECT_EQ(Pixel(bmp, 0, 1), (Bytes{255, 255, 255}));
}

TEST_F(SaveTest, EncoderGetsBottomUpRowsDefaultsAndTheCompositedBuffer) {
  const ObjectHandle image = Img_Create(KX_Any, 5, 3, 32, -1);
  SetPixelBytes(image, 0, 2, {0, 0, 0, 255});  // bottom-left: memory row 0
  lastCall = {};
  EXPECT_EQ(Img_Save(image, Path("x"), kCaptureId), 5) << "the writer's result is the result";
  EXPECT_EQ(lastCall.calls, 1);
  EXPECT_EQ(lastCall.path, Path("x"));
  EXPECT_EQ(lastCall.width, 5);
  EXPECT_EQ(lastCall.height, 3);
  EXPECT_EQ(lastCall.stride, 16) << "3 * 5 rounded up to a multiple of 4";
  EXPECT_EQ(lastCall.orientation, kRowsBottomUp);
  EXPECT_EQ(lastCall.flags, 7u);
  EXPECT_EQ(lastCall.depth, 32) << "-1 is the source depth; no 32-bit writer, so 24-bit rows";
  EXPECT_EQ(lastCall.firstRow[0], 0);
  EXPECT_EQ(lastCall.firstRow[3], 255);

  const ObjectHandle rgb = Img_Create(KX_Any, 2, 2, 24, 0x0A0B0C);
  EXPECT_EQ(Img_Save(rgb, Path("y"), kCaptureId, 0x100, 8), 5);
  EXPECT_EQ(lastCall.stride, 8);
  EXPECT_EQ(lastCall.flags, 0x100u);
  EXPECT_EQ(lastCall.depth, 8);
  EXPECT_EQ(lastCall.firstRow, (std::vector<int>{0x0A, 0x0B, 0x0C, 0x0A, 0x0B, 0x0C}));
  EXPECT_TRUE(Files().empty());
}

TEST_F(SaveTest, RefusalsCreateNoFile) {
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 24, 0);
  EXPECT_EQ(Img_Save(image, u""), 0);
  EXPECT_EQ(Img_Save(image, Path("never.bmp"), 0x585858), 0) << "unregistered encoder";
  EXPECT_EQ(Img_Save(image, Path("missing/dir/file.bmp")), 0);
  EXPECT_EQ(Img_Save(image, Path("sub") + u"/"), 0);
  EXPECT_TRUE(Files().empty());
}

TEST_F(SaveTest, FailedEncoderLeavesAnExistingFileIntact) {
  const fs::path target = dir_ / "keep.bmp";
  std::ofstream(target) << "precious";
  const ObjectHandle image = Img_Create(KX_Any, 2, 2, 24, 0);
  EXPECT_EQ(Img_Save(image, Path("keep.bmp"), kFailId), 0);
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_EQ(Files(), std::vector<std::string>{"keep.bmp"});
}

TEST_F(SaveTest, BmpWriteFailingMidwayLeavesAnExistingFileIntact) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path target = dir_ / "keep.bmp";
  std::ofstream(target) << "precious";
  const ObjectHandle image = Img_Create(KX_Any, 300, 300, 24, 0x123456);
  const std::u16string path = Path("keep.bmp");
  // The child may write only 1000 bytes of any file: the BMP write fails midway.
  auto child = [&] {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(Img_Save(image, path) == 0 ? 0 : 1);
  };
  EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_EQ(Files(), std::vector<std::string>{"keep.bmp"});
  // And a save that works replaces it whole.
  ASSERT_NE(Img_Save(image, path), 0);
  EXPECT_EQ(DecodeBmp(target).width, 300);
  EXPECT_EQ(Files(), std::vector<std::string>{"keep.bmp"});
}

TEST_F(SaveTest, BmpWriterRefusesBadArguments) {
  const std::uint8_t row[16] = {};
  const std::u16string path = Path("w.bmp");
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), nullptr, 2, 2, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), row, 0, 2, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_EQ(Img_WriteBmp24(path.c_str(), row, 4, 1, 8, kRowsBottomUp, 7, 24), 0)
      << "stride too small";
  EXPECT_EQ(Img_WriteBmp24(nullptr, row, 2, 1, 8, kRowsBottomUp, 7, 24), 0);
  EXPECT_TRUE(Files().empty());
  // Top-down rows are turned around for the bottom-up file.
  const std::uint8_t twoRows[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  ASSERT_EQ(Img_WriteBmp24(path.c_str(), twoRows, 1, 2, 4, 0, 7, 24), 1);
  const DecodedBmp bmp = DecodeBmp(dir_ / "w.bmp");
  EXPECT_EQ(Pixel(bmp, 0, 0), (Bytes{1, 2, 3}));
  EXPECT_EQ(Pixel(bmp, 0, 1), (Bytes{4, 5, 6}));
}

TEST(CodecRegistry, HoldsThirtyEncodersAndFindsTheFirstOfAnId) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Img_Init();
  ASSERT_NE(Img_FindEncoder(EncoderBmp), nullptr);
  EXPECT_EQ(Img_FindEncoder(0x414141), nullptr);
  ASSERT_NE(Img_FindDecoder(EncoderBmp), nullptr);
  EXPECT_TRUE(Img_FindDecoder(EncoderBmp)
                  ->check(reinterpret_cast<const std::uint8_t*>(
                              "BM--------------------------------------------------------"),
                          60));
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
  EXPECT_FALSE(Img_RegisterEncoder(nullptr));
}
