// Export of a 10000 x 10000 mosaic (ExportPngJob: rows streamed from the
// mosaic, deflated on every core) against a plain single-threaded libpng
// write of the same rows with the same settings (RGB, filter None, level 9),
// and the memory the export adds above the mosaic (no second picture).
#include <png.h>
#include <sys/resource.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/converter.h"
#include "app/tile_rasteriser.h"
#include "app/export_png.h"
#include "imaging/bitmap.h"
#include "imaging/image.h"
#include "runtime/data/utf.h"

namespace {

constexpr int kSize = 10000;

// Terrain-like grey with a fine variation, and holes without points
// (transparent, exported black) in a tenth of the area.
void FillMosaic(const Bitmap& mosaic) {
  std::uint32_t noise = 12345;
  for (int y = 0; y < kSize; ++y) {
    std::uint8_t* p = Bitmap_PictureRow(mosaic, y);
    for (int x = 0; x < kSize; ++x, p += 4) {
      noise = noise * 1664525u + 1013904223u;
      if ((x / 700 + y / 900) % 10 == 3) continue;
      const auto grey = static_cast<std::uint8_t>((x + 2 * y) / 60 + (noise >> 30));
      p[0] = p[1] = p[2] = grey;
      p[3] = 255;
    }
  }
}

long StatusKib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return -1;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The baseline: one thread, libpng deflating row after row.
bool PlainLibpng(const Bitmap& mosaic, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(kSize) * 3);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::uint8_t* out = row.data();
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, kSize, kSize, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kSize; ++y) {
    const std::uint8_t* in = Bitmap_PictureRow(mosaic, y);
    for (int x = 0; x < kSize; ++x) {
      out[3 * x] = in[4 * x + 2];
      out[3 * x + 1] = in[4 * x + 1];
      out[3 * x + 2] = in[4 * x];
    }
    png_write_row(png, out);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
  double wall;
  double cpu;  // above the wall time when several cores worked
};

template <typename Run>
Timing Measure(Run run) {
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds() - cpu};
}

}  // namespace

int main() {
  Converter* core = StartConverter();
  if (!core) return 1;
  Converter& app = *core;
  if (!RegisterTile(app, u"bench", {0, 0, kSize - 1, kSize - 1}, 0)) return 1;
  app.mosaicImage = Img_Create(KX_Any, kSize, kSize, 32, -1);
  const Bitmap* mosaic = Bitmap_FromHandle(Img_Handle(app.mosaicImage));
  if (!mosaic) return 1;
  FillMosaic(*mosaic);

  const auto folder = std::filesystem::temp_directory_path();
  const std::string plain = (folder / "bench-export-plain.png").string();
  const std::string ours = (folder / "bench-export.png").string();
  bool ok = true;
  const Timing baseline = Measure([&] { ok = PlainLibpng(*mosaic, plain) && ok; });
  const long before = StatusKib("VmRSS:");
  ResetPeak();
  const Timing exported = Measure([&] { ExportPngJob(app, Utf8ToUtf16(ours)); });
  const long peak = StatusKib("VmHWM:");
  ok = ok && std::filesystem::exists(ours);
  std::printf("   plain libpng, 1 thread: %.2f s, CPU %.2f s (%.1f MB)\n", baseline.wall,
              baseline.cpu, std::filesystem::file_size(plain) / 1e6);
  std::printf(
      "   ExportPngJob, %u cores: %.2f s, CPU %.2f s (%.1f MB), ratio %.2f"
      " (goal <= 1.0, 0.6 on two cores)\n",
      std::thread::hardware_concurrency(), exported.wall, exported.cpu,
      std::filesystem::file_size(ours) / 1e6, exported.wall / baseline.wall);
  std::printf(
      "   memory above the 381 MiB mosaic during the export: %ld MiB (a copy would add 286 MiB)\n",
      (peak - before) / 1024);
  std::filesystem::remove(plain);
  std::filesystem::remove(ours);
  StopConverter(core);
  return ok ? 0 : 1;
}
