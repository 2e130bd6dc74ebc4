#include "app/batch/batch_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "app/batch/batch_face.h"
#include "app/batch/pending_output.h"
#include "app/job_folders.h"
#include "runtime/system/thread.h"

namespace {

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// Takes the signal synchronously, so it may do what a handler may not
// (walk and delete folders).
void WaitForSignal(std::int64_t) {
  const sigset_t set = EndingSignals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  ClearBatchProgress();
  RemoveJobFoldersAtExit();
  RemovePendingOutputAtExit();
  // Not exit(): the worker may be inside a table that exit would destroy.
  // Every file it writes is replaced atomically, so nothing half-done stays.
  _exit(128 + signal);
}

}  // namespace

int EndCleanlyOnSignals() {
  const sigset_t set = EndingSignals();
  if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return 0;
  return Thr_Create(&WaitForSignal, 0) != 0 ? 1 : 0;
}
