#include "app/batch/batch.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/batch/batch_face.h"
#include "app/batch/batch_options.h"
#include "app/batch/batch_signals.h"
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
std::string FailureReason(const BatchExportResult& result) {
  const std::string path = Utf16ToUtf8(result.path);
  if (result.outcome == kExportFailed && AtomicFile::RefusesLink(result.path))
    return RefusedLinkReason(result.path);
  switch (result.outcome) {
    case kExportNothingLoaded:
      return "Keine Kachel geladen, " + path + " wurde nicht geschrieben.";
    case kExportNoMosaic:
      return "Kein Mosaik vorhanden, " + path + " wurde nicht geschrieben.";
    case kExportNoMemory:
      return "Zu wenig Speicher für das Bild, " + path + " wurde nicht geschrieben.";
    case kExportFailed:
      return "Fehler beim Export der Datei " + path + ".";
    default:
      return "Die Datei " + path + " wurde nicht geschrieben.";
  }
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
  if (!options.error.empty()) {
    std::fprintf(stderr, "relivox-batch: %s\n%s", options.error.c_str(), BatchUsage().c_str());
    return 2;
  }
  // A link another user planted for the PNG or the world file fails the run
  // before anything is written, not once the PNG is (the write itself
  // refuses a link planted later).
  if (!options.output.empty()) {
    std::vector<std::u16string> targets = {options.output};
    if (options.worldFile) targets.push_back(WorldFilePath(options.output));
    for (const std::u16string& target : targets) {
      if (AtomicFile::RefusesLink(target)) {
        std::fprintf(stderr, "relivox-batch: %s\n", RefusedLinkReason(target).c_str());
        return 1;
      }
    }
  }
  // A reader that stops early (`| head`) must not end the conversion: the
  // status lines are lost, the PNG is still written.
  std::signal(SIGPIPE, SIG_IGN);
  // Beyond the file-size limit (ulimit -f) a write fails like a full disk:
  // a reason and status 1, no partial file and no job folder left.
  std::signal(SIGXFSZ, SIG_IGN);
  EndCleanlyOnSignals();
  if (!StartConverter()) {
    std::fputs("relivox-batch: Zu wenig Speicher.\n", stderr);
    return 1;
  }
  SetConverterFace(BatchFace());
  BatchExport().worldFileWanted = options.worldFile;
  SetXyzSeparator(options.separator);  // before the worker reads anything
  for (const std::u16string& input : options.inputs) EnqueueJob(LoadFile, input);
  if (!options.output.empty()) EnqueueJob(ExportPng, options.output);
  if (!StartWorker()) {
    std::fputs("relivox-batch: Konnte keinen Arbeits-Thread starten.\n", stderr);
    return 1;
  }
  WaitForIdleWorker();
  StopWorker();
  ClearBatchProgress();
  SetConverterFace(nullptr);
  StopConverter();
  std::fflush(stdout);

  if (options.output.empty()) return 0;
  const BatchExportResult& result = BatchExport();
  if (!result.ran || result.outcome != kExportWritten) {
    std::fprintf(stderr, "relivox-batch: %s\n", FailureReason(result).c_str());
    return 1;
  }
  if (result.worldFileWanted && !result.worldFileWritten) {
    const std::u16string world = WorldFilePath(result.path);
    if (AtomicFile::RefusesLink(world)) {
      std::fprintf(stderr, "relivox-batch: %s\n", RefusedLinkReason(world).c_str());
      return 1;
    }
    std::fprintf(stderr, "relivox-batch: Die World-Datei %s wurde nicht geschrieben.\n",
                 Utf16ToUtf8(world).c_str());
    return 1;
  }
  return 0;
}
