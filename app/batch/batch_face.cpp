#include "app/batch/batch_face.h"

#include <unistd.h>

#include <cassert>
#include <cstdio>

#include "app/batch/world_file.h"
#include "app/converter.h"
#include "runtime/data/utf.h"
#include "runtime/system/console.h"
#include "runtime/system/mutex.h"

namespace {

// The bar on standard error: one per process, as the terminal is. Used by
// the worker, by the main thread once the worker is idle, and by the
// signal thread on its way out.
struct Bar {
  RtMutex* lock = Mtx_Create();
  bool terminal = ::isatty(STDERR_FILENO) != 0;  // under lock, like the rest
  bool shown = false;
  std::u16string name;
};
Bar& TheBar() {
  // Never destroyed: the signal thread may erase the bar while the process ends.
  static auto* bar = new Bar;
  return *bar;
}

void EraseBar(Bar& bar) {
  assert(Mtx_IsHeld(bar.lock));
  if (!bar.shown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  bar.shown = false;
}

void PrintLine(const std::u16string& text) {
  Bar& bar = TheBar();
  const MtxGuard guard(bar.lock);
  EraseBar(bar);
  Con_PrintLine(text);
}

bool Quiet(void* context) { return static_cast<BatchSession*>(context)->quiet; }

void Status(void* context, const std::u16string& text) {
  if (!text.empty() && !Quiet(context)) PrintLine(text);  // a cleared line is nothing to print
}

void ArchiveShare(void* context, const std::u16string& share) {
  if (!Quiet(context)) PrintLine(share);
}

void Loaded(void* context, const LoadReport& report) {
  static_cast<BatchSession*>(context)->loads.push_back(report);
}

void Progress(void*, std::int64_t value) {
  Bar& bar = TheBar();
  const MtxGuard guard(bar.lock);
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

void Reading(void*, const std::u16string& name) {
  Bar& bar = TheBar();
  const MtxGuard guard(bar.lock);
  bar.name = name;
}

void Exported(void* context, const ExportReport& report) {
  BatchSession& run = *static_cast<BatchSession*>(context);
  run.exportRan = true;
  run.exported = report;
  run.worldFileWritten = false;
  if (report.outcome == ExportOutcome::kWritten && run.worldFileWanted) {
    // y is the negated northing, negated back without overflow.
    const auto northing =
        static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(report.extent.minY));
    // The export job runs on the worker, which owns the tiles' placement.
    const Placement placement = run.core ? MosaicPlacement(*run.core) : Placement{};
    run.worldFileWritten = WriteWorldFile(WorldFilePath(report.path), report.extent.minX, northing,
                                          placement.x, placement.y) != 0;
  }
}

}  // namespace

ConverterFace BatchFace(BatchSession& run) {
  Bar& bar = TheBar();
  {
    const MtxGuard guard(bar.lock);
    if (run.progress >= 0) bar.terminal = run.progress == 1;
  }
  return ConverterFace{
      .context = &run,
      .status = &Status,
      .progress = &Progress,
      .reading = &Reading,
      .archiveShare = &ArchiveShare,
      .loaded = &Loaded,
      .exported = &Exported,
  };
}

void ClearBatchProgress() {
  Bar& bar = TheBar();
  const MtxGuard guard(bar.lock);
  EraseBar(bar);
}
