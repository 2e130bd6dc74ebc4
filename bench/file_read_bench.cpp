// File_ReadLine over a 30 MB tile of "356000.00,5645000.00,123.45" lines
// (goal: 300 MB/s or more), beside a plain read(2) of the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/xyz_sample.h"
#include "runtime/data/file.h"
#include "runtime/data/utf.h"

namespace {

const XyzSample& Sample() {
  static const XyzSample sample;
  return sample;
}

void BM_FileReadLine(benchmark::State& state) {
  const std::u16string path = Utf8ToUtf16(Sample().path());
  for (auto _ : state) {
    const ObjectHandle f = File_OpenRead(KX_Any, path);
    long lines = 0;
    while (!File_AtEnd(f)) {
      benchmark::DoNotOptimize(File_ReadLine(f));
      ++lines;
    }
    File_Close(f);
    if (lines != Sample().lines()) state.SkipWithError("wrong line count");
  }
  state.SetBytesProcessed(state.iterations() * Sample().size());
  state.SetItemsProcessed(state.iterations() * Sample().lines());
}
BENCHMARK(BM_FileReadLine)->Unit(benchmark::kMillisecond);

// The same lines through a fixed file number.
void BM_FileReadLineFixedNumber(benchmark::State& state) {
  const std::u16string path = Utf8ToUtf16(Sample().path());
  for (auto _ : state) {
    File_OpenRead(1, path);
    while (!File_AtEnd(1)) benchmark::DoNotOptimize(File_ReadLine(1));
    File_Close(1);
  }
  state.SetBytesProcessed(state.iterations() * Sample().size());
}
BENCHMARK(BM_FileReadLineFixedNumber)->Unit(benchmark::kMillisecond);

// Baseline: the bytes alone in 4096-byte reads, no decoding.
void BM_ReadSyscalls4096(benchmark::State& state) {
  std::vector<char> buffer(4096);
  for (auto _ : state) {
    const int fd = ::open(Sample().path().c_str(), O_RDONLY);
    while (::read(fd, buffer.data(), buffer.size()) > 0) benchmark::ClobberMemory();
    ::close(fd);
  }
  state.SetBytesProcessed(state.iterations() * Sample().size());
}
BENCHMARK(BM_ReadSyscalls4096)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
