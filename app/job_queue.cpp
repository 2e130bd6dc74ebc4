#include "app/job_queue.h"

#include "app/export_png.h"
#include "app/indicators.h"
#include "app/xyz_loader.h"
#include "app/zip_job.h"
#include "runtime/data/fs.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"
#include "runtime/system/thread.h"

namespace {

std::u16string QueueText(std::int64_t count) {
  return Str_FromInteger(count) + u" Aufgaben in der Warteschlange";
}

void RunWorker(std::int64_t argument) { WorkerThread(*reinterpret_cast<Converter*>(argument)); }

// A zip archive by its first bytes: a local file header, or the end record
// of an empty archive.
bool HasZipSignature(const std::u16string& path) {
  const std::string start = Fs_PeekRegularFile(path, 4);
  return start == std::string("PK\3\4", 4) || start == std::string("PK\5\6", 4);
}

void LoadArchive(Converter& core, const std::u16string& path) {
  if (!LoadZipArchive(core, path))
    NotifyLoaded(core, {PathForDisplay(path), LoadOutcome::kNotAnArchive});
}

// A load job's file, by the converter's input rule.
void LoadInput(Converter& core, const std::u16string& path) {
  const std::u16string extension = Str_Lower(Fs_ExtensionPart(path));
  const std::u16string name = PathForDisplay(path);
  if (core.inputRule == InputRule::kByExtension) {
    if (extension == u"zip")
      LoadArchive(core, path);
    else if (extension == u"xyz")
      NotifyLoaded(core, {name, LoadXyzFile(core, path)});
    else
      NotifyLoaded(core, {name, LoadOutcome::kSkippedName});  // without a status text
    return;
  }
  if (extension == u"zip" || HasZipSignature(path))
    LoadArchive(core, path);
  else
    NotifyLoaded(core, {name, LoadXyzFile(core, path)});
}

}  // namespace

void EnqueueJob(Converter& core, JobKind kind, const std::u16string& path) {
  Mtx_Lock(core.queueLock);
  if (JobRecord* job = core.jobQueue->AddLast()) {
    job->kind = kind;
    job->path = path;
  }
  Cnd_Broadcast(core.queueChanged);
  Mtx_Unlock(core.queueLock);
  // Never under the lock: the window's queue line may wait for the main thread.
  SetQueueText(core, QueueText(core.jobQueue->Size()));
}

void RunJob(Converter& core, const JobRecord& job) {
  switch (job.kind) {
    case JobKind::LoadFile:
      LoadInput(core, job.path);
      return;
    case JobKind::ExportPng:
      ExportPngJob(core, job.path);
      return;
  }
}

void WorkerThread(Converter& core) {
  Mtx_Lock(core.queueLock);
  for (;;) {
    core.workerBusy = false;
    Cnd_Broadcast(core.queueChanged);
    // Sleeps instead of testing the count over and over: an idle program
    // uses no processor time.
    while (core.jobQueue->Size() == 0 && !core.workerStop) Cnd_Wait(core.queueChanged, core.queueLock);
    if (core.workerStop) break;
    const JobRecord job = *core.jobQueue->First();
    core.jobQueue->Delete();
    core.workerBusy = true;
    Mtx_Unlock(core.queueLock);

    SetQueueText(core, QueueText(core.jobQueue->Size()));
    RunJob(core, job);
    Mtx_Lock(core.queueLock);
  }
  core.workerRunning = false;
  Cnd_Broadcast(core.queueChanged);
  Mtx_Unlock(core.queueLock);
}

bool StartWorker(Converter& core) {
  Mtx_Lock(core.queueLock);
  core.workerRunning = true;
  core.workerStop = false;
  Mtx_Unlock(core.queueLock);
  if (Thr_Create(&RunWorker, reinterpret_cast<std::int64_t>(&core)) != 0) return true;
  Mtx_Lock(core.queueLock);
  core.workerRunning = false;
  Mtx_Unlock(core.queueLock);
  return false;
}

void WaitForIdleWorker(Converter& core) {
  Mtx_Lock(core.queueLock);
  while (core.workerRunning && (core.workerBusy || core.jobQueue->Size() > 0))
    Cnd_Wait(core.queueChanged, core.queueLock);
  Mtx_Unlock(core.queueLock);
}

void StopWorker(Converter& core) {
  Mtx_Lock(core.queueLock);
  core.workerStop = true;
  Cnd_Broadcast(core.queueChanged);
  while (core.workerRunning) Cnd_Wait(core.queueChanged, core.queueLock);
  core.workerStop = false;
  Mtx_Unlock(core.queueLock);
}
