// Image encoder registry: how Img_Save finds the writer for a file format.
#pragma once

#include <cstddef>
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

// Appends to the registry. False when the registry is full or the record is
// null. The record must outlive the process's use of it.
bool Img_RegisterEncoder(const ImageEncoder* encoder);

// First registered encoder with this id, or null.
const ImageEncoder* Img_FindEncoder(std::uint32_t id);

// Image decoder registry, the same kind of table. Nothing in this system loads
// image files; the records exist so that a format is known by its id.
struct ImageDecoder {
  std::uint32_t id;
  // Nonzero when the bytes start like a file of this format.
  int (*check)(const std::uint8_t* data, std::size_t size);
  void* (*decode)(const std::uint8_t* data, std::size_t size);  // may be null
  void (*release)(void* decoded);                               // may be null
};

bool Img_RegisterDecoder(const ImageDecoder* decoder);
const ImageDecoder* Img_FindDecoder(std::uint32_t id);
