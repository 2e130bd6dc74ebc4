// Memory blocks through zlib (zip plugin slots 13 and 14).
#include <zlib.h>

#include <limits>

#include "runtime/data/pack_zip.h"

namespace {

bool Fits(std::int64_t size) {
  return size >= 0 && static_cast<std::uint64_t>(size) <= std::numeric_limits<uLong>::max();
}

}  // namespace

std::int64_t ZlibCompress(const void* in, std::int64_t inSize, void* out, std::int64_t outSize,
                          int level) {
  if (!in || !out || !Fits(inSize) || !Fits(outSize)) return 0;
  uLongf length = static_cast<uLongf>(outSize);
  if (compress2(static_cast<Bytef*>(out), &length, static_cast<const Bytef*>(in),
                static_cast<uLong>(inSize), level) != Z_OK)
    return 0;
  return static_cast<std::int64_t>(length);
}

std::int64_t ZlibUncompress(const void* in, std::int64_t inSize, void* out, std::int64_t outSize) {
  if (!in || !out || !Fits(inSize) || !Fits(outSize)) return -1;
  uLongf length = static_cast<uLongf>(outSize);
  if (uncompress(static_cast<Bytef*>(out), &length, static_cast<const Bytef*>(in),
                 static_cast<uLong>(inSize)) != Z_OK)
    return -1;
  return static_cast<std::int64_t>(length);
}
