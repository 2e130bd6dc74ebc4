#include "runtime/system/thread.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "runtime/system/registry_lock.h"

namespace {

// What a thread handle tells: whether the thread has ended. Shared by the
// thread itself and its registry entry, so either may go first.
struct ThreadState {
  std::atomic<bool> ended{false};
};

struct ThreadEntry {
  std::shared_ptr<ThreadState> state;
  std::int64_t number;
};

// Guarded by ThreadRegistryLock(); never destroyed, as threads may outlive
// static destruction.
struct ThreadRegistry {
  std::vector<ThreadEntry> entries;
  std::int64_t nextNumber = 1;
};

ThreadRegistry& Registry() {
  static ThreadRegistry* registry = new ThreadRegistry;
  return *registry;
}

ThreadEntry* FindEntry(std::int64_t number) {
  for (ThreadEntry& entry : Registry().entries)
    if (entry.number == number) return &entry;
  return nullptr;
}

}  // namespace

std::int64_t Thr_Create(ThreadProc proc, std::int64_t argument) {
  if (!proc) return 0;
  std::shared_ptr<ThreadState> state;
  try {
    state = std::make_shared<ThreadState>();
    std::thread thread([proc, argument, state] {
      proc(argument);
      state->ended.store(true, std::memory_order_release);
    });
    // The entry's state stands in for the handle; the thread cleans up after
    // itself when it ends.
    thread.detach();
  } catch (const std::system_error&) {
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }

  std::lock_guard lock(ThreadRegistryLock());
  ThreadRegistry& registry = Registry();
  std::erase_if(registry.entries, [](const ThreadEntry& entry) {
    return entry.state->ended.load(std::memory_order_acquire);
  });
  const std::int64_t number = registry.nextNumber++;
  registry.entries.push_back({std::move(state), number});
  return number;
}

int Thr_IsRunning(std::int64_t number) {
  std::lock_guard lock(ThreadRegistryLock());
  const ThreadEntry* entry = FindEntry(number);
  return entry && !entry->state->ended.load(std::memory_order_acquire) ? 1 : 0;
}

void Thr_Shutdown() {
  std::lock_guard lock(ThreadRegistryLock());
  Registry().entries.clear();
}

std::size_t Thr_EntryCount() {
  std::lock_guard lock(ThreadRegistryLock());
  return Registry().entries.size();
}
