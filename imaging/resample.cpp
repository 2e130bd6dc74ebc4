#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

struct BitmapDeleter {
  void operator()(Bitmap* b) const { Bitmap_Delete(b); }
};
using BitmapPtr = std::unique_ptr<Bitmap, BitmapDeleter>;

// Source index of output index i: the source pixel under the output pixel's
// centre.
std::vector<int> NearestIndices(int sourceSize, int size) {
  std::vector<int> indices(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i) {
    const std::int64_t s =
        (2 * static_cast<std::int64_t>(i) + 1) * sourceSize / (2 * static_cast<std::int64_t>(size));
    indices[static_cast<std::size_t>(i)] =
        static_cast<int>(std::min<std::int64_t>(s, sourceSize - 1));
  }
  return indices;
}

double Mitchell(double x) {
  constexpr double B = 1.0 / 3.0;
  constexpr double C = 1.0 / 3.0;
  x = std::fabs(x);
  if (x < 1.0)
    return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6;
  if (x < 2.0)
    return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x +
            (8 * B + 24 * C)) /
           6;
  return 0.0;
}

double Linear(double x) {
  x = std::fabs(x);
  return x < 1.0 ? 1.0 - x : 0.0;
}

// Weights of one pass: output index i reads `count` source indices from
// first[i] on, with weights[i * span ...].
struct Weights {
  int span = 0;
  std::vector<int> first;
  std::vector<int> count;
  std::vector<float> weights;
};

Weights MakeWeights(int sourceSize, int size, double (*kernel)(double), double radius) {
  Weights w;
  const double scale = static_cast<double>(size) / sourceSize;
  // Shrinking widens the kernel so that every source pixel contributes.
  const double stretch = scale < 1.0 ? 1.0 / scale : 1.0;
  const double support = radius * stretch;
  w.span = static_cast<int>(std::ceil(support)) * 2 + 2;
  w.first.resize(static_cast<std::size_t>(size));
  w.count.resize(static_cast<std::size_t>(size));
  w.weights.assign(static_cast<std::size_t>(size) * w.span, 0.0f);
  for (int i = 0; i < size; ++i) {
    const double centre = (i + 0.5) / scale;
    int lo = static_cast<int>(std::floor(centre - support));
    int hi = static_cast<int>(std::ceil(centre + support));
    lo = std::max(lo, 0);
    hi = std::min(hi, sourceSize - 1);
    if (hi - lo + 1 > w.span) hi = lo + w.span - 1;
    float* out = &w.weights[static_cast<std::size_t>(i) * w.span];
    double total = 0.0;
    for (int j = lo; j <= hi; ++j) {
      const double v = kernel((j + 0.5 - centre) / stretch);
      out[j - lo] = static_cast<float>(v);
      total += v;
    }
    if (total == 0.0) {  // cannot happen with these kernels; take the nearest pixel
      lo = std::clamp(static_cast<int>(centre), 0, sourceSize - 1);
      hi = lo;
      out[0] = 1.0f;
      total = 1.0;
    }
    for (int j = 0; j <= hi - lo; ++j) out[j] = static_cast<float>(out[j] / total);
    w.first[static_cast<std::size_t>(i)] = lo;
    w.count[static_cast<std::size_t>(i)] = hi - lo + 1;
  }
  return w;
}

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

// One pass along x: every row of `source` into `target` (same height).
void PassHorizontal(const Bitmap& source, Bitmap& target, const Weights& w) {
  const int channels = source.bitsPerPixel / 8;
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.bits + static_cast<std::size_t>(y) * source.stride;
    std::uint8_t* out = target.bits + static_cast<std::size_t>(y) * target.stride;
    for (int x = 0; x < target.width; ++x) {
      const float* weight = &w.weights[static_cast<std::size_t>(x) * w.span];
      const std::uint8_t* p =
          in + static_cast<std::size_t>(w.first[static_cast<std::size_t>(x)]) * channels;
      float sum[4] = {0, 0, 0, 0};
      for (int k = 0; k < w.count[static_cast<std::size_t>(x)]; ++k, p += channels)
        for (int c = 0; c < channels; ++c) sum[c] += weight[k] * p[c];
      for (int c = 0; c < channels; ++c) out[x * channels + c] = ToByte(sum[c]);
    }
  }
}

