#include "imaging/image_table.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "imaging/bmp_codec.h"
#include "imaging/image.h"

ObjectTable<ImageRecord>& ImageTable() {
  // Never destroyed: images may still be freed by other statics at exit.
  static auto* table = new ObjectTable<ImageRecord>(16, 16, Img_Free);
  return *table;
}

namespace {

// A 32-bit colour value (red low) as the pixel word of a 32-bit bitmap
// (blue low): red and blue change places.
std::uint32_t PixelWord(std::uint32_t colour) {
  return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

void Fill(Bitmap& bitmap, std::uint32_t colour) {
  if (bitmap.bitsPerPixel == 32) {
    const std::uint32_t word = PixelWord(colour);
    if (word == 0) return;  // fresh bitmaps are zeroed
    for (int row = 0; row < bitmap.height; ++row) {
      auto* p = reinterpret_cast<std::uint32_t*>(bitmap.bits +
                                                 static_cast<std::size_t>(row) * bitmap.stride);
      std::fill(p, p + bitmap.width, word);
    }
    return;
  }
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(colour >> 16),
                               static_cast<std::uint8_t>(colour >> 8),
                               static_cast<std::uint8_t>(colour)};
  if (bgr[0] == 0 && bgr[1] == 0 && bgr[2] == 0) return;
  // Fill the first row, then copy it; the padding bytes stay 0.
  std::uint8_t* first = bitmap.bits;
  for (int x = 0; x < bitmap.width; ++x) std::memcpy(first + 3 * x, bgr, 3);
  for (int row = 1; row < bitmap.height; ++row)
    std::memcpy(bitmap.bits + static_cast<std::size_t>(row) * bitmap.stride, first,
                3 * static_cast<std::size_t>(bitmap.width));
}

bool SizeFits(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

// Takes the number for a new image made of `bitmap` (caller holds the table
// lock). A failed create still frees what held a fixed number, then releases
// it; the bitmap is deleted on failure.
ImageRecord* Adopt(ObjectTable<ImageRecord>& table, ObjectHandle number, Bitmap* bitmap,
                   ObjectHandle* assigned) {
  ImageRecord* record = table.Allocate(number, assigned);
  if (!record || !bitmap) {
    if (record) table.Release(*assigned);
    Bitmap_Delete(bitmap);
    return nullptr;
  }
  record->handle = bitmap;
  return record;
}

// Files a new bitmap (null: a failed one) under `number` as one frame of
// `depth` bits. Result as for Img_Create.
ObjectHandle Register(ObjectHandle number, Bitmap* bitmap, std::int64_t width,
                      std::int64_t height, int depth) {
  auto& table = ImageTable();
  std::lock_guard lock(table.Mutex());
  ObjectHandle assigned = 0;
  ImageRecord* record = Adopt(table, number, bitmap, &assigned);
  if (!record) return 0;
  record->width = static_cast<std::int16_t>(width);
  record->height = static_cast<std::int16_t>(height);
  record->depth = static_cast<std::uint8_t>(depth);
  record->sourceDepth = record->depth;
  record->frameCount = 1;
  return ObjectTable<ImageRecord>::CreateResult(number, assigned, Bitmap_Handle(bitmap));
}

}  // namespace

void Img_Init() {
  static std::once_flag once;
  std::call_once(once, [] { Img_UseBmpCodec(); });
}

void Img_End() { ImageTable().FreeAll(); }

ObjectHandle Img_Create(ObjectHandle number, std::int64_t width, std::int64_t height, int depth,
                        std::int64_t background) {
  if (depth < 24) depth = 24;
  if (depth != 24 && depth != 32) return 0;
  if (!SizeFits(width, height)) return 0;
  auto colour = static_cast<std::uint32_t>(background);
  if (depth == 32) colour = background == -1 ? 0 : colour | 0xFF000000u;

  // The pixels are made before the table lock is taken: filling a large
  // image must not hold up other threads' image calls.
  Bitmap* bitmap = Bitmap_Create(static_cast<int>(width), static_cast<int>(height), depth);
  if (bitmap) Fill(*bitmap, colour);

  return Register(number, bitmap, width, height, depth);
}

ObjectHandle Img_CreateOver(ObjectHandle number, std::uint8_t* bits, std::int64_t width,
                            std::int64_t height, int depth, int stride) {
  if (!SizeFits(width, height)) return 0;
  Bitmap* bitmap =
      Bitmap_CreateOver(bits, static_cast<int>(width), static_cast<int>(height), depth, stride);
  return Register(number, bitmap, width, height, depth);
}

void Img_Free(ObjectHandle number) {
  auto& table = ImageTable();
  if (number == KX_Any) {
    table.FreeAll();
    return;
  }
  std::lock_guard lock(table.Mutex());
  ImageRecord* record = table.Find(number);
  if (!record) return;
  Bitmap_Delete(record->handle);
  table.Release(number);
}

int Img_IsImage(ObjectHandle number) { return ImageTable().IsObject(number) ? 1 : 0; }

int Img_Width(ObjectHandle number) {
  auto& table = ImageTable();
  std::lock_guard lock(table.Mutex());
  const ImageRecord* record = table.Find(number);
  return record ? record->width : 0;
}

int Img_Height(ObjectHandle number) {
  auto& table = ImageTable();
  std::lock_guard lock(table.Mutex());
  const ImageRecord* record = table.Find(number);
  return record ? record->height : 0;
}

ObjectHandle Img_Handle(ObjectHandle number) {
  auto& table = ImageTable();
  std::lock_guard lock(table.Mutex());
  const ImageRecord* record = table.Find(number);
  return record ? Bitmap_Handle(record->handle) : 0;
}

ObjectHandle Img_Copy(ObjectHandle source, ObjectHandle number) {
  auto& table = ImageTable();
  ImageRecord fields;
  {
    std::lock_guard lock(table.Mutex());
    const ImageRecord* from = table.Find(source);
    if (!from) return 0;
    fields = *from;
  }
  // Copying an image onto its own number would free the source first.
  if (number == source) return 0;
  // Copy without the table lock (the caller keeps the source alive meanwhile).
  const Bitmap& from = *fields.handle;
  Bitmap* bitmap = Bitmap_Create(from.width, from.height, std::max(from.bitsPerPixel, 24));
  if (bitmap) Bitmap_CopyRows(from, *bitmap);

  std::lock_guard lock(table.Mutex());
  ObjectHandle assigned = 0;
  ImageRecord* record = Adopt(table, number, bitmap, &assigned);
  if (!record) return 0;
  record->width = fields.width;
  record->height = fields.height;
  record->depth = fields.depth;
  record->sourceDepth = fields.sourceDepth;
  record->extra = fields.extra;
  record->frameCount = 0;
  return ObjectTable<ImageRecord>::CreateResult(number, assigned, Bitmap_Handle(bitmap));
}
