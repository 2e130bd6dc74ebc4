#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#include "imaging/image.h"
#include "imaging/image_table.h"

namespace {

// Straight-alpha 32-bit rows composited over white into 24-bit rows: each
// colour byte c under alpha a becomes ((c - 255) * a + 65025) / 255.
void CompositeOverWhite(const Bitmap& source, std::uint8_t* target, std::size_t targetStride) {
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.bits + static_cast<std::size_t>(y) * source.stride;
    std::uint8_t* out = target + static_cast<std::size_t>(y) * targetStride;
    for (int x = 0; x < source.width; ++x, in += 4, out += 3) {
      const int a = in[3];
      for (int c = 0; c < 3; ++c)
        out[c] = static_cast<std::uint8_t>(((in[c] - 255) * a + 65025) / 255);
    }
  }
}

}  // namespace

int Img_Save(ObjectHandle number, const std::u16string& path, std::uint32_t encoderId,
             unsigned saveFlags, int depth) {
  if (path.empty()) return 0;
  Bitmap* bitmap = nullptr;
  {
    auto& table = ImageTable();
    std::lock_guard lock(table.Mutex());
    const ImageRecord* record = table.Find(number);
    if (!record) return 0;
    bitmap = record->handle;
    if (depth == -1) depth = record->sourceDepth;
  }
  if (!bitmap->bits) return 0;
  const ImageEncoder* encoder = Img_FindEncoder(encoderId);
  if (!encoder) return 0;

  if (bitmap->bitsPerPixel == 32) {
    if (encoder->write32 && depth == 32)
      return encoder->write32(path.c_str(), bitmap->bits, bitmap->width, bitmap->height,
                              bitmap->stride, kRowsBottomUp, saveFlags, depth);
    if (!encoder->write24) return 0;
    const std::size_t stride = (static_cast<std::size_t>(bitmap->width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> rows;
    try {
      rows.assign(stride * bitmap->height, 0);
    } catch (const std::bad_alloc&) {
      return 0;
    }
    CompositeOverWhite(*bitmap, rows.data(), stride);
    return encoder->write24(path.c_str(), rows.data(), bitmap->width, bitmap->height,
                            static_cast<int>(stride), kRowsBottomUp, saveFlags, depth);
  }
  if (bitmap->bitsPerPixel == 24) {
    if (!encoder->write24) return 0;
    return encoder->write24(path.c_str(), bitmap->bits, bitmap->width, bitmap->height,
                            bitmap->stride, kRowsBottomUp, saveFlags, depth);
  }
  return 0;
}
