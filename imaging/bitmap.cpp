#include "imaging/bitmap.h"

#include <sys/mman.h>

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

// Every live bitmap, so that handles coming from callers can be checked.
// Guarded by liveMutex; lookups happen once per drawing call, not per pixel.
std::mutex liveMutex;
std::unordered_set<const Bitmap*>& LiveBitmaps() {
  static auto* live = new std::unordered_set<const Bitmap*>();  // never destroyed: used at exit
  return *live;
}

// Large bitmaps (mosaics, their copies) are mapped with huge pages where the
// system offers them: filling and, above all, releasing a gigabyte of small
// pages costs more than resampling it down to a preview.
constexpr std::size_t kMapThreshold = std::size_t{8} << 20;

std::uint8_t* AllocatePixels(std::size_t bytes, std::size_t* mapped) {
  *mapped = 0;
  if (bytes >= kMapThreshold) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    *mapped = bytes;
    return static_cast<std::uint8_t*>(p);  // anonymous mappings start zeroed
  }
  // calloc: large zeroed bitmaps (transparent tiles) cost no fill.
  return static_cast<std::uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
}

// Unmapping costs kernel time in proportion to the size (about 1.5 ms per
// gigabyte even with huge pages). Mappings this large are handed to a helper
// thread, so that replacing a big bitmap (Img_Resize of a mosaic copy) costs
// what the new bitmap costs.
constexpr std::size_t kDeferredReleaseThreshold = std::size_t{64} << 20;

class MappingReleaser {
 public:
  // Null when the helper thread cannot be started (then the caller unmaps).
  static MappingReleaser* Get() {
    static MappingReleaser* releaser = Start();  // never destroyed: the thread outlives main
    return releaser;
  }

  void Release(void* p, std::size_t bytes) {
    {
      std::lock_guard lock(mutex_);
      pending_.emplace_back(p, bytes);
    }
    wake_.notify_one();
  }

 private:
  static MappingReleaser* Start() {
    auto* releaser = new (std::nothrow) MappingReleaser();
    if (!releaser) return nullptr;
    try {
      std::thread([releaser] { releaser->Run(); }).detach();
    } catch (...) {
      delete releaser;
      return nullptr;
    }
    return releaser;
  }

  [[noreturn]] void Run() {
    std::vector<std::pair<void*, std::size_t>> batch;
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !pending_.empty(); });
        batch.swap(pending_);
      }
      for (auto [p, bytes] : batch) munmap(p, bytes);
      batch.clear();
    }
  }

  std::mutex mutex_;  // guards pending_
  std::condition_variable wake_;
  std::vector<std::pair<void*, std::size_t>> pending_;
};

void FreePixels(std::uint8_t* bits, std::size_t mapped) {
  if (!mapped) {
    std::free(bits);
    return;
  }
  if (mapped >= kDeferredReleaseThreshold) {
    if (MappingReleaser* releaser = MappingReleaser::Get()) {
      try {
        releaser->Release(bits, mapped);
        return;
      } catch (...) {  // no memory for the queue entry: unmap here
      }
    }
  }
  munmap(bits, mapped);
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
  std::size_t mapped = 0;
  std::uint8_t* bits = AllocatePixels(stride * static_cast<std::size_t>(height), &mapped);
  if (!bits) return nullptr;
  auto* bitmap = new (std::nothrow)
      Bitmap{width, height, bitsPerPixel, static_cast<int>(stride), bits, mapped};
  if (!bitmap) {
    FreePixels(bits, mapped);
    return nullptr;
  }
  try {
    std::lock_guard lock(liveMutex);
    LiveBitmaps().insert(bitmap);
  } catch (...) {
    FreePixels(bits, mapped);
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}

Bitmap* Bitmap_CreateOver(std::uint8_t* bits, int width, int height, int bitsPerPixel, int stride) {
  if (!bits || width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32))
    return nullptr;
  if (stride <= 0 || static_cast<std::size_t>(stride) < Bitmap_Stride(bitsPerPixel, width))
    return nullptr;
  auto* bitmap = new (std::nothrow) Bitmap{width, height, bitsPerPixel, stride, bits, 0, true};
  if (!bitmap) return nullptr;
  try {
    std::lock_guard lock(liveMutex);
    LiveBitmaps().insert(bitmap);
  } catch (...) {
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}

void Bitmap_CopyRows(const Bitmap& from, Bitmap& to) {
  const std::size_t rowBytes = static_cast<std::size_t>(from.width) * (from.bitsPerPixel / 8);
  if (from.stride == to.stride) {
    std::memcpy(to.bits, from.bits, static_cast<std::size_t>(from.stride) * from.height);
    return;
  }
  for (int y = 0; y < from.height; ++y)
    std::memcpy(to.bits + static_cast<std::size_t>(y) * to.stride,
                from.bits + static_cast<std::size_t>(y) * from.stride, rowBytes);
}

void Bitmap_Delete(Bitmap* bitmap) {
  if (!bitmap) return;
  {
    std::lock_guard lock(liveMutex);
    LiveBitmaps().erase(bitmap);
  }
  if (!bitmap->borrowed) FreePixels(bitmap->bits, bitmap->mappedBytes);
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
