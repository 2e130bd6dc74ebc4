// Writing a PNG whose rows are made on demand, so that a large picture is
// never copied whole (the mosaic export).
#pragma once

#include <cstdint>

// Fills `out` with picture row y (0 = top): width times red, green, blue.
// Called from several threads at once when the writer uses more than one.
using PngRowSource = void (*)(void* context, int y, std::uint8_t* out);

// Writes an 8-bit RGB PNG with filter None and deflate level 9. With
// `threads` above 1 the image data is cut into blocks of rows that that many
// threads deflate independently (each primed with the 32 KiB before it) and
// that are joined into one zlib stream; otherwise libpng deflates the rows
// one by one. The file at `path` (UTF-16) is replaced only by a complete PNG.
// 1 on success, 0 on failure (an earlier file is left untouched).
int Img_WritePngRows(const char16_t* path, int width, int height, PngRowSource source,
                     void* context, int threads);
