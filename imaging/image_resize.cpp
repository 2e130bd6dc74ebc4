#include <cstdint>
#include <mutex>

#include "imaging/image.h"
#include "imaging/image_table.h"
#include "imaging/resample.h"

ObjectHandle Img_Resize(ObjectHandle number, std::int64_t width, std::int64_t height, int mode) {
  auto& table = ImageTable();
  Bitmap* old = nullptr;
  {
    std::lock_guard lock(table.Mutex());
    const ImageRecord* record = table.Find(number);
    if (!record) return 0;
    old = record->handle;
  }
  if (width == KX_Unchanged) width = old->width;
  if (height == KX_Unchanged) height = old->height;
  if (width == old->width && height == old->height) return Bitmap_Handle(old);
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return 0;

  // Resample without the table lock: other threads keep using other images.
  Bitmap* resized = mode ? Resample_Nearest(*old, static_cast<int>(width), static_cast<int>(height))
                         : Resample_Smooth(*old, static_cast<int>(width), static_cast<int>(height));
  if (!resized) return 0;  // the image stays as it was

  std::lock_guard lock(table.Mutex());
  ImageRecord* record = table.Find(number);
  if (!record || record->handle != old) {  // freed or replaced meanwhile
    Bitmap_Delete(resized);
    return 0;
  }
  record->handle = resized;
  record->width = static_cast<std::int16_t>(width);
  record->height = static_cast<std::int16_t>(height);
  Bitmap_Delete(old);
  return Bitmap_Handle(resized);
}
