#include "runtime/system/mutex.h"

#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

#include "runtime/system/mutex_internal.h"
#include "runtime/system/registry_lock.h"

struct RtMutex {
  std::recursive_mutex mutex;
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

void Mtx_Lock(RtMutex* mutex) {
  if (mutex) mutex->mutex.lock();
}

int Mtx_TryLock(RtMutex* mutex) { return mutex && mutex->mutex.try_lock() ? 1 : 0; }

void Mtx_Unlock(RtMutex* mutex) {
  if (mutex) mutex->mutex.unlock();
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
