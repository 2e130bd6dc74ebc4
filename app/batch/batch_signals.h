// Ending relivox-batch by a signal (Ctrl+C, kill, a closed terminal) without
// leaving a zip job's temporary folder behind.
#pragma once

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and every thread
// it starts from now on, and starts a thread that waits for them: it removes
// the job folders and ends the process with status 128 + the signal. Call
// before any other thread is started. Non-zero on success.
int EndCleanlyOnSignals();
