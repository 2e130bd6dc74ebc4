#include "app/batch/batch.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/converter.h"
#include "app/batch/batch_face.h"
#include "app/batch/batch_inputs.h"
#include "app/batch/batch_output.h"
#include "app/batch/batch_options.h"
#include "app/batch/batch_signals.h"
#include "app/batch/batch_summary.h"
#include "app/batch/cell_options.h"
#include "app/batch/world_file.h"
#include "app/job_queue.h"
#include "app/xyz_format.h"
#include "runtime/data/atomic_file.h"
#include "runtime/data/utf.h"

namespace {

std::string RefusedLinkReason(const std::u16string& path) {
  return "Die Datei " + Utf16ToUtf8(path) +
         " ist eine symbolische Verknüpfung eines anderen Benutzers in einem gemeinsamen Ordner"
         " und wird nicht überschrieben.";
}

// The one-line reason of exit status 1.
std::string FailureReason(const ExportReport& report) {
  const std::string path = Utf16ToUtf8(report.path);
  if (report.outcome == ExportOutcome::kFailed && AtomicFile::RefusesLink(report.path))
    return RefusedLinkReason(report.path);
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
  if (!usageError.empty() && plan.gdalMissing) {  // an installation's fault, not the user's
    std::fprintf(stderr, "relivox-batch: %s\n", usageError.c_str());
    return 1;
  }
  if (!usageError.empty()) {
    std::fprintf(stderr, "relivox-batch: %s\n%s", usageError.c_str(), BatchUsage().c_str());
    return 2;
  }
  BatchInputs inputs = CollectBatchInputs(options, stdin);
  if (!inputs.error.empty()) {
    std::fprintf(stderr, "relivox-batch: %s\n%s", inputs.error.c_str(), BatchUsage().c_str());
    return 2;
  }
  // A link another user planted for the PNG or the world file fails the run
  // before anything is written, not once the PNG is (the write itself
  // refuses a link planted later).
  if (!options.output.empty()) {
    std::vector<std::u16string> targets = {options.output};
    if (options.worldFile)
      targets.push_back(plan.kind != OutputKind::kPicture ? RasterWorldFilePath(options.output)
                                                         : WorldFilePath(options.output));
    for (const std::u16string& target : targets) {
      if (AtomicFile::RefusesLink(target)) {
        std::fprintf(stderr, "relivox-batch: %s\n", RefusedLinkReason(target).c_str());
        return 1;
      }
    }
  }
  // A clipping box gives the raster's size before anything is loaded.
  const CellRule rule = CellRuleOf(options.outputOptions, plan.gdalRaster);
  if (!options.output.empty() && rule.clipped && plan.gdalRaster)
    if (const std::string refusal = RasterRefusal(rule, rule.cells, Utf16ToUtf8(options.output));
        !refusal.empty()) {
      std::fprintf(stderr, "relivox-batch: %s\n", refusal.c_str());
      return 1;
    }
  // A reader that stops early (`| head`) must not end the conversion: the
  // status lines are lost, the PNG is still written.
  std::signal(SIGPIPE, SIG_IGN);
  // Beyond the file-size limit (ulimit -f) a write fails like a full disk:
  // a reason and status 1, no partial file and no job folder left.
  std::signal(SIGXFSZ, SIG_IGN);
  EndCleanlyOnSignals();
  Converter* core = StartConverter();
  if (!core) {
    std::fputs("relivox-batch: Zu wenig Speicher.\n", stderr);
    return 1;
  }
  BatchSession run;
  run.worldFileWanted = options.worldFile;
  run.quiet = options.quiet;
  run.progress = options.progress;
  run.exported.path = options.output;
  run.loads = std::move(inputs.skipped);
  run.core = core;
  SetConverterFace(*core, BatchFace(run));
  // Before the worker reads anything.
  core->readOptions = ReadOptionsOf(options);
  core->inputRule = options.windowRules ? InputRule::kByExtension : InputRule::kByContent;
  core->wants = plan.wants;
  if (!options.output.empty() && rule.active) UseCellRule(*core, rule);
  for (const std::u16string& input : inputs.paths) EnqueueJob(*core, JobKind::LoadFile, input);
  // Heights, and a picture of cells, are written once the worker is done (FinishOutput).
  if (!options.output.empty() && plan.kind == OutputKind::kPicture && !core->cells.active)
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

  // The summary first: the last line is the reason when nothing was written.
  std::fputs(BatchSummary(run.loads, options.windowRules).c_str(), stderr);
  if (!options.output.empty()) {
    if (!run.exportRan || run.exported.outcome != ExportOutcome::kWritten) {
      const std::string reason =
          run.failureReason.empty() ? FailureReason(run.exported) : run.failureReason;
      std::fprintf(stderr, "relivox-batch: %s\n", reason.c_str());
      return 1;
    }
    if (run.worldFileWanted && !run.worldFileWritten) {
      const std::u16string world = plan.kind != OutputKind::kPicture
                                       ? RasterWorldFilePath(run.exported.path)
                                       : WorldFilePath(run.exported.path);
      if (AtomicFile::RefusesLink(world)) {
        std::fprintf(stderr, "relivox-batch: %s\n", RefusedLinkReason(world).c_str());
        return 1;
      }
      std::fprintf(stderr, "relivox-batch: Die World-Datei %s wurde nicht geschrieben.\n",
                   Utf16ToUtf8(world).c_str());
      return 1;
    }
  }
  // Scripts written for the window's rules compare exit statuses: those stay.
  const BatchTally tally = TallyLoads(run.loads);
  if (outputStatus != 0) return outputStatus;
  return !options.windowRules && tally.skipped + tally.failed > 0 ? 3 : 0;
}
