// The converter core under test: a fresh state per test, a face that records
// everything the core shows, and scratch files in TMPDIR.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/job_queue.h"
#include "imaging/bitmap.h"
#include "imaging/image.h"
#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

// What reached the face, in order: "status:<text>", "progress:<n>",
// "queue:<text>", "preview", "exported:<outcome>".
class Recorder {
 public:
  static Recorder& Get() {
    static Recorder recorder;
    return recorder;
  }
  void Add(std::string event) {
    std::lock_guard guard(lock_);
    events_.push_back(std::move(event));
  }
  std::vector<std::string> Take() {
    std::lock_guard guard(lock_);
    return std::exchange(events_, {});
  }
  // Only the events that start with `prefix` (prefix removed).
  std::vector<std::string> Take(const std::string& prefix) {
    std::vector<std::string> picked;
    for (const std::string& e : Take())
      if (e.rfind(prefix, 0) == 0) picked.push_back(e.substr(prefix.size()));
    return picked;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> events_;
};

inline const ConverterFace* RecordingFace() {
  static const ConverterFace face = {
      [](ObjectHandle) { Recorder::Get().Add("preview"); },
      [](const std::u16string& t) { Recorder::Get().Add("status:" + Utf16ToUtf8(t)); },
      [](std::int64_t v) { Recorder::Get().Add("progress:" + std::to_string(v)); },
      [](const std::u16string& t) { Recorder::Get().Add("queue:" + Utf16ToUtf8(t)); },
      nullptr,
      [](const std::u16string&, ExportOutcome o) {
        Recorder::Get().Add("exported:" + std::to_string(o));
      },
  };
  return &face;
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(StartConverter(), 1);
    SetConverterFace(RecordingFace());
    Recorder::Get().Take();
    folder_ = Utf16ToUtf8(Fs_CreateUniqueDirectory(Fs_TempDirectory(), u"core-test-"));
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    if (workerStarted_) StopWorker();
    SetConverterFace(nullptr);
    StopConverter();
    Fs_DeleteDirectory(Utf8ToUtf16(folder_));
  }

  // Writes a file in the test's folder; returns its path.
  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ + name, std::ios::binary) << bytes;
    return Utf8ToUtf16(folder_ + name);
  }
  std::string Folder() const { return folder_; }

  void StartTheWorker() {
    ASSERT_EQ(StartWorker(), 1);
    workerStarted_ = true;
  }

 private:
  std::string folder_;
  bool workerStarted_ = false;
};

// The BGRA bytes of a picture pixel of a 32-bit image (x, y from the top).
inline std::uint32_t PixelOf(ObjectHandle image, int x, int y) {
  const Bitmap* bitmap = Bitmap_FromHandle(Img_Handle(image));
  const std::uint8_t* p = Bitmap_PictureRow(*bitmap, y) + x * 4;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
// An opaque grey pixel as PixelOf reads it.
constexpr std::uint32_t Grey(std::uint32_t g) { return g | g << 8 | g << 16 | 0xFF000000u; }
