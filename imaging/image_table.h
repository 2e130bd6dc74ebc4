// The image library's object table (internal to the image files).
#pragma once

#include <cstdint>

#include "imaging/bitmap.h"
#include "runtime/data/object_table.h"

struct ImageRecord {
  Bitmap* handle = nullptr;  // owned; null = slot free
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::uint8_t depth = 0;        // 24 or 32
  std::uint8_t sourceDepth = 0;  // default depth for Img_Save
  std::uint32_t extra = 0;
  std::int32_t frameCount = 0;
};

ObjectTable<ImageRecord>& ImageTable();
