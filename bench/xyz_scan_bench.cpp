// The XYZ byte scanner on a 30 MB tile held in memory, comma and blank
// separated, beside MD5 over the same bytes (the other half of a read):
// the scanner should not be the slower of the two, with heights neither.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/xyz_read_pass.h"
#include "app/xyz_scan.h"
#include "bench/xyz_sample.h"
#include "runtime/data/hash.h"

namespace {

std::string Tile(char separator) {
  std::string text;
  for (long i = 0; text.size() < (30u << 20); ++i) {
    std::string line = XyzLine(i);
    for (char& c : line)
      if (c == ',') c = separator;
    text += line;
  }
  return text;
}

void Scan(benchmark::State& state, char separator, XyzSeparator rule, XyzWants wants = {}) {
  const std::string text = Tile(separator);
  std::vector<unsigned char> chunk(kXyzChunkBytes + kXyzScanPadding);
  for (auto _ : state) {
    XyzScanner scan;
    scan.separator = rule;
    scan.wants = wants;
    scan.length = static_cast<std::int64_t>(text.size());
    for (std::size_t at = 0; at < text.size(); at += kXyzChunkBytes) {
      const std::size_t n = std::min(kXyzChunkBytes, text.size() - at);
      std::memcpy(chunk.data(), text.data() + at, n);  // as a read would
      XyzScan_Chunk(scan, chunk.data(), n);
    }
    XyzScan_Finish(scan);
    benchmark::DoNotOptimize(scan.points.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void BM_ScanComma(benchmark::State& state) { Scan(state, ',', XyzSeparator::kComma); }
void BM_ScanBlank(benchmark::State& state) { Scan(state, ' ', XyzSeparator::kBlank); }
BENCHMARK(BM_ScanComma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanBlank)->Unit(benchmark::kMillisecond);

// With z as a decimal and the grid phases, as the outputs of heights read.
void BM_ScanCommaHeights(benchmark::State& state) {
  Scan(state, ',', XyzSeparator::kComma, XyzWants{true, true});
}
BENCHMARK(BM_ScanCommaHeights)->Unit(benchmark::kMillisecond);
void BM_ScanCommaZ(benchmark::State& state) {
  Scan(state, ',', XyzSeparator::kComma, XyzWants{true, false});
}
BENCHMARK(BM_ScanCommaZ)->Unit(benchmark::kMillisecond);
void BM_ScanCommaPhase(benchmark::State& state) {
  Scan(state, ',', XyzSeparator::kComma, XyzWants{false, true});
}
BENCHMARK(BM_ScanCommaPhase)->Unit(benchmark::kMillisecond);

void BM_Md5(benchmark::State& state) {
  Hash_UseMd5();
  const std::string text = Tile(',');
  for (auto _ : state) {
    HashStream* stream = Hash_Begin(kHashMd5);
    Hash_Add(stream, text.data(), text.size());
    benchmark::DoNotOptimize(Hash_End(stream));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Md5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
