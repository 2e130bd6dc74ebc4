// The job queue and the one worker thread that runs its jobs in order.
#pragma once

#include <cstdint>
#include <string>

// Appends a job (main thread, or any thread that is not the worker) and
// shows the new count on the queue line. Returns 0.
int EnqueueJob(std::int64_t kind, const std::u16string& path);

// The worker: takes the jobs one at a time, first in first out, and runs
// them. Sleeps while the queue is empty. Returns only after StopWorker.
void WorkerThread(std::int64_t argument);

// Starts WorkerThread on a thread of its own. Non-zero on success.
int StartWorker();

// Waits until the queue is empty and no job runs (relivox-batch, tests).
void WaitForIdleWorker();

// Lets the running job end, then ends the worker and waits for it. Jobs
// still queued stay queued.
void StopWorker();

// Runs one job as the worker would (dispatch by kind and extension).
void RunJob(std::int64_t kind, const std::u16string& path);
