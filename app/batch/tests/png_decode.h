// Reads a PNG file with libpng, without transformations, so that the header
// fields are the file's own and the pixels are its stored samples.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct DecodedPng {
  bool ok = false;
  std::string error;
  std::uint32_t width = 0, height = 0;
  int bitDepth = 0, colorType = -1;
  int channels = 0;
  std::vector<std::uint8_t> samples;  // rows top-down, channels per pixel

  // The red, green and blue samples of a pixel as one value 0xRRGGBB.
  std::uint32_t Rgb(std::uint32_t x, std::uint32_t y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * channels;
    return (samples[at] << 16) | (samples[at + 1] << 8) | samples[at + 2];
  }
};

inline DecodedPng DecodePng(const std::string& path) {
  DecodedPng png;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    png.error = "cannot open " + path;
    return png;
  }
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = reader ? png_create_info_struct(reader) : nullptr;
  if (!info) {
    png_destroy_read_struct(&reader, nullptr, nullptr);
    std::fclose(file);
    png.error = "libpng setup failed";
    return png;
  }
  // Declared before setjmp so that a long jump skips no destructor.
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(reader))) {
    png_destroy_read_struct(&reader, &info, nullptr);
    std::fclose(file);
    DecodedPng failed;
    failed.error = "not a readable PNG: " + path;
    return failed;
  }
  png_init_io(reader, file);
  png_read_info(reader, info);
  png.width = png_get_image_width(reader, info);
  png.height = png_get_image_height(reader, info);
  png.bitDepth = png_get_bit_depth(reader, info);
  png.colorType = png_get_color_type(reader, info);
  png.channels = png_get_channels(reader, info);
  const std::size_t rowBytes = png_get_rowbytes(reader, info);
  if (png.bitDepth == 8 && png.channels >= 3) {
    png.samples.resize(rowBytes * png.height);
    rows.resize(png.height);
    for (std::uint32_t y = 0; y < png.height; ++y) rows[y] = png.samples.data() + y * rowBytes;
    png_read_image(reader, rows.data());
    png_read_end(reader, nullptr);
    png.ok = true;
  } else {
    png.error = "unexpected format";
  }
  png_destroy_read_struct(&reader, &info, nullptr);
  std::fclose(file);
  return png;
}
