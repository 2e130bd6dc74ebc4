// Resampling a bitmap to a new size (Img_Resize, Draw_Image at a size).
#pragma once

#include "imaging/bitmap.h"

// Nearest pixel, whole pixels copied (alpha included). Cost grows with the
// output size only. Null when the new bitmap cannot be made.
Bitmap* Resample_Nearest(const Bitmap& source, int width, int height);

// Interpolating, separable two passes over every channel: the Mitchell-
// Netravali cubic (B = C = 1/3) for 32-bit bitmaps, a linear kernel for
// 24-bit ones; both widened when shrinking. The intermediate image is the
// smaller of the two pass orders. Null when memory runs out.
Bitmap* Resample_Smooth(const Bitmap& source, int width, int height);
