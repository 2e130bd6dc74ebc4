// A generated XYZ tile for the benchmarks: 30 MB of "x,y,z" lines shaped like
// "356000.00,5645000.00,123.45", written once per run into TMPDIR.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline std::string XyzLine(long i) {
  char line[64];
  std::snprintf(line, sizeof line, "%ld.00,%ld.00,%ld.%02ld\n", 356000 + i % 1000,
                5645000 + i / 1000, 100 + i % 57, i % 100);
  return line;
}

class XyzSample {
 public:
  explicit XyzSample(long bytes = 30L << 20) {
    const char* tmp = std::getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/relivox-bench-" +
            std::to_string(::getpid()) + ".xyz";
    std::string text;
    text.reserve(static_cast<std::size_t>(bytes) + 64);
    for (long i = 0; static_cast<long>(text.size()) < bytes; ++i) {
      text += XyzLine(i);
      ++lines_;
    }
    FILE* out = std::fopen(path_.c_str(), "wb");
    if (out) {
      std::fwrite(text.data(), 1, text.size(), out);
      std::fclose(out);
    }
    size_ = static_cast<long>(text.size());
  }
  ~XyzSample() { std::remove(path_.c_str()); }
  XyzSample(const XyzSample&) = delete;
  XyzSample& operator=(const XyzSample&) = delete;

  const std::string& path() const { return path_; }
  long size() const { return size_; }
  long lines() const { return lines_; }

 private:
  std::string path_;
  long size_ = 0;
  long lines_ = 0;
};
