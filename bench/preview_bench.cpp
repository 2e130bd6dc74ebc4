// The preview of a mosaic on an 800 x 600 canvas: sampling straight from the
// mosaic should cost about the canvas size whatever the mosaic size. Baseline:
// what it replaces, copying the whole mosaic and resizing the copy raw.
#include <benchmark/benchmark.h>

#include "app/window/preview_sampler.h"
#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"

namespace {

constexpr int kCanvasWidth = 800, kCanvasHeight = 600;

ObjectHandle Mosaic(const benchmark::State& state) {
  Img_Init();
  return Img_Create(KX_Any, state.range(0), state.range(1), 32, 0x404040);
}

void BM_CopyThenResizeRaw(benchmark::State& state) {
  const ObjectHandle mosaic = Mosaic(state);
  const ObjectHandle canvas = Img_Create(KX_Any, kCanvasWidth, kCanvasHeight, 24, 0);
  const PreviewSize size = PreviewSizeFor(static_cast<int>(state.range(0)),
                                          static_cast<int>(state.range(1)), kCanvasWidth,
                                          kCanvasHeight);
  for (auto _ : state) {
    const ObjectHandle copy = Img_Copy(mosaic, KX_Any);
    Img_Resize(copy, size.width, size.height, 1);
    if (Draw_Start(Img_Output(canvas))) {
      Draw_Image(Img_Handle(copy), 0, 0);
      Draw_Stop();
    }
    Img_Free(copy);
  }
  Img_Free(canvas);
  Img_Free(mosaic);
}
BENCHMARK(BM_CopyThenResizeRaw)->Args({2000, 2000})->Args({8000, 4000})->Unit(benchmark::kMillisecond);

void BM_SampleOntoCanvas(benchmark::State& state) {
  const ObjectHandle mosaic = Mosaic(state);
  const ObjectHandle canvas = Img_Create(KX_Any, kCanvasWidth, kCanvasHeight, 24, 0);
  const PreviewSize size = PreviewSizeFor(static_cast<int>(state.range(0)),
                                          static_cast<int>(state.range(1)), kCanvasWidth,
                                          kCanvasHeight);
  const Bitmap& source = *Bitmap_FromHandle(Img_Handle(mosaic));
  for (auto _ : state) {
    if (Draw_Start(Img_Output(canvas))) {
      DrawNearestScaled(source, size.width, size.height);
      Draw_Stop();
    }
  }
  Img_Free(canvas);
  Img_Free(mosaic);
}
BENCHMARK(BM_SampleOntoCanvas)->Args({2000, 2000})->Args({8000, 4000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
