// PNG save of a 4000 x 4000 24-bit grey image (the size of a large mosaic
// export), against a plain libpng loop with the same settings.
#include <benchmark/benchmark.h>
#include <png.h>
#include <time.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_codec.h"
#include "imaging/png_encoder.h"
#include "runtime/data/utf.h"

namespace {

constexpr int kSize = 4000;
constexpr int kStride = (kSize * 3 + 3) / 4 * 4;

// Terrain-like grey: a slow slope with fine variation, like exported heights.
const std::vector<std::uint8_t>& GreyImage() {
  static const std::vector<std::uint8_t> pixels = [] {
    std::vector<std::uint8_t> memory(static_cast<std::size_t>(kStride) * kSize);
    std::uint32_t noise = 12345;
    for (int y = 0; y < kSize; ++y) {
      std::uint8_t* row = memory.data() + static_cast<std::size_t>(y) * kStride;
      for (int x = 0; x < kSize; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const auto grey = static_cast<std::uint8_t>((x + y) / 40 + (noise >> 30));
        row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = grey;
      }
    }
    return memory;
  }();
  return pixels;
}

std::string TargetPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

bool SaveWithWriter(const std::u16string& path) {
  return Img_WritePng(path.c_str(), GreyImage().data(), kSize, kSize, kStride, kRowsBottomUp, 0, 24,
                      kPngColourRgb) == 1;
}

// The baseline: the same libpng settings written straight to a file.
bool SaveWithPlainLibpng(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
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
  png_set_bgr(png);
  png_write_info(png, info);
  const std::uint8_t* rows = GreyImage().data();
  for (int y = kSize - 1; y >= 0; --y) {
    png_write_row(png, rows + static_cast<std::size_t>(y) * kStride);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

constexpr double kPixelBytes = 3.0 * kSize * kSize;

void BM_ImgWritePng(benchmark::State& state) {
  const std::u16string path = Utf8ToUtf16(TargetPath("relivox_bench_writer.png"));
  for (auto _ : state) {
    if (!SaveWithWriter(path)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPixelBytes));
  std::filesystem::remove(Utf16ToUtf8(path));
}

void BM_PlainLibpng(benchmark::State& state) {
  const std::string path = TargetPath("relivox_bench_plain.png");
  for (auto _ : state) {
    if (!SaveWithPlainLibpng(path)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPixelBytes));
  std::filesystem::remove(path);
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

// Both saves in every iteration, alternating which goes first, so drift of
// the machine's load hits both alike. ratio = writer speed / plain speed by
// wall time (what the user waits for); ratio_cpu by processor time, which a
// shared machine disturbs less.
void BM_WriterToPlainRatio(benchmark::State& state) {
  const std::u16string writerPath = Utf8ToUtf16(TargetPath("relivox_bench_writer.png"));
  const std::string plainPath = TargetPath("relivox_bench_plain.png");
  using Clock = std::chrono::steady_clock;
  double writerSeconds = 0;
  double plainSeconds = 0;
  double writerCpu = 0;
  double plainCpu = 0;
  bool writerFirst = true;
  for (auto _ : state) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool writer = (turn == 0) == writerFirst;
      const auto start = Clock::now();
      const double cpuStart = CpuSeconds();
      const bool ok = writer ? SaveWithWriter(writerPath) : SaveWithPlainLibpng(plainPath);
      const double cpu = CpuSeconds() - cpuStart;
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      if (!ok) state.SkipWithError("save failed");
      (writer ? writerSeconds : plainSeconds) += seconds;
      (writer ? writerCpu : plainCpu) += cpu;
    }
    writerFirst = !writerFirst;
  }
  const double ratio = plainSeconds / writerSeconds;
  state.counters["writer_MB/s"] = state.iterations() * kPixelBytes / writerSeconds / 1e6;
  state.counters["plain_MB/s"] = state.iterations() * kPixelBytes / plainSeconds / 1e6;
  state.counters["ratio"] = ratio;
  state.counters["ratio_cpu"] = plainCpu / writerCpu;
  state.SetLabel(ratio >= 0.95 ? "ratio meets 0.95" : "ratio BELOW 0.95");
  std::filesystem::remove(Utf16ToUtf8(writerPath));
  std::filesystem::remove(plainPath);
}

}  // namespace

// Each save takes seconds at level 9: few iterations are enough.
BENCHMARK(BM_ImgWritePng)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_PlainLibpng)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_WriterToPlainRatio)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

BENCHMARK_MAIN();
