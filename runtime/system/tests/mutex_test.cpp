#include "runtime/system/mutex.h"

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
