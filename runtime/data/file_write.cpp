#include "runtime/data/file_record.h"
#include "runtime/data/text_codepage.h"
#include "runtime/data/utf.h"

std::int64_t File_WriteString(ObjectHandle number, const std::u16string& text,
                              std::int64_t format) {
  FileRecord* file = FindFile(number);
  if (!file || text.empty()) return 0;
  if (format == 0) format = file->textFormat;
  std::string bytes;
  if (format == kTextUtf8) {
    bytes = Utf16ToUtf8(text);
  } else if (format == kTextUtf16) {
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
      bytes.push_back(static_cast<char>(c & 0xFF));
      bytes.push_back(static_cast<char>(c >> 8));
    }
  } else {
    bytes = Utf16ToWindows1252(text);
  }
  return File_WriteData(number, bytes.data(), static_cast<std::int64_t>(bytes.size()));
}