// One pass along y in picture order: every column of `source` into `target`
// (same width).
void PassVertical(const Bitmap& source, Bitmap& target, const Weights& w) {
  const int channels = source.bitsPerPixel / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(source.width) * channels;
  std::vector<float> sum(rowBytes);
  for (int y = 0; y < target.height; ++y) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    const float* weight = &w.weights[static_cast<std::size_t>(y) * w.span];
    const int first = w.first[static_cast<std::size_t>(y)];
    for (int k = 0; k < w.count[static_cast<std::size_t>(y)]; ++k) {
      const std::uint8_t* in = Bitmap_PictureRow(source, first + k);
      for (std::size_t i = 0; i < rowBytes; ++i) sum[i] += weight[k] * in[i];
    }
    std::uint8_t* out = Bitmap_PictureRow(target, y);
    for (std::size_t i = 0; i < rowBytes; ++i) out[i] = ToByte(sum[i]);
  }
}

}  // namespace

Bitmap* Resample_Nearest(const Bitmap& source, int width, int height) {
  Bitmap* target = Bitmap_Create(width, height, source.bitsPerPixel);
  if (!target) return nullptr;
  std::vector<int> columns, rows;
  try {
    columns = NearestIndices(source.width, width);
    rows = NearestIndices(source.height, height);
  } catch (const std::bad_alloc&) {
    Bitmap_Delete(target);
    return nullptr;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = Bitmap_PictureRow(source, rows[static_cast<std::size_t>(y)]);
    std::uint8_t* out = Bitmap_PictureRow(*target, y);
    if (source.bitsPerPixel == 32) {
      auto* o = reinterpret_cast<std::uint32_t*>(out);
      const auto* i = reinterpret_cast<const std::uint32_t*>(in);
      for (int x = 0; x < width; ++x) o[x] = i[columns[static_cast<std::size_t>(x)]];
    } else {
      for (int x = 0; x < width; ++x)
        std::memcpy(out + 3 * x,
                    in + 3 * static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]), 3);
    }
  }
  return target;
}

Bitmap* Resample_Smooth(const Bitmap& source, int width, int height) {
  const bool cubic = source.bitsPerPixel == 32;
  double (*kernel)(double) = cubic ? Mitchell : Linear;
  const double radius = cubic ? 2.0 : 1.0;
  const bool resizeX = width != source.width;
  const bool resizeY = height != source.height;
  try {
    if (!resizeX && !resizeY) {
      BitmapPtr copy(Bitmap_Create(width, height, source.bitsPerPixel));
      if (!copy) return nullptr;
      Bitmap_CopyRows(source, *copy);
      return copy.release();
    }
    if (!resizeY) {
      BitmapPtr target(Bitmap_Create(width, height, source.bitsPerPixel));
      if (!target) return nullptr;
      PassHorizontal(source, *target, MakeWeights(source.width, width, kernel, radius));
      return target.release();
    }
    if (!resizeX) {
      BitmapPtr target(Bitmap_Create(width, height, source.bitsPerPixel));
      if (!target) return nullptr;
      PassVertical(source, *target, MakeWeights(source.height, height, kernel, radius));
      return target.release();
    }
    // Vertical first when that intermediate (old width x new height) is the
    // smaller one.
    const bool verticalFirst = static_cast<std::int64_t>(height) * source.width <
                               static_cast<std::int64_t>(width) * source.height;
    const Weights wx = MakeWeights(source.width, width, kernel, radius);
    const Weights wy = MakeWeights(source.height, height, kernel, radius);
    BitmapPtr middle(verticalFirst ? Bitmap_Create(source.width, height, source.bitsPerPixel)
                                   : Bitmap_Create(width, source.height, source.bitsPerPixel));
    BitmapPtr target(Bitmap_Create(width, height, source.bitsPerPixel));
    if (!middle || !target) return nullptr;
    if (verticalFirst) {
      PassVertical(source, *middle, wy);
      PassHorizontal(*middle, *target, wx);
    } else {
      PassHorizontal(source, *middle, wx);
      PassVertical(*middle, *target, wy);
    }
    return target.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
