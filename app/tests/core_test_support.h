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

#include "app/converter.h"
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

// "share:<text>" for an archive entry done.
inline ConverterFace RecordingFace() {
  return ConverterFace{
      .preview = [](void*, ObjectHandle) { Recorder::Get().Add("preview"); },
      .status = [](void*, const std::u16string& t) {
        Recorder::Get().Add("status:" + Utf16ToUtf8(t));
      },
      .progress = [](void*, std::int64_t v) { Recorder::Get().Add("progress:" + std::to_string(v)); },
      .queue = [](void*, const std::u16string& t) { Recorder::Get().Add("queue:" + Utf16ToUtf8(t)); },
      .archiveShare = [](void*, const std::u16string& t) {
        Recorder::Get().Add("share:" + Utf16ToUtf8(t));
      },
      .exported = [](void*, const ExportReport& r) {
        Recorder::Get().Add("exported:" + std::to_string(static_cast<int>(r.outcome)));
      },
  };
}

inline std::string Exported(ExportOutcome outcome) {
  return "exported:" + std::to_string(static_cast<int>(outcome));
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core_ = StartConverter();
    ASSERT_NE(core_, nullptr);
    SetConverterFace(*core_, RecordingFace());
    Recorder::Get().Take();
    folder_ = Utf16ToUtf8(Fs_CreateUniqueDirectory(Fs_TempDirectory(), u"core-test-"));
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    if (workerStarted_) StopWorker(*core_);
    StopConverter(core_);
    core_ = nullptr;
    Fs_DeleteDirectory(Utf8ToUtf16(folder_));
  }

  // Writes a file in the test's folder; returns its path.
  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(folder_ + name, std::ios::binary) << bytes;
    return Utf8ToUtf16(folder_ + name);
  }
  std::string Folder() const { return folder_; }

  void StartTheWorker() {
    ASSERT_TRUE(StartWorker(*core_));
    workerStarted_ = true;
  }

  Converter& Core() { return *core_; }

 private:
  Converter* core_ = nullptr;
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
