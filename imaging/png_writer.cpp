#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "runtime/data/atomic_file.h"
#include "imaging/colour_quantiser.h"
#include "imaging/image_codec.h"
#include "imaging/png_encoder.h"
#include "imaging/png_errors.h"

namespace {

constexpr int kCompressionLevel = 9;
constexpr double kQuantiserGamma = 1.8;
// Up to 256K pixels every pixel trains the palette, above that fewer.
constexpr std::size_t kPixelsPerSampleStep = 262144;
constexpr int kMaxSampleFactor = 10;
constexpr std::size_t kMemorySlack = 0x8000;  // headers and incompressible rows

struct Source {
  const std::uint8_t* rows;
  int width;
  int height;
  std::size_t stride;
  bool bottomUp;
  int bytesPerPixel;
  unsigned saveFlags;
  int depth;  // 1 to 8 for a palette image, anything else for truecolour
  int colourType;

  bool Indexed() const { return depth >= 1 && depth <= 8; }
  std::size_t PixelCount() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  }
  // Memory row of picture row y (0 = top).
  std::size_t MemoryRow(int y) const {
    return static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
  }
};

struct MemorySink {
  std::vector<std::uint8_t> bytes;
};

// libpng hands the encoded stream over block by block; the vector grows as
// needed, so the sink can never write past its buffer.
void WriteToMemory(png_structp png, png_bytep data, size_t length) {
  auto* sink = static_cast<MemorySink*>(png_get_io_ptr(png));
  bool stored = true;
  try {
    sink->bytes.insert(sink->bytes.end(), data, data + length);
  } catch (...) {
    stored = false;
  }
  if (!stored) png_error(png, "out of memory");  // after the catch: the long jump skips nothing
}

// libpng falls back to fflush() on the io pointer when no flush routine is
// set; the sink is not a FILE, so give it one that does nothing.
void FlushNothing(png_structp) {}

// Everything one call owns. It lives in the caller of the function that arms
// the long jump, so an error exit skips no destructor.
struct Encoding {
  png_structp png = nullptr;
  png_infop info = nullptr;

  // Palette images: 32-bit blue, green, red, alpha pixels in memory order.
  std::vector<std::uint8_t> copy;
  const std::uint8_t* pixels = nullptr;
  std::size_t pixelStride = 0;
  std::unique_ptr<ColourQuantiser> quantiser;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> packedRow;
  std::vector<int> errors;  // dithering: two rows of (width + 2) * 3 sixteenths

  Encoding() = default;
  Encoding(const Encoding&) = delete;
  Encoding& operator=(const Encoding&) = delete;
  ~Encoding() { DestroyPng(); }

  void DestroyPng() {
    if (png) png_destroy_write_struct(&png, &info);
    png = nullptr;
    info = nullptr;
  }
};

// Builds the working pixels and the palette for a palette image.
void PrepareIndexed(Encoding& e, const Source& s) {
  const std::size_t rowBytes = static_cast<std::size_t>(s.width) * 4;
  if (s.bytesPerPixel == 4 && s.stride == rowBytes && !(s.saveFlags & kSaveDither)) {
    e.pixels = s.rows;  // read only, so the caller's rows serve as they are
  } else {
    e.copy.resize(rowBytes * static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y) {
      const std::uint8_t* in = s.rows + static_cast<std::size_t>(y) * s.stride;
      std::uint8_t* out = e.copy.data() + static_cast<std::size_t>(y) * rowBytes;
      if (s.bytesPerPixel == 4) {
        std::memcpy(out, in, rowBytes);
      } else {
        for (int x = 0; x < s.width; ++x, in += 3, out += 4) {
          out[0] = in[0];
          out[1] = in[1];
          out[2] = in[2];
          out[3] = 255;
        }
      }
    }
    e.pixels = e.copy.data();
  }
  e.pixelStride = rowBytes;

  const int colours = 1 << s.depth;
  e.palette.resize(colours);
  if (s.depth == 1) {
    e.palette[0] = png_color{0, 0, 0};
    e.palette[1] = png_color{255, 255, 255};
  } else {
    e.quantiser = std::make_unique<ColourQuantiser>(colours, kQuantiserGamma);
    const int sampleFactor = static_cast<int>(
        std::min<std::size_t>(kMaxSampleFactor, s.PixelCount() / kPixelsPerSampleStep + 1));
    e.quantiser->Learn(e.pixels, s.PixelCount(), sampleFactor);
    const std::vector<PaletteColour>& learned = e.quantiser->Palette();
    for (int i = 0; i < colours; ++i) {
      e.palette[i] = png_color{learned[i].red, learned[i].green, learned[i].blue};
    }
    if (s.saveFlags & kSaveDither) {
      e.errors.assign(2 * (static_cast<std::size_t>(s.width) + 2) * 3, 0);
    }
  }
  e.packedRow.resize((static_cast<std::size_t>(s.width) * s.depth + 7) / 8);
}

