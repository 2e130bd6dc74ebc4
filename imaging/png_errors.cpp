#include "imaging/png_errors.h"

namespace {

[[noreturn]] void JumpBack(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }

void IgnoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

}  // namespace

png_structp Png_CreateQuietWriteStruct() {
  return png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning);
}
