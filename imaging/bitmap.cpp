#include "imaging/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

// Every live bitmap, so that handles coming from callers can be checked.
// Guarded by liveMutex; lookups happen once per drawing call, not per pixel.
std::mutex liveMutex;
std::unordered_set<const Bitmap*>& LiveBitmaps() {
  static auto* live = new std::unordered_set<const Bitmap*>();  // never destroyed: used at exit
  return *live;
}

}  // namespace

std::size_t Bitmap_Stride(int bitsPerPixel, int width) {
  if (width <= 0) return 0;
  const auto w = static_cast<std::size_t>(width);
  switch (bitsPerPixel) {
    case 32:
      return 4 * w;
    case 24:
      return ((w + 1) * 3 / 4) * 4;
    case 15:
    case 16:
      return ((w + 1) / 2) * 4;
    case 8:
      return ((w + 3) / 4) * 4;
    case 4:
      return ((w + 7) / 8) * 4;
    case 1:
      return ((w + 31) / 32) * 4;
    default:
      return 0;
  }
}

Bitmap* Bitmap_Create(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return nullptr;
  const std::size_t stride = Bitmap_Stride(bitsPerPixel, width);
  if (stride > static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
  if (stride > std::numeric_limits<std::size_t>::max() / static_cast<std::size_t>(height))
    return nullptr;
  // calloc: large zeroed bitmaps (transparent tiles and mosaics) cost no fill.
  auto* bits = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(height), stride));
  if (!bits) return nullptr;
  auto* bitmap =
      new (std::nothrow) Bitmap{width, height, bitsPerPixel, static_cast<int>(stride), bits};
  if (!bitmap) {
    std::free(bits);
    return nullptr;
  }
  try {
    std::lock_guard lock(liveMutex);
    LiveBitmaps().insert(bitmap);
  } catch (...) {
    std::free(bits);
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}

void Bitmap_Delete(Bitmap* bitmap) {
  if (!bitmap) return;
  {
    std::lock_guard lock(liveMutex);
    LiveBitmaps().erase(bitmap);
  }
  std::free(bitmap->bits);
  delete bitmap;
}

ObjectHandle Bitmap_Handle(const Bitmap* bitmap) {
  return static_cast<ObjectHandle>(reinterpret_cast<std::uintptr_t>(bitmap));
}

Bitmap* Bitmap_FromHandle(ObjectHandle handle) {
  if (handle == 0) return nullptr;
  auto* candidate = reinterpret_cast<Bitmap*>(static_cast<std::uintptr_t>(handle));
  std::lock_guard lock(liveMutex);
  return LiveBitmaps().count(candidate) ? candidate : nullptr;
}
