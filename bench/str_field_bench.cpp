// The per-line work of the XYZ reader: three Str_Field and three
// Str_ToInteger calls on "356000.00,5645000.00,123.45"-shaped lines.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/xyz_sample.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"

namespace {

std::vector<std::u16string> Lines() {
  std::vector<std::u16string> lines;
  for (long i = 0; i < 100000; ++i) {
    std::string line = XyzLine(i);
    line.pop_back();
    lines.push_back(Utf8ToUtf16(line));
  }
  return lines;
}

void BM_FieldsAndIntegersPerLine(benchmark::State& state) {
  const std::vector<std::u16string> lines = Lines();
  const std::u16string comma = u",";
  std::size_t i = 0;
  for (auto _ : state) {
    const std::u16string& line = lines[i++ % lines.size()];
    const std::int64_t x = Str_ToInteger(Str_Field(line, 1, comma));
    const std::int64_t y = -Str_ToInteger(Str_Field(line, 2, comma));
    const std::int64_t z = Str_ToInteger(Str_Field(line, 3, comma));
    benchmark::DoNotOptimize(x + y + (z & 0xFF));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FieldsAndIntegersPerLine);

void BM_StrFieldOnly(benchmark::State& state) {
  const std::vector<std::u16string> lines = Lines();
  const std::u16string comma = u",";
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Str_Field(lines[i++ % lines.size()], 2, comma));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrFieldOnly);

void BM_StrToIntegerOnly(benchmark::State& state) {
  const std::u16string field = u"5645000.00";
  for (auto _ : state) benchmark::DoNotOptimize(Str_ToInteger(field));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrToIntegerOnly);

}  // namespace

BENCHMARK_MAIN();
