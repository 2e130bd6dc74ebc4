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

// Non-zero when the calling thread holds the mutex: for assertions that a
// routine is called under its lock.
int Mtx_IsHeld(RtMutex* mutex);

// Holds a mutex for the rest of a scope.
class MtxGuard {
 public:
  explicit MtxGuard(RtMutex* mutex) : mutex_(mutex) { Mtx_Lock(mutex_); }
  ~MtxGuard() { Mtx_Unlock(mutex_); }
  MtxGuard(const MtxGuard&) = delete;
  MtxGuard& operator=(const MtxGuard&) = delete;

 private:
  RtMutex* mutex_;
};

// Frees a mutex nobody holds. A mutex this library does not know (already
// freed, or never made) is ignored.
void Mtx_Free(RtMutex* mutex);
