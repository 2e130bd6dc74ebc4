#include "imaging/atomic_file.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <string>

#include "runtime/data/utf.h"

namespace {

std::string TemporaryName(const std::string& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  const unsigned value = seed ^ (counter.fetch_add(1) * 2654435761u) ^ attempt;
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".~%d-%08x.tmp", static_cast<int>(getpid()), value);
  return target + suffix;
}

}  // namespace

AtomicFile::AtomicFile(const char16_t* path) {
  if (!path || !*path) return;
  target_ = Utf16ToUtf8(path);
  if (target_.empty() || target_.back() == '/') return;
  // "x": never open a file that happens to exist already.
  for (unsigned attempt = 0; attempt < 16 && !stream_; ++attempt) {
    temporary_ = TemporaryName(target_, attempt);
    stream_ = std::fopen(temporary_.c_str(), "wbx");
  }
  if (!stream_) temporary_.clear();
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
}

bool AtomicFile::Commit() {
  if (!stream_) return false;
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  // The data must be on disk before the rename makes it the target.
  if (ok) ok = fsync(fileno(stream_)) == 0;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (ok && closed && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    temporary_.clear();
    return true;
  }
  Discard();
  return false;
}
