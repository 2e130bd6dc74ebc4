#include "runtime/data/text_codepage.h"

namespace {

constexpr char16_t k80To9F[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char16_t Windows1252ToUtf16(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? k80To9F[byte - 0x80] : static_cast<char16_t>(byte);
}

std::string Utf16ToWindows1252(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    char byte = '?';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      byte = static_cast<char>(c);
    } else {
      for (int i = 0; i < 32; ++i) {
        if (k80To9F[i] == c) {
          byte = static_cast<char>(0x80 + i);
          break;
        }
      }
    }
    out.push_back(byte);
  }
  return out;
}
