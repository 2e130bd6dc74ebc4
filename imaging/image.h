// Image objects: numbered in-memory raster images of 24 or 32 bits per pixel
// (imaging/bitmap.h gives the pixel layout). Sizes are at most 32767 pixels in
// each direction. Unknown numbers give 0 and change nothing.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/drawing_context.h"
#include "imaging/image_codec.h"
#include "runtime/data/handle.h"

inline constexpr int kMaxImageSide = 32767;

// Start-up: registers the BMP encoder and decoder (once). End: frees every image.
void Img_Init();
void Img_End();

// A new image, every pixel the background colour (red in the low byte). For
// 32-bit images a background of -1 is transparent black and any other
// background is made opaque. Depths below 24 become 24; other depths than 24
// and 32 are refused. Returns the dynamic number for KX_Any, otherwise the
// bitmap handle; 0 on failure (the number is then released).
ObjectHandle Img_Create(ObjectHandle number, std::int64_t width, std::int64_t height, int depth,
                        std::int64_t background);

// An image over pixel memory the caller owns (Bitmap_CreateOver): `bits` is
// memory row 0 of bottom-up rows `stride` bytes apart, which may be a window
// into a larger store. The memory must stay in place until the image is
// freed; freeing leaves it alone. Result as for Img_Create.
ObjectHandle Img_CreateOver(ObjectHandle number, std::uint8_t* bits, std::int64_t width,
                            std::int64_t height, int depth, int stride);

// Frees one image, or every image with KX_Any.
void Img_Free(ObjectHandle number);

int Img_IsImage(ObjectHandle number);
int Img_Width(ObjectHandle number);
int Img_Height(ObjectHandle number);
// The bitmap handle (Bitmap_FromHandle turns it back into the Bitmap).
ObjectHandle Img_Handle(ObjectHandle number);

// Makes a drawing output over the image current on this thread; null when the
// number names no image.
DrawingContext* Img_Output(ObjectHandle number);

// A copy with all bytes of every pixel. Result as for Img_Create.
ObjectHandle Img_Copy(ObjectHandle source, ObjectHandle number);

// Resamples to a new size (KX_Unchanged keeps a side). Mode 0 is smooth
// (cubic for 32-bit images, linear for 24-bit), any other mode nearest-pixel.
// Returns the new bitmap handle, the current one when nothing changes, 0 on
// failure (the image is then left as it was).
ObjectHandle Img_Resize(ObjectHandle number, std::int64_t width, std::int64_t height, int mode);

inline constexpr unsigned kDefaultSaveFlags = 7;

// Writes the image with a registered encoder. A depth of -1 means the
// image's source depth. 32-bit images go to a 24-bit writer composited over
// white. Nonzero on success.
int Img_Save(ObjectHandle number, const std::u16string& path, std::uint32_t encoder = EncoderBmp,
             unsigned saveFlags = kDefaultSaveFlags, int depth = -1);
