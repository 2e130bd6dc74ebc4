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

int WriteWorldFile(const std::u16string& path, std::int64_t easting, std::int64_t northing) {
  const std::u16string text = u"1\n0\n0\n-1\n" + Str_FromInteger(easting) + u"\n" +
                              Str_FromInteger(northing) + u"\n";
  const std::string bytes = Utf16ToUtf8(text);
  AtomicFile file(path.c_str());
  if (!file.stream()) return 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size()) return 0;
  return file.Commit() ? 1 : 0;
}
