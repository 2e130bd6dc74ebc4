#include "runtime/data/fs.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

}  // namespace

std::u16string Fs_FilePart(const std::u16string& path, std::int64_t flags) {
  std::size_t start = !path.empty() && path[0] == u'"' ? 1 : 0;
  for (std::size_t i = path.size(); i > start; --i) {
    if (IsSeparator(path[i - 1])) {
      start = i;
      break;
    }
  }
  std::size_t end = path.find(u'"', start);
  if (end == std::u16string::npos) end = path.size();

  if (flags & kFilePartNoExtension) {
    // The first character is never examined, so ".profile" keeps its name.
    for (std::size_t i = end; i > start + 1; --i) {
      const char16_t c = path[i - 1];
      if (c == u' ') break;
      if (c == u'.') {
        if (i != end) end = i - 1;  // a trailing "." is kept
        break;
      }
    }
  }
  return path.substr(start, end - start);
}

std::u16string Fs_ExtensionPart(const std::u16string& path) {
  for (std::size_t i = path.size(); i > 1; --i) {
    const char16_t c = path[i - 1];
    if (c == u' ' || IsSeparator(c)) return {};
    if (c == u'.') {
      if (IsSeparator(path[i - 2])) return {};  // a name that begins with a dot
      std::size_t end = path.find(u'"', i);
      if (end == std::u16string::npos) end = path.size();
      return path.substr(i, end - i);
    }
  }
  return {};
}
