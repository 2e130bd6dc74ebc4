#include "imaging/bmp_codec.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "runtime/data/atomic_file.h"
#include "imaging/bitmap.h"

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int WriteBmp(const char16_t* path, const std::uint8_t* rows, int width, int height, int stride,
             unsigned orientation, int bitsPerPixel) {
  if (!rows || width <= 0 || height <= 0) return 0;
  const std::size_t fileStride = Bitmap_Stride(bitsPerPixel, width);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (bitsPerPixel / 8);
  if (stride < 0 || static_cast<std::size_t>(stride) < rowBytes) return 0;
  const std::uint64_t imageSize = static_cast<std::uint64_t>(fileStride) * height;
  const std::uint64_t fileSize = kFileHeaderSize + kInfoHeaderSize + imageSize;
  if (fileSize > 0xFFFFFFFFu) return 0;  // the header cannot say it

  AtomicFile file(path);
  if (!file.stream()) return 0;

  std::uint8_t header[kFileHeaderSize + kInfoHeaderSize] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<std::uint32_t>(fileSize));
  Put32(header + 10, kFileHeaderSize + kInfoHeaderSize);
  std::uint8_t* info = header + kFileHeaderSize;
  Put32(info + 0, kInfoHeaderSize);
  Put32(info + 4, static_cast<std::uint32_t>(width));
  Put32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<std::uint16_t>(bitsPerPixel));
  Put32(info + 16, 0);  // BI_RGB
  Put32(info + 20, static_cast<std::uint32_t>(imageSize));
  Put32(info + 24, 2835);  // 72 dpi
  Put32(info + 28, 2835);
  if (std::fwrite(header, sizeof header, 1, file.stream()) != 1) return 0;

  // The file is bottom-up: memory row 0 first when the source is bottom-up too.
  const bool bottomUp = (orientation & kRowsBottomUp) != 0;
  std::vector<std::uint8_t> row(fileStride, 0);
  for (int i = 0; i < height; ++i) {
    const int memoryRow = bottomUp ? i : height - 1 - i;
    std::memcpy(row.data(), rows + static_cast<std::size_t>(memoryRow) * stride, rowBytes);
    if (std::fwrite(row.data(), fileStride, 1, file.stream()) != 1) return 0;
  }
  return file.Commit() ? 1 : 0;
}

int CheckBmp(const std::uint8_t* data, std::size_t size) {
  return data && size >= kFileHeaderSize + kInfoHeaderSize && data[0] == 'B' && data[1] == 'M';
}

const ImageEncoder bmpEncoder = {EncoderBmp, Img_WriteBmp24, Img_WriteBmp32};
// Nothing in this system loads images: the decoder only recognises the format.
const ImageDecoder bmpDecoder = {EncoderBmp, CheckBmp, nullptr, nullptr};

}  // namespace

int Img_WriteBmp24(const char16_t* path, const std::uint8_t* rows, int width, int height,
                   int stride, unsigned orientation, unsigned, int) {
  return WriteBmp(path, rows, width, height, stride, orientation, 24);
}

int Img_WriteBmp32(const char16_t* path, const std::uint8_t* rows, int width, int height,
                   int stride, unsigned orientation, unsigned, int) {
  return WriteBmp(path, rows, width, height, stride, orientation, 32);
}

void Img_UseBmpCodec() {
  static std::once_flag once;
  std::call_once(once, [] {
    Img_RegisterEncoder(&bmpEncoder);
    Img_RegisterDecoder(&bmpDecoder);
  });
}
