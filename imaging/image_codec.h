// Image encoder registry: how Img_Save finds the writer for a file format.
#pragma once

#include <cstdint>

// Three ASCII letters packed low byte first.
inline constexpr std::uint32_t EncoderPng = 0x474E50;  // "PNG"
inline constexpr std::uint32_t EncoderBmp = 0x504D42;  // "BMP"

// Orientation flag: memory row 0 is the bottom row of the picture.
inline constexpr unsigned kRowsBottomUp = 0x2;

// Writes one image file. `rows` points at memory row 0, rows are `stride`
// bytes apart, pixels are blue, green, red (, alpha). `depth` is the bit depth
// asked for in the file. Returns nonzero on success and must leave no file
// behind on failure.
using ImageWriter = int (*)(const char16_t* path, const std::uint8_t* rows, int width, int height,
                            int stride, unsigned orientation, unsigned saveFlags, int depth);

struct ImageEncoder {
  std::uint32_t id;
  ImageWriter write24;  // source has 24 bits per pixel
  ImageWriter write32;  // source has 32 bits per pixel; may be null
};

inline constexpr int kMaxImageCodecs = 30;

// Appends to the registry (no lock: registration happens on the thread that
// saves, before it saves). False when the registry is full. The record must
// outlive the process's use of it.
bool Img_RegisterEncoder(const ImageEncoder* encoder);

// First registered encoder with this id, or null.
const ImageEncoder* Img_FindEncoder(std::uint32_t id);
