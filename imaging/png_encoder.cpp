#include "imaging/png_encoder.h"

#include <mutex>

#include "imaging/image_codec.h"

namespace {

// Img_Save always passes a path; a null one would ask for the in-memory
// form, whose block nobody here would free.
int WriteRgb(const char16_t* path, const std::uint8_t* rows, int width, int height, int stride,
             unsigned orientation, unsigned saveFlags, int depth) {
  if (!path) return 0;
  return Img_WritePng(path, rows, width, height, stride, orientation, saveFlags, depth,
                      kPngColourRgb) != 0;
}

int WriteRgba(const char16_t* path, const std::uint8_t* rows, int width, int height, int stride,
              unsigned orientation, unsigned saveFlags, int depth) {
  if (!path) return 0;
  return Img_WritePng(path, rows, width, height, stride, orientation, saveFlags, depth,
                      kPngColourRgba) != 0;
}

const ImageEncoder kPngEncoder{EncoderPng, WriteRgb, WriteRgba};

std::mutex registrationLock;

}  // namespace

void Img_UsePngEncoder() {
  std::lock_guard lock(registrationLock);
  // Asking the registry rather than keeping a flag of our own: after the
  // image library is shut down and started again the encoder is needed anew.
  if (Img_FindEncoder(EncoderPng)) return;
  Img_RegisterEncoder(&kPngEncoder);
}
