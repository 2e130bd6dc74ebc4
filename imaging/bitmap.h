// Device-independent bitmaps: the native pixel store behind images and
// canvases. An image's native handle is the address of its Bitmap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/data/handle.h"

// Uncompressed pixels, rows bottom-up: memory row 0 is the bottom row of the
// picture. 32-bit pixels are blue, green, red, alpha (straight alpha); 24-bit
// pixels are blue, green, red. Rows are `stride` bytes apart, padding zeroed.
struct Bitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // 24 or 32
  int stride = 0;
  std::uint8_t* bits = nullptr;  // memory row 0; owned
  std::size_t mappedBytes = 0;   // nonzero when `bits` is a memory mapping of this size
  bool borrowed = false;         // `bits` belongs to someone else (Bitmap_CreateOver)
};

// Row stride in bytes for a depth, as a DIB lays it out (rows padded to four
// bytes); 0 for a depth that has no stride or a width that does not fit.
std::size_t Bitmap_Stride(int bitsPerPixel, int width);

// A new bitmap of 24 or 32 bits per pixel with every byte 0; null when the
// size is not positive, the depth is neither 24 nor 32, or memory runs out.
Bitmap* Bitmap_Create(int width, int height, int bitsPerPixel);

// A bitmap over pixel memory the caller owns and keeps alive (and in place)
// until the bitmap is deleted, which leaves the memory alone. `stride` may
// exceed the row's bytes: the bitmap can be a window into a larger store.
// Null for a bad size, depth or stride, or when memory runs out.
Bitmap* Bitmap_CreateOver(std::uint8_t* bits, int width, int height, int bitsPerPixel, int stride);

// Copies the pixels of `from` into `to`, row by row (the strides may
// differ); both have the same size and depth. Padding of `to` is left alone.
void Bitmap_CopyRows(const Bitmap& from, Bitmap& to);

// Frees the pixels and forgets the handle. Null is ignored.
void Bitmap_Delete(Bitmap* bitmap);

// The native handle of a bitmap, and back. Bitmap_FromHandle accepts only
// handles of live bitmaps, so a stale or made-up handle yields null.
ObjectHandle Bitmap_Handle(const Bitmap* bitmap);
Bitmap* Bitmap_FromHandle(ObjectHandle handle);

// Address of picture row y (0 = top row).
inline std::uint8_t* Bitmap_PictureRow(const Bitmap& bitmap, int y) {
  return bitmap.bits + static_cast<std::size_t>(bitmap.height - 1 - y) * bitmap.stride;
}
