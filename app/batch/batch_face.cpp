#include "app/batch/batch_face.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "app/app_state.h"
#include "app/batch/world_file.h"
#include "runtime/data/utf.h"
#include "runtime/system/console.h"

namespace {

// The bar: worker thread, and the main thread once the worker is idle.
struct Bar {
  std::mutex lock;
  bool terminal = false;
  bool shown = false;
  std::u16string name;
};
Bar& TheBar() {
  static Bar bar;
  return bar;
}

void EraseBar(Bar& bar) {
  if (!bar.shown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  bar.shown = false;
}

void Status(const std::u16string& text) {
  if (text.empty()) return;  // a cleared status line is nothing to print
  Bar& bar = TheBar();
  std::lock_guard guard(bar.lock);
  EraseBar(bar);
  Con_PrintLine(text);
}

void Progress(std::int64_t value) {
  Bar& bar = TheBar();
  std::lock_guard guard(bar.lock);
  if (!bar.terminal) return;
  if (value <= 0) {
    EraseBar(bar);
    return;
  }
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(value > 100 ? kWidth : value * kWidth / 100);
  std::string line = "\r\033[K" + Utf16ToUtf8(bar.name) + " [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kWidth - filled), '.');
  line += "] " + std::to_string(value) + "%";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  bar.shown = true;
}

void Reading(const std::u16string& name) {
  Bar& bar = TheBar();
  std::lock_guard guard(bar.lock);
  bar.name = name;
}

void Exported(const std::u16string& path, ExportOutcome outcome) {
  BatchExportResult& result = BatchExport();
  result.ran = true;
  result.outcome = outcome;
  result.path = path;
  result.worldFileWritten = false;
  if (outcome == kExportWritten && result.worldFileWanted) {
    // Runs on the worker before the next job: the mosaic is the one just saved.
    const AppState& app = App();
    const auto northing = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(app.mosaicMinY));
    result.worldFileWritten = WriteWorldFile(WorldFilePath(path), app.mosaicMinX, northing) != 0;
  }
}

const ConverterFace kFace = {nullptr, &Status, &Progress, nullptr, &Reading, &Exported};

}  // namespace

const ConverterFace* BatchFace() {
  TheBar().terminal = ::isatty(STDERR_FILENO) != 0;
  return &kFace;
}

BatchExportResult& BatchExport() {
  static BatchExportResult result;
  return result;
}

void ClearBatchProgress() {
  Bar& bar = TheBar();
  std::lock_guard guard(bar.lock);
  EraseBar(bar);
}
