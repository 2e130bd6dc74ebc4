#include "app/window/preview_sampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/drawing_context.h"

namespace {

int Rounded(double size) { return std::max(1, static_cast<int>(std::nearbyint(size))); }

// The raw resize's rule: the source pixel under the centre of output pixel i.
int SourceIndex(int i, int sourceSize, int size) {
  const std::int64_t s =
      (2 * static_cast<std::int64_t>(i) + 1) * sourceSize / (2 * static_cast<std::int64_t>(size));
  return static_cast<int>(std::min<std::int64_t>(s, sourceSize - 1));
}

}  // namespace

PreviewSize PreviewSizeFor(int imageWidth, int imageHeight, int canvasWidth, int canvasHeight) {
  double factor = 1.0;
  if (imageWidth > canvasWidth) factor = static_cast<double>(canvasWidth) / imageWidth;
  if (canvasHeight < imageHeight * factor) factor = static_cast<double>(canvasHeight) / imageHeight;
  if (factor >= 1.0) return {imageWidth, imageHeight};
  return {Rounded(imageWidth * factor), Rounded(imageHeight * factor)};
}

void DrawNearestScaled(const Bitmap& source, int width, int height) {
  DrawingContext* dc = Draw_Current();
  if (!dc || !dc->started || !dc->topRow || width <= 0 || height <= 0) return;
  if (source.width <= 0 || source.height <= 0 || !source.bits) return;
  const int sourceBytes = source.bitsPerPixel / 8;
  const int targetBytes = dc->bytesPerPixel;
  if ((sourceBytes != 3 && sourceBytes != 4) || targetBytes < 3) return;
  const int columns = std::min(width, dc->width);
  const int rows = std::min(height, dc->height);
  std::vector<std::size_t> offsets(static_cast<std::size_t>(std::max(columns, 0)));
  for (int x = 0; x < columns; ++x)
    offsets[static_cast<std::size_t>(x)] =
        static_cast<std::size_t>(SourceIndex(x, source.width, width)) * sourceBytes;
  for (int y = 0; y < rows; ++y) {
    const std::uint8_t* in = Bitmap_PictureRow(source, SourceIndex(y, source.height, height));
    std::uint8_t* out = dc->topRow + static_cast<std::ptrdiff_t>(y) * dc->rowStep;
    for (int x = 0; x < columns; ++x, out += targetBytes)
      std::memcpy(out, in + offsets[static_cast<std::size_t>(x)], 3);
  }
}
