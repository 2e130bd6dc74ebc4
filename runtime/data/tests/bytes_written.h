// What this process has written so far, for tests that a large entry or file
// was not written out.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// Bytes this process has handed to write(2) so far, or -1 when unknown.
inline std::int64_t BytesWritten() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::int64_t value = -1;
  while (io >> key >> value)
    if (key == "wchar:") return value;
  return -1;
}
