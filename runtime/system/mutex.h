// Recursive mutexes: the owning thread may lock again and must unlock as
// often. Lock, try-lock and unlock go straight to the underlying mutex.
#pragma once

struct RtMutex;

// A new, unlocked mutex; nullptr when memory runs out.
RtMutex* Mtx_Create();

// Waits until the calling thread owns the mutex.
void Mtx_Lock(RtMutex* mutex);

// Non-zero when the mutex was taken without waiting, 0 when another thread
// owns it.
int Mtx_TryLock(RtMutex* mutex);

// Releases one level of ownership. Only the owner may unlock.
void Mtx_Unlock(RtMutex* mutex);

// Frees a mutex nobody holds. A mutex this library does not know (already
// freed, or never made) is ignored.
void Mtx_Free(RtMutex* mutex);
