// The BMP encoder and decoder records (registered by Img_Init).
#pragma once

#include <cstdint>

#include "imaging/image_codec.h"

// Registers the BMP encoder and decoder; later calls do nothing.
void Img_UseBmpCodec();

// Writes an uncompressed bottom-up BMP file of 24 bits per pixel (source
// 24-bit) or 32 bits per pixel (source 32-bit, alpha kept) through a
// temporary file, so a failed write leaves no file and an existing one intact.
// `depth` is ignored: BMP output keeps the source's depth.
int Img_WriteBmp24(const char16_t* path, const std::uint8_t* rows, int width, int height,
                   int stride, unsigned orientation, unsigned saveFlags, int depth);
int Img_WriteBmp32(const char16_t* path, const std::uint8_t* rows, int width, int height,
                   int stride, unsigned orientation, unsigned saveFlags, int depth);
