#include <sys/stat.h>

#include <numeric>
#include <random>

#include "imaging/image_codec.h"
#include "imaging/png_encoder.h"
#include "imaging/tests/png_test_util.h"
#include "imaging/tests/test_support.h"

namespace fs = std::filesystem;

namespace {

using Row = std::vector<std::uint8_t>;

// Pixel memory laid out like an image: bottom-up rows, stride padded to 4.
struct Picture {
  int width, height, bytesPerPixel, stride;
  std::vector<std::uint8_t> memory;

  Picture(int w, int h, int bits)
      : width(w),
        height(h),
        bytesPerPixel(bits / 8),
        stride((w * (bits / 8) + 3) / 4 * 4),
        // Padding bytes hold garbage that must never reach the file.
        memory(static_cast<std::size_t>(stride) * h, 0xEE) {}

  std::uint8_t* At(int x, int y) {  // y = 0 is the top of the picture
    return memory.data() + static_cast<std::size_t>(height - 1 - y) * stride + x * bytesPerPixel;
  }
  void Set(int x, int y, int b, int g, int r, int a = 255) {
    std::uint8_t* p = At(x, y);
    p[0] = b, p[1] = g, p[2] = r;
    if (bytesPerPixel == 4) p[3] = a;
  }
  int ColourType() const { return bytesPerPixel == 3 ? kPngColourRgb : kPngColourRgba; }
  std::intptr_t Save(const fs::path& path, int depth, unsigned flags = 0) {
    return Img_WritePng(Utf8ToUtf16(path.string()).c_str(), memory.data(), width, height, stride,
                        kRowsBottomUp, flags, depth, ColourType());
  }
  std::vector<std::uint8_t> Encode(int depth, unsigned flags = 0,
                                   unsigned orientation = kRowsBottomUp) {
    std::size_t length = 0;
    auto* bytes = reinterpret_cast<std::uint8_t*>(Img_WritePng(nullptr, memory.data(), width,
                                                               height, stride, orientation, flags,
                                                               depth, ColourType(), &length));
    std::vector<std::uint8_t> out(bytes, bytes + (bytes ? length : 0));
    std::free(bytes);
    return out;
  }
};

Picture Gradient(int w, int h, int bits) {
  Picture p(w, h, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.Set(x, y, (x * 255) / (w - 1), (y * 255) / (h - 1), (x + y) % 256);
  return p;
}

Picture Noise(int w, int h, int bits, unsigned seed) {
  Picture p(w, h, bits);
  std::mt19937 random(seed);
  for (auto& byte : p.memory) byte = static_cast<std::uint8_t>(random());
  return p;
}

int Distance(const png_color& c, const std::uint8_t* bgr) {
  return std::abs(c.red - bgr[2]) + std::abs(c.green - bgr[1]) + std::abs(c.blue - bgr[0]);
}

class PngWriterTest : public ::testing::Test {
 protected:
  TempFolder dir_;
};

TEST_F(PngWriterTest, OnlyRequiredChunksFilterNoneAndLevelNine) {
  for (int depth : {24, 8, 1}) {
    SCOPED_TRACE(depth);
    const DecodedPng png = DecodePng(Gradient(64, 48, 24).Encode(depth));
    ASSERT_TRUE(png.ok);
    std::vector<std::string> chunks = png.chunks;
    chunks.erase(std::unique(chunks.begin(), chunks.end()), chunks.end());  // IDAT may repeat
    const std::string joined = std::accumulate(chunks.begin(), chunks.end(), std::string());
    EXPECT_EQ(joined, depth == 24 ? "IHDRIDATIEND" : "IHDRPLTEIDATIEND");
    // A gradient would get Sub/Up/Paeth filters from libpng's adaptive default.
    EXPECT_EQ(std::count(png.filters.begin(), png.filters.end(), 0), 48);
    ASSERT_GE(png.idat.size(), 2u);
    EXPECT_EQ(png.idat[1] >> 6, 3) << "zlib header level field: maximum compression";
  }
}

TEST_F(PngWriterTest, DepthOneIsBlackAndWhiteByLuminanceThreshold) {
  // Luminance 0.2126 r + 0.7152 g + 0.0722 b, white above 160. Blue, green, red, index.
  const int cases[10][4] = {{200, 200, 200, 1}, {160, 160, 160, 0}, {161, 161, 161, 1},
                            {0, 224, 0, 1},     {0, 223, 0, 0},     {0, 0, 255, 0},
                            {255, 255, 0, 1},   {255, 0, 255, 0},   {0, 0, 0, 0},
                            {255, 255, 255, 1}};
  Picture p(10, 1, 32);  // ten pixels: two packed bytes
  for (int x = 0; x < 10; ++x) p.Set(x, 0, cases[x][0], cases[x][1], cases[x][2]);
  const DecodedPng png = DecodePng(p.Encode(1));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.bitDepth, 1);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_PALETTE);
  ASSERT_EQ(png.palette.size(), 2u);
  EXPECT_EQ(png.palette[0].red + png.palette[0].green + png.palette[0].blue, 0);
  EXPECT_EQ(png.palette[1].red & png.palette[1].green & png.palette[1].blue, 255);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(png.rows[0][x], cases[x][3]) << "pixel " << x;
}

