#include "runtime/system/mutex.h"

#include "runtime/system/condition.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <thread>
#include <vector>

namespace {

// TryLock from another thread, which also gives back what it took.
int TryLockElsewhere(RtMutex* mutex) {
  return std::async(std::launch::async,
                    [mutex] {
                      const int taken = Mtx_TryLock(mutex);
                      if (taken) Mtx_Unlock(mutex);
                      return taken;
                    })
      .get();
}

TEST(MutexTest, RecursiveOwnershipAndTryLockFromOtherThreads) {
  RtMutex* mutex = Mtx_Create();
  ASSERT_NE(mutex, nullptr);
  EXPECT_NE(TryLockElsewhere(mutex), 0);
  Mtx_Lock(mutex);
  Mtx_Lock(mutex);
  EXPECT_NE(Mtx_TryLock(mutex), 0);  // a third level, without waiting
  Mtx_Unlock(mutex);
  EXPECT_EQ(TryLockElsewhere(mutex), 0);
  Mtx_Unlock(mutex);
  EXPECT_EQ(TryLockElsewhere(mutex), 0) << "unlocked as often as locked, not sooner";
  Mtx_Unlock(mutex);
  EXPECT_NE(TryLockElsewhere(mutex), 0);
  Mtx_Free(mutex);
}

// Held means held by the caller: across recursion, a guard, and a wait on a
// condition that lets another thread hold it meanwhile.
TEST(MutexTest, IsHeldNamesOnlyTheOwningThread) {
  RtMutex* mutex = Mtx_Create();
  RtCondition* changed = Cnd_Create();
  EXPECT_EQ(Mtx_IsHeld(mutex), 0);
  EXPECT_EQ(Mtx_IsHeld(nullptr), 0);
  {
    const MtxGuard outer(mutex);
    Mtx_Lock(mutex);
    Mtx_Unlock(mutex);
    EXPECT_NE(Mtx_IsHeld(mutex), 0) << "one level is still held";
    EXPECT_EQ(std::async(std::launch::async, [mutex] { return Mtx_IsHeld(mutex); }).get(), 0);
    bool ready = false;
    int heldThere = -1;
    std::thread other([&] {
      const MtxGuard inner(mutex);  // only while the waiter below has let go
      heldThere = Mtx_IsHeld(mutex);
      ready = true;
      Cnd_Broadcast(changed);
    });
    while (!ready) Cnd_Wait(changed, mutex);
    other.join();
    EXPECT_EQ(heldThere, 1);
    EXPECT_NE(Mtx_IsHeld(mutex), 0) << "the waiter holds it again after the wait";
  }
  EXPECT_EQ(Mtx_IsHeld(mutex), 0);
  Cnd_Free(changed);
  Mtx_Free(mutex);
}

TEST(MutexTest, KeepsCountersExactUnderContention) {
  RtMutex* mutex = Mtx_Create();
  std::int64_t counter = 0;  // guarded by mutex only
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50000; ++i) {
        Mtx_Lock(mutex);
        counter = counter + 1;
        Mtx_Unlock(mutex);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 200000);
  Mtx_Free(mutex);
}

TEST(MutexTest, StaleAndMissingMutexesAreIgnored) {
  RtMutex* mutex = Mtx_Create();
  RtMutex* other = Mtx_Create();
  EXPECT_NE(mutex, other);
  Mtx_Free(mutex);
  Mtx_Free(mutex);  // already gone: ignored
  Mtx_Free(nullptr);
  Mtx_Lock(nullptr);
  Mtx_Unlock(nullptr);
  EXPECT_EQ(Mtx_TryLock(nullptr), 0);
  Mtx_Lock(other);  // the other one is untouched
  Mtx_Unlock(other);
  Mtx_Free(other);
}

}  // namespace
