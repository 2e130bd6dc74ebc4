#include "runtime/system/mutex.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>

#include "runtime/system/mutex_internal.h"
#include "runtime/system/registry_lock.h"

struct RtMutex {
  std::recursive_mutex mutex;
  // Who holds it and how often, for Mtx_IsHeld: written by the owner only,
  // read by any thread (which can only find itself there if it is the owner).
  std::atomic<std::thread::id> owner{};
  int depth = 0;
};

namespace {

// Every live mutex, so that freeing a stale one is caught. Guarded by
// ThreadRegistryLock(); never destroyed, as a thread may hold a mutex while
// the process exits.
using MutexRegistry = std::unordered_map<RtMutex*, std::unique_ptr<RtMutex>>;

MutexRegistry& Registry() {
  static MutexRegistry* registry = new MutexRegistry;
  return *registry;
}

}  // namespace

RtMutex* Mtx_Create() {
  std::unique_ptr<RtMutex> mutex(new (std::nothrow) RtMutex);
  if (!mutex) return nullptr;
  RtMutex* raw = mutex.get();
  std::lock_guard lock(ThreadRegistryLock());
  try {
    Registry().emplace(raw, std::move(mutex));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return raw;
}

std::recursive_mutex& Mtx_Native(RtMutex* mutex) { return mutex->mutex; }

void Mtx_NoteTaken(RtMutex* mutex) {
  if (mutex->depth++ == 0) mutex->owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void Mtx_NoteReleased(RtMutex* mutex) {
  if (--mutex->depth == 0) mutex->owner.store(std::thread::id(), std::memory_order_relaxed);
}

void Mtx_Lock(RtMutex* mutex) {
  if (!mutex) return;
  mutex->mutex.lock();
  Mtx_NoteTaken(mutex);
}

int Mtx_TryLock(RtMutex* mutex) {
  if (!mutex || !mutex->mutex.try_lock()) return 0;
  Mtx_NoteTaken(mutex);
  return 1;
}

void Mtx_Unlock(RtMutex* mutex) {
  if (!mutex) return;
  Mtx_NoteReleased(mutex);
  mutex->mutex.unlock();
}

int Mtx_IsHeld(RtMutex* mutex) {
  return mutex && mutex->owner.load(std::memory_order_relaxed) == std::this_thread::get_id() ? 1
                                                                                             : 0;
}

void Mtx_Free(RtMutex* mutex) {
  if (!mutex) return;
  std::unique_ptr<RtMutex> doomed;
  {
    std::lock_guard lock(ThreadRegistryLock());
    auto it = Registry().find(mutex);
    if (it == Registry().end()) return;
    doomed = std::move(it->second);
    Registry().erase(it);
  }
}
