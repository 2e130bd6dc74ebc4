#include "runtime/system/console.h"

#include <cstdio>
#include <mutex>

#include "runtime/data/utf.h"

void Con_PrintLine(const std::u16string& text) {
  static std::mutex lock;  // one line at a time, whole
  std::string line = Utf16ToUtf8(text);
  line.push_back('\n');
  std::lock_guard guard(lock);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}
