// Condition variables over the runtime's mutexes (mutex.h): a thread waits
// until another signals a change of the state both guard with one mutex.
#pragma once

struct RtMutex;
struct RtCondition;

// A new condition variable; nullptr when memory runs out.
RtCondition* Cnd_Create();

// Releases `mutex` (held exactly once by the caller), waits for a signal or
// `timeoutMs` (-1: no limit) and takes the mutex again before returning.
// Non-zero when signalled, 0 on time-out. Waits may also end spuriously:
// callers test their state in a loop.
int Cnd_Wait(RtCondition* condition, RtMutex* mutex, int timeoutMs = -1);

// Wakes one waiting thread, or all of them.
void Cnd_Signal(RtCondition* condition);
void Cnd_Broadcast(RtCondition* condition);

// Frees a condition variable nobody waits on. nullptr is ignored.
void Cnd_Free(RtCondition* condition);
