#include "app/job_queue.h"

#include "app/app_state.h"
#include "app/export_png.h"
#include "app/indicators.h"
#include "app/xyz_loader.h"
#include "app/zip_job.h"
#include "runtime/data/fs.h"
#include "runtime/data/str.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"
#include "runtime/system/thread.h"

namespace {

std::u16string QueueText(std::int64_t count) {
  return Str_FromInteger(count) + u" Aufgaben in der Warteschlange";
}

}  // namespace

int EnqueueJob(std::int64_t kind, const std::u16string& path) {
  AppState& app = App();
  Mtx_Lock(app.queueLock);
  app.jobQueue->Last();
  if (JobRecord* job = app.jobQueue->Add()) {
    job->kind = kind;
    job->path = path;
  }
  Cnd_Broadcast(app.queueChanged);
  Mtx_Unlock(app.queueLock);
  // Never under the lock: the window's queue line may wait for the main thread.
  SetQueueText(QueueText(app.jobQueue->Size()));
  return 0;
}

void RunJob(std::int64_t kind, const std::u16string& path) {
  if (kind == LoadFile) {
    const std::u16string extension = Str_Lower(Fs_ExtensionPart(path));
    if (extension == u"zip")
      LoadZipArchive(path);
    else if (extension == u"xyz")
      LoadXyzFile(path);
  } else if (kind == ExportPng) {
    ExportPngJob(path);
  }
}

void WorkerThread(std::int64_t) {
  AppState& app = App();
  Mtx_Lock(app.queueLock);
  for (;;) {
    app.workerBusy = false;
    Cnd_Broadcast(app.queueChanged);
    // Sleeps instead of testing the count over and over: an idle program
    // uses no processor time.
    while (app.jobQueue->Size() == 0 && !app.workerStop) Cnd_Wait(app.queueChanged, app.queueLock);
    if (app.workerStop) break;
    JobRecord job = *app.jobQueue->First();
    app.jobQueue->Delete();
    app.workerBusy = true;
    Mtx_Unlock(app.queueLock);

    SetQueueText(QueueText(app.jobQueue->Size()));
    RunJob(job.kind, job.path);
    Mtx_Lock(app.queueLock);
  }
  app.workerRunning = false;
  Cnd_Broadcast(app.queueChanged);
  Mtx_Unlock(app.queueLock);
}

int StartWorker() {
  AppState& app = App();
  Mtx_Lock(app.queueLock);
  app.workerRunning = true;
  app.workerStop = false;
  Mtx_Unlock(app.queueLock);
  if (Thr_Create(&WorkerThread, 0) != 0) return 1;
  Mtx_Lock(app.queueLock);
  app.workerRunning = false;
  Mtx_Unlock(app.queueLock);
  return 0;
}

void WaitForIdleWorker() {
  AppState& app = App();
  Mtx_Lock(app.queueLock);
  while (app.workerRunning && (app.workerBusy || app.jobQueue->Size() > 0))
    Cnd_Wait(app.queueChanged, app.queueLock);
  Mtx_Unlock(app.queueLock);
}

void StopWorker() {
  AppState& app = App();
  Mtx_Lock(app.queueLock);
  app.workerStop = true;
  Cnd_Broadcast(app.queueChanged);
  while (app.workerRunning) Cnd_Wait(app.queueChanged, app.queueLock);
  app.workerStop = false;
  Mtx_Unlock(app.queueLock);
}
