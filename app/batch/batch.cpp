#include "app/batch/batch.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "app/converter.h"
#include "app/batch/batch_face.h"
#include "app/batch/batch_output.h"
#include "app/batch/batch_options.h"
#include "app/batch/batch_signals.h"
#include "app/batch/world_file.h"
#include "app/job_queue.h"
#include "app/xyz_format.h"
#include "runtime/data/utf.h"

namespace {

// The one-line reason of exit status 1.
std::string FailureReason(const ExportReport& report) {
  const std::string path = Utf16ToUtf8(report.path);
  switch (report.outcome) {
    case ExportOutcome::kNothingLoaded:
      return "Keine Kachel geladen, " + path + " wurde nicht geschrieben.";
    case ExportOutcome::kNoMosaic:
      return "Kein Mosaik vorhanden, " + path + " wurde nicht geschrieben.";
    case ExportOutcome::kNoMemory:
      return "Zu wenig Speicher für das Bild, " + path + " wurde nicht geschrieben.";
    case ExportOutcome::kFailed:
      return "Fehler beim Export der Datei " + path + ".";
    case ExportOutcome::kNoPath:
    case ExportOutcome::kWritten:
      break;
  }
  return "Die Datei " + path + " wurde nicht geschrieben.";
}

}  // namespace

int RunBatch(int argc, const char* const* argv) {
  const BatchOptions options = ParseBatchOptions(argc - 1, argv + 1);
  if (options.help) {
    std::fputs(BatchUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("relivox-batch %s\n", RELIVOX_VERSION);
    return 0;
  }
  OutputPlan plan;
  const std::string usageError =
      options.error.empty()
          ? PlanOutput(options.outputOptions, Utf16ToUtf8(options.output), options.worldFile, &plan)
          : options.error;
  if (!usageError.empty()) {
    std::fprintf(stderr, "relivox-batch: %s\n%s", usageError.c_str(), BatchUsage().c_str());
    return 2;
  }
  // A reader that stops early (`| head`) must not end the conversion: the
  // status lines are lost, the PNG is still written.
  std::signal(SIGPIPE, SIG_IGN);
  EndCleanlyOnSignals();
  Converter* core = StartConverter();
  if (!core) {
    std::fputs("relivox-batch: Zu wenig Speicher.\n", stderr);
    return 1;
  }
  BatchRun run;
  run.worldFileWanted = options.worldFile;
  run.exported.path = options.output;
  run.core = core;
  SetConverterFace(*core, BatchFace(run));
  core->separator = options.separator;  // before the worker reads anything
  core->wants = plan.wants;
  for (const std::u16string& input : options.inputs) EnqueueJob(*core, JobKind::LoadFile, input);
  // Heights are written once the worker is done (FinishOutput).
  if (!options.output.empty() && plan.kind == OutputKind::kPicture)
    EnqueueJob(*core, JobKind::ExportPng, options.output);
  if (!StartWorker(*core)) {
    std::fputs("relivox-batch: Konnte keinen Arbeits-Thread starten.\n", stderr);
    return 1;
  }
  WaitForIdleWorker(*core);
  StopWorker(*core);
  const int outputStatus = FinishOutput(*core, plan, options.outputOptions, options.output, run);
  ClearBatchProgress();
  StopConverter(core);
  std::fflush(stdout);

  if (options.output.empty()) return 0;
  if (!run.exportRan || run.exported.outcome != ExportOutcome::kWritten) {
    std::fprintf(stderr, "relivox-batch: %s\n", FailureReason(run.exported).c_str());
    return 1;
  }
  if (run.worldFileWanted && !run.worldFileWritten) {
    const std::u16string world = plan.kind == OutputKind::kRaster
                                     ? RasterWorldFilePath(run.exported.path)
                                     : WorldFilePath(run.exported.path);
    std::fprintf(stderr, "relivox-batch: Die World-Datei %s wurde nicht geschrieben.\n",
                 Utf16ToUtf8(world).c_str());
    return 1;
  }
  return outputStatus;
}