// Floyd-Steinberg: each pixel's quantisation error is passed on to its
// right and lower neighbours (7, 3, 5, 1 sixteenths).
int DitheredIndex(Encoding& e, const std::uint8_t* pixel, int x, int* current, int* next) {
  int value[3];
  for (int c = 0; c < 3; ++c) {
    value[c] = std::clamp(pixel[c] + current[(x + 1) * 3 + c] / 16, 0, 255);
  }
  const int index =
      e.quantiser->Map(static_cast<std::uint8_t>(value[0]), static_cast<std::uint8_t>(value[1]),
                       static_cast<std::uint8_t>(value[2]));
  const png_color& chosen = e.palette[index];
  const int error[3] = {value[0] - chosen.blue, value[1] - chosen.green, value[2] - chosen.red};
  for (int c = 0; c < 3; ++c) {
    current[(x + 2) * 3 + c] += error[c] * 7;
    next[x * 3 + c] += error[c] * 3;
    next[(x + 1) * 3 + c] += error[c] * 5;
    next[(x + 2) * 3 + c] += error[c];
  }
  return index;
}

// Packs picture row y as palette indices, `depth` bits each, the first pixel
// in the highest bits.
void PackRow(Encoding& e, const Source& s, int y) {
  const std::uint8_t* pixel = e.pixels + s.MemoryRow(y) * e.pixelStride;
  std::fill(e.packedRow.begin(), e.packedRow.end(), 0);
  int* current = nullptr;
  int* next = nullptr;
  if (!e.errors.empty()) {
    const std::size_t half = e.errors.size() / 2;
    current = e.errors.data() + (y % 2) * half;
    next = e.errors.data() + ((y + 1) % 2) * half;
    std::fill(next, next + half, 0);
  }
  for (int x = 0; x < s.width; ++x, pixel += 4) {
    int index;
    if (s.depth == 1) {
      const double luma = 0.2126 * pixel[2] + 0.7152 * pixel[1] + 0.0722 * pixel[0];
      index = luma > 160 ? 1 : 0;
    } else if (current) {
      index = DitheredIndex(e, pixel, x, current, next);
    } else {
      index = e.quantiser->Map(pixel[0], pixel[1], pixel[2]);
    }
    const std::size_t bit = static_cast<std::size_t>(x) * s.depth;
    e.packedRow[bit / 8] |= static_cast<std::uint8_t>(index << (8 - s.depth - bit % 8));
  }
}

// The libpng sequence. Every libpng error long-jumps back to the setjmp
// here; nothing with a destructor lives in this frame or in the callbacks it
// may jump over.
bool Encode(Encoding& e, const Source& s, std::FILE* file, MemorySink* sink) {
  if (setjmp(png_jmpbuf(e.png))) return false;

  if (file) {
    png_init_io(e.png, file);
  } else {
    png_set_write_fn(e.png, sink, WriteToMemory, FlushNothing);
  }
  e.info = png_create_info_struct(e.png);
  if (!e.info) return false;
  png_set_filter(e.png, 0, PNG_FILTER_NONE);
  png_set_compression_level(e.png, kCompressionLevel);

  if (!s.Indexed()) {
    png_set_IHDR(e.png, e.info, s.width, s.height, 8, s.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_bgr(e.png);
    png_write_info(e.png, e.info);
    for (int y = 0; y < s.height; ++y) {
      png_write_row(e.png, s.rows + s.MemoryRow(y) * s.stride);  // straight from the image
    }
  } else {
    PrepareIndexed(e, s);
    png_set_IHDR(e.png, e.info, s.width, s.height, s.depth, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(e.png, e.info, e.palette.data(), static_cast<int>(e.palette.size()));
    png_write_info(e.png, e.info);
    for (int y = 0; y < s.height; ++y) {
      PackRow(e, s, y);
      png_write_row(e.png, e.packedRow.data());
    }
    e.quantiser.reset();
  }
  png_write_end(e.png, e.info);
  return true;
}

std::intptr_t WritePng(const char16_t* path, const Source& s, std::size_t* memoryLength) {
  AtomicFile file(path);  // nothing is opened for the in-memory form
  MemorySink sink;
  if (path) {
    if (!file.stream()) return 0;
  } else {
    sink.bytes.reserve(static_cast<std::size_t>(s.bytesPerPixel) * s.PixelCount() + kMemorySlack);
  }

  Encoding e;
  e.png = Png_CreateQuietWriteStruct();
  if (!e.png) return 0;
  if (!Encode(e, s, file.stream(), &sink)) return 0;
  e.DestroyPng();

  if (path) return file.Commit() ? 1 : 0;

  void* block = std::malloc(sink.bytes.size());
  if (!block) return 0;
  std::memcpy(block, sink.bytes.data(), sink.bytes.size());
  if (memoryLength) *memoryLength = sink.bytes.size();
  return reinterpret_cast<std::intptr_t>(block);
}

}  // namespace

std::intptr_t Img_WritePng(const char16_t* path, const std::uint8_t* rows, int width, int height,
                           int stride, unsigned orientation, unsigned saveFlags, int depth,
                           int colourType, std::size_t* memoryLength) {
  if (!rows || width <= 0 || height <= 0) return 0;
  if (colourType != kPngColourRgb && colourType != kPngColourRgba) return 0;
  const int bytesPerPixel = colourType == kPngColourRgb ? 3 : 4;
  if (stride <= 0 ||
      static_cast<long long>(stride) < static_cast<long long>(width) * bytesPerPixel) {
    return 0;
  }
  const Source source{rows,
                      width,
                      height,
                      static_cast<std::size_t>(stride),
                      (orientation & kRowsBottomUp) != 0,
                      bytesPerPixel,
                      saveFlags,
                      depth,
                      colourType};
  try {
    return WritePng(path, source, memoryLength);
  } catch (...) {
    return 0;  // out of memory while preparing: nothing was committed
  }
}
