// Helpers shared by the imaging tests.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/data/utf.h"

using Bytes = std::vector<int>;

inline const Bitmap& BitmapOf(ObjectHandle image) {
  const Bitmap* bitmap = Bitmap_FromHandle(Img_Handle(image));
  EXPECT_NE(bitmap, nullptr);
  static const Bitmap empty;
  return bitmap ? *bitmap : empty;
}

// Bytes of pixel x, y (y = 0 at the top), as stored: blue, green, red (, alpha).
inline Bytes PixelBytes(ObjectHandle image, int x, int y) {
  const Bitmap& b = BitmapOf(image);
  const int n = b.bitsPerPixel / 8;
  const std::uint8_t* p = Bitmap_PictureRow(b, y) + x * n;
  return Bytes(p, p + n);
}

// Bytes beyond the pixel size (an alpha on a 24-bit image) are left out.
inline void SetPixelBytes(ObjectHandle image, int x, int y, const Bytes& bytes) {
  const Bitmap& b = BitmapOf(image);
  const std::size_t n = b.bitsPerPixel / 8;
  std::uint8_t* p = Bitmap_PictureRow(b, y) + x * n;
  for (std::size_t i = 0; i < bytes.size() && i < n; ++i)
    p[i] = static_cast<std::uint8_t>(bytes[i]);
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder for the files a test writes, removed with everything in it.
struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "imaging.XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
  std::u16string Wide(const std::string& name) const { return Utf8ToUtf16((path / name).string()); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
      names.insert(entry.path().filename());
    return names;
  }
};

// Runs `save` in a child process whose writes fail like a full disk beyond
// `limit` bytes per file; returns the child's result (1 success, 0 failure).
template <typename Save>
int SaveUnderFileSizeLimit(rlim_t limit, Save save) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit small{limit, limit};
    setrlimit(RLIMIT_FSIZE, &small);
    _exit(save() ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two images of the same size, compared pixel by pixel.
inline void ExpectSamePixels(ObjectHandle a, ObjectHandle b) {
  for (int y = 0; y < Img_Height(a); ++y)
    for (int x = 0; x < Img_Width(a); ++x)
      ASSERT_EQ(PixelBytes(a, x, y), PixelBytes(b, x, y)) << "pixel " << x << "," << y;
}

// Runs `draw` with `target` as the started output in `mode`.
template <typename Draw>
void DrawInto(ObjectHandle target, unsigned mode, Draw draw) {
  ASSERT_EQ(Draw_Start(Img_Output(target)), 1);
  Draw_Mode(mode);
  draw();
  Draw_Stop();
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
