#include "app/indicators.h"

#include <atomic>

#include "app/app_state.h"

namespace {

std::atomic<const ConverterFace*> gFace{nullptr};

}  // namespace

void SetConverterFace(const ConverterFace* face) { gFace.store(face); }

int UpdatePreview(ObjectHandle image) {
  if (const ConverterFace* face = gFace.load(); face && face->preview) face->preview(image);
  return 0;
}

int SetStatusText(const std::u16string& text) {
  if (const ConverterFace* face = gFace.load(); face && face->status) face->status(text);
  return 0;
}

int SetProgress(std::int64_t value) {
  // Recorded also without a face, as the bar would be after the window went.
  if (App().lastProgress.exchange(value) == value) return 0;
  if (const ConverterFace* face = gFace.load(); face && face->progress) face->progress(value);
  return 0;
}

int SetQueueText(const std::u16string& text) {
  if (const ConverterFace* face = gFace.load(); face && face->queue) face->queue(text);
  return 0;
}

void NotifyReading(const std::u16string& name) {
  if (const ConverterFace* face = gFace.load(); face && face->reading) face->reading(name);
}

void NotifyExported(const std::u16string& path, ExportOutcome outcome) {
  if (const ConverterFace* face = gFace.load(); face && face->exported) face->exported(path, outcome);
}