TEST_F(PngWriterTest, DepthEightLearnsAPaletteCloseToTheSource) {
  Picture p = Gradient(96, 80, 24);
  const DecodedPng png = DecodePng(p.Encode(8));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_PALETTE);
  ASSERT_EQ(png.palette.size(), 256u);
  long total = 0;
  int worst = 0;
  std::set<int> used;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      used.insert(png.rows[y][x]);
      const int d = Distance(png.palette[png.rows[y][x]], p.At(x, y));
      total += d;
      worst = std::max(worst, d);
    }
  EXPECT_LT(double(total) / (p.width * p.height) / 3, 4.0) << "mean error per channel";
  EXPECT_LT(worst, 60) << "largest summed channel error";
  EXPECT_GT(used.size(), 200u) << "the learned palette is actually used";
}

TEST_F(PngWriterTest, SmallPalettesPackTwoAndFourBitIndices) {
  // As many distinct colours as the palette has entries, in a width that
  // leaves a partly filled last byte.
  for (int depth : {2, 4}) {
    SCOPED_TRACE(depth);
    const int colours = 1 << depth;
    Picture p(7, colours * 3, 24);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const int i = (x + y) % colours;
        p.Set(x, y, (i * 97) % 256, (i & 1) ? 230 : 20, i * 255 / (colours - 1));
      }
    const DecodedPng png = DecodePng(p.Encode(depth));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.bitDepth, depth);
    ASSERT_EQ(png.palette.size(), static_cast<std::size_t>(colours));
    std::set<int> used;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        used.insert(png.rows[y][x]);
        EXPECT_LE(Distance(png.palette[png.rows[y][x]], p.At(x, y)), 12) << x << "," << y;
      }
    EXPECT_EQ(used.size(), static_cast<std::size_t>(colours)) << "one entry per colour";
  }
}

TEST_F(PngWriterTest, DitheringKeepsTheAverageToneAndTheSource) {
  // A slow grey ramp with four grey levels: plain mapping makes flat bands,
  // dithering keeps the mean of each 16-column block near the source.
  Picture p(256, 32, 24);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 256; ++x) p.Set(x, y, x, x, x);
  const std::vector<std::uint8_t> before = p.memory;
  auto blockError = [&](unsigned flags) {
    const DecodedPng png = DecodePng(p.Encode(2, flags));
    if (!png.ok) return 1e9;
    const auto [low, high] = std::minmax_element(
        png.palette.begin(), png.palette.end(),
        [](const png_color& a, const png_color& b) { return a.green < b.green; });
    double error = 0;
    int blocks = 0;
    for (int x0 = low->green; x0 + 15 <= high->green; x0 += 16, ++blocks) {  // reachable tones
      double sum = 0;
      for (int y = 0; y < 32; ++y)
        for (int x = x0; x < x0 + 16; ++x) sum += png.palette[png.rows[y][x]].green - x;
      error += std::abs(sum) / (32 * 16);
    }
    EXPECT_GE(blocks, 8);
    return error / std::max(blocks, 1);
  };
  const double plain = blockError(0), dithered = blockError(kSaveDither);
  EXPECT_LT(dithered, plain / 2) << "plain " << plain << " dithered " << dithered;
  EXPECT_LT(dithered, 1.5);
  EXPECT_EQ(p.memory, before) << "the error is spread in a copy";
}

TEST_F(PngWriterTest, MemoryFormEqualsFileFormAndGrows) {
  for (int depth : {24, 8, 1, 32}) {
    SCOPED_TRACE(depth);
    Picture p = depth == 32 ? Noise(33, 17, 32, 5) : Gradient(50, 20, 24);
    ASSERT_EQ(p.Save(dir_ / "same.png", depth), 1);
    EXPECT_EQ(p.Encode(depth), ReadBytes(dir_ / "same.png"));
  }
  // Rows said to be top-down are written in memory order: memory row 0 first.
  Picture g = Gradient(5, 4, 24);
  const DecodedPng up = DecodePng(g.Encode(24)), down = DecodePng(g.Encode(24, 0, 0));
  ASSERT_TRUE(up.ok && down.ok);
  EXPECT_EQ(down.rows, std::vector<Row>(up.rows.rbegin(), up.rows.rend()));
  // One pixel wide: each row adds a filter byte to four noise bytes, so the
  // PNG outgrows the pixels plus the starting slack.
  Picture p = Noise(1, 200000, 32, 7);
  const std::vector<std::uint8_t> bytes = p.Encode(32);
  ASSERT_GT(bytes.size(), 4u * 200000 + 0x8000);
  const DecodedPng png = DecodePng(bytes);
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.rows[0][0], p.At(0, 0)[2]);
  EXPECT_EQ(png.rows[199999][3], p.At(0, 199999)[3]);
}

