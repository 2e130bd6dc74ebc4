// Threads that run a procedure with one integer argument. Threads are
// numbered 1, 2, 3, ... in creation order; numbers are never reused. Nobody
// waits for a thread: the registry only answers whether one still runs.
#pragma once

#include <cstddef>
#include <cstdint>

using ThreadProc = void (*)(std::int64_t argument);

// Starts proc(argument) on a new thread and returns its number, or 0 when no
// thread could be made. Entries of threads that have ended are dropped here.
std::int64_t Thr_Create(ThreadProc proc, std::int64_t argument);

// 1 while the thread runs; 0 when it has ended or the number is unknown.
int Thr_IsRunning(std::int64_t number);

// Releases every thread entry at shut-down. Threads that still run are
// neither waited for nor stopped; their numbers become unknown.
void Thr_Shutdown();

// Entries in the registry (for diagnostics).
std::size_t Thr_EntryCount();
