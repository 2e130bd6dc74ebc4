#include "runtime/system/mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

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

class MutexTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(mutex, nullptr); }
  void TearDown() override { Mtx_Free(mutex); }
  RtMutex* mutex = Mtx_Create();
};

TEST_F(MutexTest, TryLockFailsAtOnceWhileAnotherThreadHoldsIt) {
  EXPECT_NE(TryLockElsewhere(mutex), 0);
  Mtx_Lock(mutex);
  EXPECT_EQ(TryLockElsewhere(mutex), 0);
  Mtx_Unlock(mutex);
  EXPECT_NE(TryLockElsewhere(mutex), 0);
}

TEST_F(MutexTest, TheOwnerMayLockAgainAndMustUnlockAsOften) {
  Mtx_Lock(mutex);
  Mtx_Lock(mutex);
  EXPECT_NE(Mtx_TryLock(mutex), 0);  // a third level, without waiting
  Mtx_Unlock(mutex);
  EXPECT_EQ(TryLockElsewhere(mutex), 0);
  Mtx_Unlock(mutex);
  EXPECT_EQ(TryLockElsewhere(mutex), 0);
  Mtx_Unlock(mutex);
  EXPECT_NE(TryLockElsewhere(mutex), 0);
}

TEST_F(MutexTest, LockWaitsForTheOwner) {
  Mtx_Lock(mutex);
  std::atomic<bool> got{false};
  std::thread other([&] {
    Mtx_Lock(mutex);
    got = true;
    Mtx_Unlock(mutex);
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(got.load());
  Mtx_Unlock(mutex);
  other.join();
  EXPECT_TRUE(got.load());
}

TEST_F(MutexTest, KeepsCountersExactUnderContention) {
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
}

TEST(MutexFreeTest, StaleAndMissingMutexesAreIgnored) {
  RtMutex* mutex = Mtx_Create();
  RtMutex* other = Mtx_Create();
  EXPECT_NE(mutex, other);
  Mtx_Free(mutex);
  Mtx_Free(mutex);  // already gone: ignored
  Mtx_Free(nullptr);
  Mtx_Lock(nullptr);
  Mtx_Unlock(nullptr);
  EXPECT_EQ(Mtx_TryLock(nullptr), 0);
  // The other one is untouched.
  Mtx_Lock(other);
  Mtx_Unlock(other);
  Mtx_Free(other);
}

}  // namespace
