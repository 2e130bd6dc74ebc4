// Drawing and resizing speed: tile plotting, tile composition into the
// mosaic, and the preview's raw shrink. Each has a plain-memory baseline or a
// second size in the same run to compare against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"

namespace {

constexpr int kTile = 1000;
constexpr int kMosaic = 4000;

// One Draw_Plot per pixel of a 1000 x 1000 tile in copy-all mode, row by row
// as the points of an elevation file come.
void BM_PlotCopyAll(benchmark::State& state) {
  Img_Init();
  const ObjectHandle tile = Img_Create(KX_Any, kTile, kTile, 32, -1);
  for (auto _ : state) {
    Draw_Start(Img_Output(tile));
    Draw_Mode(DrawMode_CopyAll);
    for (int y = 0; y < kTile; ++y)
      for (int x = 0; x < kTile; ++x) {
        const int grey = (x + y) & 0xFF;
        Draw_Plot(x, y, Draw_RGBA(grey, grey, grey, 255));
      }
    Draw_Stop();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
  Img_Free(tile);
}
BENCHMARK(BM_PlotCopyAll)->Unit(benchmark::kMillisecond);

// Baseline: the same pixel words stored straight into the bitmap.
void BM_PlotBaselineStore(benchmark::State& state) {
  Img_Init();
  const ObjectHandle tile = Img_Create(KX_Any, kTile, kTile, 32, -1);
  Bitmap* bitmap = Bitmap_FromHandle(Img_Handle(tile));
  for (auto _ : state) {
    for (int y = 0; y < kTile; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(Bitmap_PictureRow(*bitmap, y));
      for (int x = 0; x < kTile; ++x) {
        const std::uint32_t grey = (x + y) & 0xFF;
        row[x] = 0xFF000000u | grey << 16 | grey << 8 | grey;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
  Img_Free(tile);
}
BENCHMARK(BM_PlotBaselineStore)->Unit(benchmark::kMillisecond);

enum TileKind { kOpaque, kTransparent, kHalfOpaqueRuns, kScattered };

ObjectHandle MakeTile(TileKind kind) {
  const ObjectHandle tile = Img_Create(KX_Any, kTile, kTile, 32, -1);
  Bitmap* b = Bitmap_FromHandle(Img_Handle(tile));
  std::mt19937 random(7);
  for (int y = 0; y < kTile; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(Bitmap_PictureRow(*b, y));
    for (int x = 0; x < kTile; ++x) {
      bool opaque = kind == kOpaque;
      if (kind == kHalfOpaqueRuns) opaque = (x / 100 + y / 100) % 2 == 0;  // data patches
      if (kind == kScattered) opaque = random() % 2 == 0;  // worst case for branches
      const std::uint32_t grey = (x * 7 + y) & 0xFF;
      row[x] = opaque ? 0xFF000000u | grey << 16 | grey << 8 | grey : 0;
    }
  }
  return tile;
}

// Draw_AlphaImage of a 1000 x 1000 tile onto a 4000 x 4000 mosaic in
// source-over mode, as the mosaic rebuild does per tile.
void BM_AlphaImage(benchmark::State& state) {
  Img_Init();
  const ObjectHandle mosaic = Img_Create(KX_Any, kMosaic, kMosaic, 32, -1);
  const ObjectHandle tile = MakeTile(static_cast<TileKind>(state.range(0)));
  const ObjectHandle handle = Img_Handle(tile);
  int step = 0;
  for (auto _ : state) {
    Draw_Start(Img_Output(mosaic));
    Draw_Mode(DrawMode_SourceOver);
    Draw_AlphaImage(handle, (step % 4) * kTile, (step / 4 % 4) * kTile);
    Draw_Stop();
    ++step;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
  Img_Free(tile);
  Img_Free(mosaic);
}
BENCHMARK(BM_AlphaImage)
    ->Arg(kOpaque)
    ->Arg(kTransparent)
    ->Arg(kHalfOpaqueRuns)
    ->Arg(kScattered)
    ->ArgName("tile")
    ->Unit(benchmark::kMicrosecond);

// Baseline: memcpy of the same rows (what copy-all drawing would cost).
void BM_AlphaImageBaselineMemcpy(benchmark::State& state) {
  Img_Init();
  const ObjectHandle mosaic = Img_Create(KX_Any, kMosaic, kMosaic, 32, -1);
  const ObjectHandle tile = MakeTile(kOpaque);
  Bitmap* from = Bitmap_FromHandle(Img_Handle(tile));
  Bitmap* to = Bitmap_FromHandle(Img_Handle(mosaic));
  int step = 0;
  for (auto _ : state) {
    const int ox = (step % 4) * kTile, oy = (step / 4 % 4) * kTile;
    for (int y = 0; y < kTile; ++y)
      std::memcpy(Bitmap_PictureRow(*to, oy + y) + 4 * ox, Bitmap_PictureRow(*from, y), 4 * kTile);
    ++step;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTile * kTile);
  Img_Free(tile);
  Img_Free(mosaic);
}
BENCHMARK(BM_AlphaImageBaselineMemcpy)->Unit(benchmark::kMicrosecond);

// Raw Img_Resize of a side x side 32-bit image to out x out: the cost follows
// the output. Each output pixel reads one source pixel; once the samples lie a
// cache line or more apart (16000 -> 800 and up) a larger input costs nothing
// more, while four times the output costs about four times as much.
void BM_ResizeRaw(benchmark::State& state) {
  Img_Init();
  const auto side = state.range(0);
  const auto out = state.range(1);
  for (auto _ : state) {
    state.PauseTiming();
    const ObjectHandle image = Img_Create(KX_Any, side, side, 32, Draw_RGBA(90, 90, 90, 255));
    state.ResumeTiming();
    benchmark::DoNotOptimize(Img_Resize(image, out, out, 1));
    state.PauseTiming();
    Img_Free(image);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * out * out);
}
BENCHMARK(BM_ResizeRaw)
    ->Args({4000, 800})
    ->Args({8000, 800})
    ->Args({16000, 800})
    ->Args({24000, 800})
    ->Args({16000, 1600})
    ->ArgNames({"from", "to"})
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