TEST_F(PngWriterTest, BadArgumentsAndMissingFoldersFailWithoutAFile) {
  Picture p(4, 4, 24);
  const std::u16string path = dir_.Wide("bad.png");
  const std::uint8_t* rows = p.memory.data();
  EXPECT_EQ(Img_WritePng(path.c_str(), nullptr, 4, 4, 12, 2, 0, 24, 2), 0);
  EXPECT_EQ(Img_WritePng(path.c_str(), rows, 0, 4, 12, 2, 0, 24, 2), 0);
  EXPECT_EQ(Img_WritePng(path.c_str(), rows, 4, -1, 12, 2, 0, 24, 2), 0);
  EXPECT_EQ(Img_WritePng(path.c_str(), rows, 4, 4, 11, 2, 0, 24, 2), 0) << "stride too small";
  EXPECT_EQ(Img_WritePng(path.c_str(), rows, 4, 4, 16, 2, 0, 24, 4), 0) << "colour type";
  EXPECT_EQ(Img_WritePng(u"", rows, 4, 4, 12, 2, 0, 24, 2), 0);
  for (int depth : {3, 5, 6, 7}) {
    EXPECT_EQ(Img_WritePng(path.c_str(), rows, 4, 4, 12, 2, 0, depth, 2), 0) << depth;
    EXPECT_EQ(Img_WritePng(nullptr, rows, 4, 4, 12, 2, 0, depth, 2), 0) << depth;
  }
  EXPECT_EQ(p.Save(dir_ / "absent" / "x.png", 24), 0);
  EXPECT_TRUE(dir_.Files().empty());
  fs::create_directory(dir_ / "folder.png");
  EXPECT_EQ(p.Save(dir_ / "folder.png", 24), 0) << "a folder is not replaced";
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.png"));
  ASSERT_EQ(p.Save(dir_ / "Höhenmodell ⛰.png", 24), 1);
  EXPECT_TRUE(DecodePng(ReadBytes(dir_ / "Höhenmodell ⛰.png")).ok);
}

// However a save fails (libpng's error exit, a full disk at any point, the
// process killed midway), the earlier file stays whole and no other is left.
TEST_F(PngWriterTest, FailingSavesKeepTheEarlierFile) {
  const fs::path target = dir_ / "keep.png";
  std::ofstream(target) << "earlier content";
  auto unchanged = [&](const char* how) {
    EXPECT_EQ(ReadText(target), "earlier content") << how;
    EXPECT_EQ(dir_.Files(), std::set<std::string>{"keep.png"}) << how;
  };
  // libpng refuses a palette of depth 3 in the middle of writing.
  EXPECT_EQ(Gradient(16, 16, 24).Save(target, 3), 0);
  unchanged("error exit");
  // The last bytes (IEND) sit in the stream's buffer until the file is
  // flushed, so one byte short fails only at the commit.
  Picture p = Noise(200, 200, 24, 3);
  for (rlim_t limit : {rlim_t(4096), rlim_t(p.Encode(24).size() - 1)}) {
    EXPECT_EQ(SaveUnderFileSizeLimit(limit, [&] { return p.Save(target, 24); }), 0) << limit;
    unchanged("disk full");
  }
  Picture big = Noise(2500, 2500, 24, 11);  // seconds of level-9 work
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (write(ready[1], "", 1) != 1) _exit(2);
    _exit(big.Save(target, 24) ? 0 : 3);
  }
  char go = 0;
  ASSERT_EQ(read(ready[0], &go, 1), 1);
  close(ready[0]);
  close(ready[1]);
  usleep(200 * 1000);  // well inside the encoding
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the save finished before it could be interrupted";
  unchanged("killed");
  ASSERT_EQ(p.Save(target, 24), 1);  // a save that works replaces it whole
  EXPECT_TRUE(DecodePng(ReadBytes(target)).ok);
  EXPECT_EQ(dir_.Files(), std::set<std::string>{"keep.png"});
}

TEST_F(PngWriterTest, ReplacingKeepsPermissionsAndLinks) {
  const fs::path real = dir_ / "real.png";
  std::ofstream(real) << "old";
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  fs::create_symlink(real, dir_ / "link.png");
  Picture p(3, 3, 24);
  ASSERT_EQ(p.Save(dir_ / "link.png", 24), 1);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.png"));
  EXPECT_TRUE(DecodePng(ReadBytes(real)).ok);
  struct stat info;
  ASSERT_EQ(stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
