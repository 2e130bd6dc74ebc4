// Reading back what the PNG writer produced, with libpng and zlib directly,
// so the tests check the file itself rather than the writer's own view.
#pragma once

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct DecodedPng {
  bool ok = false;
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  std::vector<png_color> palette;
  // One vector per picture row, top first. Palette images: one index per
  // pixel (unpacked). Truecolour: the channel bytes as stored (RGB / RGBA).
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::string> chunks;    // chunk types in file order
  std::vector<std::uint8_t> idat;     // the zlib stream
  std::vector<std::uint8_t> filters;  // filter type byte of every row
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

namespace png_test_detail {

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t offset;
};

inline void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
  if (reader->offset + length > reader->bytes->size()) png_error(png, "read past end");
  std::copy_n(reader->bytes->data() + reader->offset, length, out);
  reader->offset += length;
}

// libpng part kept free of C++ objects with destructors (long jump).
inline bool ReadRaw(Reader* reader, DecodedPng* out, std::vector<std::uint8_t>* raw,
                    std::size_t* rowBytes) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, reader, ReadFromMemory);
  png_read_info(png, info);
  png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colourType,
               &out->interlace, nullptr, nullptr);
  png_colorp palette = nullptr;
  int entries = 0;
  if (png_get_PLTE(png, info, &palette, &entries) & PNG_INFO_PLTE)
    out->palette.assign(palette, palette + entries);
  *rowBytes = png_get_rowbytes(png, info);
  raw->resize(*rowBytes * out->height);
  for (png_uint_32 y = 0; y < out->height; ++y)
    png_read_row(png, raw->data() + y * *rowBytes, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace png_test_detail

inline DecodedPng DecodePng(const std::vector<std::uint8_t>& bytes) {
  using namespace png_test_detail;
  DecodedPng out;
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return out;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::uint8_t* p = &bytes[at];
    const std::size_t length = std::size_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    if (at + 12 + length > bytes.size()) return out;
    out.chunks.emplace_back(reinterpret_cast<const char*>(p + 4), 4);
    if (out.chunks.back() == "IDAT") out.idat.insert(out.idat.end(), p + 8, p + 8 + length);
    at += 12 + length;
  }
  Reader reader{&bytes, 0};
  std::vector<std::uint8_t> raw;
  std::size_t rowBytes = 0;
  if (!ReadRaw(&reader, &out, &raw, &rowBytes)) return out;
  for (png_uint_32 y = 0; y < out.height; ++y) {
    const std::uint8_t* row = raw.data() + y * rowBytes;
    std::vector<std::uint8_t> pixels(row, row + rowBytes);
    if (out.colourType == PNG_COLOR_TYPE_PALETTE) {
      pixels.clear();
      for (std::size_t bit = 0; bit < std::size_t(out.width) * out.bitDepth; bit += out.bitDepth)
        pixels.push_back((row[bit / 8] >> (8 - out.bitDepth - bit % 8)) &
                         ((1 << out.bitDepth) - 1));
    }
    out.rows.push_back(std::move(pixels));
  }
  // The filter byte of each row, from the inflated stream.
  std::vector<std::uint8_t> inflated((rowBytes + 1) * out.height);
  uLongf size = inflated.size();
  if (uncompress(inflated.data(), &size, out.idat.data(), out.idat.size()) != Z_OK) return out;
  for (png_uint_32 y = 0; y < out.height; ++y) out.filters.push_back(inflated[y * (rowBytes + 1)]);
  out.ok = true;
  return out;
}
