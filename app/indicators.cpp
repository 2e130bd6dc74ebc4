#include "app/indicators.h"

#include <cassert>

#include "runtime/system/mutex.h"

void UpdatePreview(Converter& core, ObjectHandle image) {
  assert(Mtx_IsHeld(core.mosaicLock));
  if (core.face.preview) core.face.preview(core.face.context, image);
}

void SetStatusText(Converter& core, const std::u16string& text) {
  if (core.face.status) core.face.status(core.face.context, text);
}

void SetProgress(Converter& core, std::int64_t value) {
  // Recorded also without a face, as the bar would be after the window went.
  if (core.lastProgress.exchange(value) == value) return;
  if (core.face.progress) core.face.progress(core.face.context, value);
}

void SetQueueText(Converter& core, const std::u16string& text) {
  if (core.face.queue) core.face.queue(core.face.context, text);
}

void NotifyReading(Converter& core, const std::u16string& name) {
  if (core.face.reading) core.face.reading(core.face.context, name);
}

void NotifyArchiveShare(Converter& core, const std::u16string& share) {
  if (core.face.archiveShare) core.face.archiveShare(core.face.context, share);
}

void NotifyLoaded(Converter& core, const LoadReport& report) {
  if (core.face.loaded) core.face.loaded(core.face.context, report);
}

void NotifyExported(Converter& core, const ExportReport& report) {
  if (core.face.exported) core.face.exported(core.face.context, report);
}

void BeginSaving(Converter& core, const std::u16string& format) {
  SetStatusText(core, u"Speichern als " + format + u"...");
  SetProgress(core, 0);
}

ExportOutcome EndSaving(Converter& core, ExportOutcome outcome) {
  SetStatusText(core, outcome == ExportOutcome::kWritten ? u"Datei exportiert!"
                                                         : u"Fehler beim Export der Datei!");
  SetProgress(core, 0);
  return outcome;
}
