// The job queue and the one worker thread that runs its jobs in order.
#pragma once

#include <string>

#include "app/converter.h"

// Appends a job (main thread, or any thread that is not the worker) and
// shows the new count on the queue line.
void EnqueueJob(Converter& core, JobKind kind, const std::u16string& path);

// The worker: takes the jobs one at a time, first in first out, and runs
// them. Sleeps while the queue is empty. Returns only after StopWorker.
void WorkerThread(Converter& core);

// Starts WorkerThread on a thread of its own. False when no thread could be
// started.
[[nodiscard]] bool StartWorker(Converter& core);

// Waits until the queue is empty and no job runs (relivox-batch, tests).
void WaitForIdleWorker(Converter& core);

// Lets the running job end, then ends the worker and waits for it. Jobs
// still queued stay queued.
void StopWorker(Converter& core);

// Runs one job as the worker would (dispatch by kind and extension).
void RunJob(Converter& core, const JobRecord& job);
