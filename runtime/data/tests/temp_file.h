// Scratch files for the file tests, removed when the test ends.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

class TempFile {
 public:
  explicit TempFile(const std::string& bytes = {}) {
    static std::atomic<int> serial{0};
    path_ = Utf16ToUtf8(Fs_TempDirectory()) + "relivox-test-" + std::to_string(::getpid()) + "-" +
            std::to_string(serial++);
    Write(bytes);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Write(const std::string& bytes) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  const std::string& native() const { return path_; }
  std::u16string path() const { return Utf8ToUtf16(path_); }

 private:
  std::string path_;
};
