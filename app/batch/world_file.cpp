#include "app/batch/world_file.h"

#include <cstdio>

#include "runtime/data/atomic_file.h"
#include "runtime/data/fs.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"

std::u16string WorldFilePath(const std::u16string& imagePath) {
  const std::u16string extension = Fs_ExtensionPart(imagePath);
  if (extension.empty()) return imagePath + u".pgw";
  return imagePath.substr(0, imagePath.size() - extension.size()) + u"pgw";
}

namespace {

// A whole unit plus a placement fraction, in at most six decimals.
std::u16string CoordinateText(std::int64_t whole, double fraction) {
  if (fraction == 0) return Str_FromInteger(whole);
  char text[64];
  std::snprintf(text, sizeof text, "%.6Lf", static_cast<long double>(whole) + fraction);
  std::string digits = text;
  while (digits.back() == '0') digits.pop_back();
  if (digits.back() == '.') digits.pop_back();
  return Utf8ToUtf16(digits);
}

// A figure of a grid of cells: fifteen significant digits, which keep a
// coordinate to the nanometre and drop the binary fraction's noise.
std::u16string CellText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return Utf8ToUtf16(text);
}

}  // namespace

std::u16string RasterWorldFilePath(const std::u16string& rasterPath) {
  const std::u16string extension = Fs_ExtensionPart(rasterPath);
  if (extension.empty()) return rasterPath + u".wld";
  return rasterPath.substr(0, rasterPath.size() - extension.size()) + extension.front() +
         extension.back() + u"w";
}

int WriteWorldFile(const std::u16string& path, std::int64_t easting, std::int64_t northing,
                   double eastFraction, double northFraction, double cell) {
  const std::u16string text =
      cell == 1 ? u"1\n0\n0\n-1\n" + CoordinateText(easting, eastFraction) + u"\n" +
                      CoordinateText(northing, northFraction) + u"\n"
                : CellText(cell) + u"\n0\n0\n" + CellText(-cell) + u"\n" +
                      CellText((static_cast<double>(easting) + eastFraction) * cell) + u"\n" +
                      CellText((static_cast<double>(northing) + northFraction) * cell) + u"\n";
  const std::string bytes = Utf16ToUtf8(text);
  AtomicFile file(path.c_str());
  if (!file.stream()) return 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size()) return 0;
  return file.Commit() ? 1 : 0;
}
