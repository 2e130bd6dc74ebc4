// PNG writer over libpng and its registration as the image encoder
// `EncoderPng` (see imaging/image_codec.h for how Img_Save calls writers).
#pragma once

#include <cstddef>
#include <cstdint>

// PNG colour types the writer produces from truecolour sources.
inline constexpr int kPngColourRgb = 2;   // from 24-bit rows
inline constexpr int kPngColourRgba = 6;  // from 32-bit rows

// Save flag: dither indexed output (depths 2 to 8).
inline constexpr unsigned kSaveDither = 0x100;

// Writes `height` rows of blue, green, red (, alpha) pixels as a PNG.
// `rows` points at memory row 0, rows are `stride` bytes apart; with
// kRowsBottomUp in `orientation` memory row 0 is the bottom of the picture.
// `depth` 1 to 8 asks for a palette image of that depth (libpng takes 1, 2,
// 4 and 8), anything else for truecolour of `colourType` (2 or 6; the source
// has 24 bits per pixel for 2 and 32 for 6).
//
// With a path (UTF-16): the file is replaced only by a complete PNG; returns
// 1 on success and 0 on failure, leaving any earlier file untouched.
// With a null path: returns the address of a new std::malloc block holding
// the whole PNG (free it with std::free) and stores its length in
// `memoryLength` when that is given; 0 on failure.
std::intptr_t Img_WritePng(const char16_t* path, const std::uint8_t* rows, int width, int height,
                           int stride, unsigned orientation, unsigned saveFlags, int depth,
                           int colourType, std::size_t* memoryLength = nullptr);

// Registers the PNG encoder with the image library; later calls do nothing.
void Img_UsePngEncoder();
