#include "runtime/data/str.h"

std::u16string Str_Field(const std::u16string& text, std::int32_t index,
                         const std::u16string& separator) {
  if (index < 1) return {};
  const std::size_t n = text.size();
  std::size_t start = 0;

  if (separator.size() < 2) {
    // The empty separator never matches: only the end of the text ends a field.
    const bool none = separator.empty();
    const char16_t sep = none ? 0 : separator[0];
    for (std::size_t i = 0;; ++i) {
      if (i == n || (!none && text[i] == sep)) {
        if (--index == 0) return text.substr(start, i - start);
        if (i == n) return {};
        start = i + 1;
      }
    }
  }

  const std::size_t m = separator.size();
  for (std::size_t i = 0;;) {
    const bool atEnd = i == n;
    if (atEnd || text.compare(i, m, separator) == 0) {
      if (--index == 0) return text.substr(start, i - start);
      if (atEnd) return {};
      i += m;  // matches never overlap
      start = i;
    } else {
      ++i;
    }
  }
}
