// Painting a canvas only copies its backing bitmap to the window: a repaint
// should cost about one pass over the picture's bytes. Baseline: copying the
// same bytes with memcpy. Runs headless (offscreen) unless a platform is set.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/drawing.h"
#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

void BM_CopyPictureBytes(benchmark::State& state) {
  std::vector<std::uint8_t> from(static_cast<std::size_t>(kWidth) * 3 * kHeight, 128),
      to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(from.size()));
}
BENCHMARK(BM_CopyPictureBytes);

void BM_RepaintCanvas(benchmark::State& state) {
  const ObjectHandle window = Win_Open(KX_Any, 0, 0, kWidth, kHeight, u"Bench");
  const ObjectHandle canvas = Canvas_Create(KX_Any, 0, 0, kWidth, kHeight);
  for (int i = 0; i < 10; ++i) Evt_Wait(5);
  if (Draw_Start(Canvas_Output(canvas))) {
    Draw_Box(0, 0, kWidth, kHeight, Draw_RGBA(128, 128, 128, 255));
    Draw_Stop();
  }
  auto native = static_cast<PlatWindow>(Gad_Record(canvas)->handle);
  for (auto _ : state) Plat_RepaintNow(native);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * 3 * kHeight);
  Gad_Free(canvas);
  Win_Close(window);
}
BENCHMARK(BM_RepaintCanvas)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (!Win_Startup()) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Win_Shutdown();
  return 0;
}
