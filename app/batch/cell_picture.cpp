#include "app/batch/cell_picture.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "app/converter.h"
#include "app/height_store.h"
#include "app/indicators.h"
#include "imaging/png_encoder.h"
#include "imaging/png_rows.h"

namespace {

// The low byte of the truncated height, as the picture's grey is of the
// integer z; a gap, NaN or an infinity is black.
std::uint8_t Grey(float height) {
  if (!std::isfinite(height)) return 0;
  const double low = std::fmod(std::trunc(static_cast<double>(height)), 256.0);
  return static_cast<std::uint8_t>(low < 0 ? low + 256 : low);
}

void StoreRow(void* context, int y, std::uint8_t* out) {
  const HeightStore& store = *static_cast<const HeightStore*>(context);
  const float* in =
      store.values.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(store.width);
  for (std::int64_t x = 0; x < store.width; ++x, out += 3) out[0] = out[1] = out[2] = Grey(in[x]);
}

}  // namespace

ExportOutcome WriteCellPicture(Converter& core, const std::u16string& path) {
  if (core.tiles->Size() == 0) return ExportOutcome::kNothingLoaded;
  BeginSaving(core, u"PNG");
  const auto finish = [&core](ExportOutcome outcome) { return EndSaving(core, outcome); };
  HeightStore store;
  if (!ComposeHeights(core, core.extent, &store)) return finish(ExportOutcome::kNoMemory);
  Img_UsePngEncoder();
  const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  const bool written =
      Img_WritePngRows(path.c_str(), static_cast<int>(store.width), static_cast<int>(store.height),
                       StoreRow, &store, threads) != 0;
  return finish(written ? ExportOutcome::kWritten : ExportOutcome::kFailed);
}
