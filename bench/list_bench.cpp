// Container hot paths: a tile's points appended to a list (a 30 MB file holds
// about a million; 10 million is the target size) and the tile registry's
// inserts and look-ups. Each is run beside a standard-library baseline.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/converter.h"
#include "app/xyz_format.h"
#include "runtime/data/list.h"
#include "runtime/data/map.h"
#include "runtime/data/typed_containers.h"

namespace {

constexpr std::int64_t kPoints = 10'000'000;

XyzPoint PointFor(std::int64_t i) {
  return {356000 + i % 1000, -(5645000 + i / 1000), static_cast<std::uint8_t>(i)};
}

void BM_ListAdd(benchmark::State& state) {
  for (auto _ : state) {
    ListHeader* list = List_New(sizeof(XyzPoint), nullptr, nullptr, 7);
    for (std::int64_t i = 0; i < kPoints; ++i) {
      const XyzPoint point = PointFor(i);
      std::memcpy(List_Add(list), &point, sizeof point);
    }
    benchmark::DoNotOptimize(List_Size(list));
    state.PauseTiming();
    List_Free(list);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ListAdd)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TypedListAdd(benchmark::State& state) {
  for (auto _ : state) {
    auto* points = new List<XyzPoint>(7);
    for (std::int64_t i = 0; i < kPoints; ++i) *points->Add() = PointFor(i);
    benchmark::DoNotOptimize(points->Size());
    state.PauseTiming();
    delete points;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TypedListAdd)->Unit(benchmark::kMillisecond)->Iterations(3);

// Baseline: a growing vector, the cheapest way to collect points.
void BM_VectorPushBack(benchmark::State& state) {
  for (auto _ : state) {
    auto* points = new std::vector<XyzPoint>;
    for (std::int64_t i = 0; i < kPoints; ++i) points->push_back(PointFor(i));
    benchmark::DoNotOptimize(points->data());
    state.PauseTiming();
    delete points;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_VectorPushBack)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListWalk(benchmark::State& state) {
  ListHeader* list = List_New(sizeof(XyzPoint), nullptr, nullptr, 7);
  for (std::int64_t i = 0; i < kPoints; ++i) {
    const XyzPoint point = PointFor(i);
    std::memcpy(List_Add(list), &point, sizeof point);
  }
  for (auto _ : state) {
    std::int64_t minX = INT64_MAX;
    List_Reset(list);
    while (void* data = List_Next(list)) {
      XyzPoint point;
      std::memcpy(&point, data, sizeof point);
      if (point.x < minX) minX = point.x;
    }
    benchmark::DoNotOptimize(minX);
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  List_Free(list);
}
BENCHMARK(BM_ListWalk)->Unit(benchmark::kMillisecond)->Iterations(3);

// Registry-shaped keys: 32 lower-case hex digits.
std::vector<std::u16string> MakeKeys(int count) {
  std::vector<std::u16string> keys;
  std::uint64_t v = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < count; ++i) {
    std::u16string key;
    for (int d = 0; d < 32; ++d) {
      v ^= v << 13;
      v ^= v >> 7;
      v ^= v << 17;
      key += u"0123456789abcdef"[v & 15];
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

constexpr int kKeys = 10000;

void BM_MapAddFind(benchmark::State& state) {
  const std::vector<std::u16string> keys = MakeKeys(kKeys);
  for (auto _ : state) {
    MapHeader* map = Map_New(sizeof(TileRecord), 7, nullptr, nullptr, 512);
    for (const auto& key : keys) static_cast<TileRecord*>(Map_Add(map, key))->image = 1;
    std::int64_t found = 0;
    for (const auto& key : keys) found += static_cast<TileRecord*>(Map_Find(map, key))->image;
    benchmark::DoNotOptimize(found);
    Map_Free(map);
  }
  state.SetItemsProcessed(state.iterations() * kKeys * 2);
}
BENCHMARK(BM_MapAddFind)->Unit(benchmark::kMillisecond);

// Baseline: a rehashing standard map with the same keys.
void BM_UnorderedMapAddFind(benchmark::State& state) {
  const std::vector<std::u16string> keys = MakeKeys(kKeys);
  for (auto _ : state) {
    std::unordered_map<std::u16string, TileRecord> map;
    for (const auto& key : keys) map[key].image = 1;
    std::int64_t found = 0;
    for (const auto& key : keys) found += map.find(key)->second.image;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kKeys * 2);
}
BENCHMARK(BM_UnorderedMapAddFind)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
