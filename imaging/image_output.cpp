#include <mutex>

#include "imaging/drawing_context.h"
#include "imaging/image.h"
#include "imaging/image_table.h"

DrawingContext* Img_Output(ObjectHandle number) {
  DrawTarget target;
  unsigned flags = 0;
  {
    auto& table = ImageTable();
    std::lock_guard lock(table.Mutex());
    const ImageRecord* record = table.Find(number);
    if (!record || !record->handle->bits) return nullptr;
    const Bitmap& bitmap = *record->handle;
    target = {bitmap.bits, bitmap.stride, bitmap.width, bitmap.height, bitmap.bitsPerPixel};
    flags = record->depth == 32 ? kImageOutput32 : kImageOutput24;
  }
  // Pixels are written straight into memory: an image output needs no finish step.
  return Draw_MakeOutput(flags, target, nullptr, number);
}
