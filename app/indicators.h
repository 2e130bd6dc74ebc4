// The converter's reports to its face (app/face.h), where its jobs change
// what the user is shown. Each runs the face's entry on the calling thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/converter.h"

// The mosaic image changed; the caller holds the mosaic lock.
void UpdatePreview(Converter& core, ObjectHandle image);
void SetStatusText(Converter& core, const std::u16string& text);
// Repeats of the last requested value do not reach the face.
void SetProgress(Converter& core, std::int64_t value);
void SetQueueText(Converter& core, const std::u16string& text);
void NotifyReading(Converter& core, const std::u16string& name);
void NotifyArchiveShare(Converter& core, const std::u16string& share);
void NotifyLoaded(Converter& core, const LoadReport& report);
void NotifyExported(Converter& core, const ExportReport& report);

// The status around a save of relivox-batch's own outputs, in the words of
// the PNG export: "Speichern als FORMAT..." with the bar at 0, then "Datei
// exportiert!" or the failure, the bar back at 0. EndSaving returns `outcome`.
void BeginSaving(Converter& core, const std::u16string& format);
ExportOutcome EndSaving(Converter& core, ExportOutcome outcome);
