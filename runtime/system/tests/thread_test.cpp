#include "runtime/system/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

std::atomic<std::int64_t> gSeenArgument{0};
std::atomic<bool> gRelease{false};

void Quick(std::int64_t argument) { gSeenArgument.store(argument); }
void WaitForRelease(std::int64_t) {
  while (!gRelease.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Polls until the thread has ended; false after a generous limit.
bool WaitUntilEnded(std::int64_t number) {
  for (int i = 0; i < 5000 && Thr_IsRunning(number); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return Thr_IsRunning(number) == 0;
}

TEST(ThreadTest, NumbersStartAtOneAndAreNotReusedInAFreshProcess) {
  // Runs in a process of its own so that earlier tests' threads do not count.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const std::int64_t first = Thr_Create(Quick, 0);
        WaitUntilEnded(first);
        const std::int64_t second = Thr_Create(Quick, 0);
        std::_Exit(static_cast<int>(first * 10 + second));
      },
      ::testing::ExitedWithCode(12), "");
}

TEST(ThreadTest, RunsTheProcedureAndNumbersFollowOn) {
  const std::int64_t a = Thr_Create(Quick, -1234567890123);
  ASSERT_GT(a, 0);
  ASSERT_TRUE(WaitUntilEnded(a));
  EXPECT_EQ(gSeenArgument.load(), -1234567890123);
  const std::int64_t b = Thr_Create(Quick, 0);
  const std::int64_t c = Thr_Create(Quick, 0);
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(c, b + 1);
  EXPECT_TRUE(WaitUntilEnded(b));
  EXPECT_TRUE(WaitUntilEnded(c));
  EXPECT_EQ(Thr_IsRunning(0), 0);
  EXPECT_EQ(Thr_IsRunning(-1), 0);
  EXPECT_EQ(Thr_IsRunning(c + 1000), 0);
  EXPECT_EQ(Thr_Create(nullptr, 0), 0) << "no procedure, no thread";
}

TEST(ThreadTest, EndedEntriesGoAtTheNextCreate) {
  gRelease = false;
  const std::int64_t waiting = Thr_Create(WaitForRelease, 0);
  const std::int64_t ended = Thr_Create(Quick, 0);
  ASSERT_TRUE(WaitUntilEnded(ended));
  EXPECT_EQ(Thr_IsRunning(waiting), 1);
  EXPECT_GE(Thr_EntryCount(), 2u);
  const std::int64_t next = Thr_Create(WaitForRelease, 0);
  // The ended thread's entry went, the running one stayed, the new one came.
  EXPECT_EQ(Thr_EntryCount(), 2u);
  EXPECT_EQ(Thr_IsRunning(waiting), 1);
  EXPECT_EQ(Thr_IsRunning(next), 1);
  gRelease = true;
  EXPECT_TRUE(WaitUntilEnded(waiting));
  EXPECT_TRUE(WaitUntilEnded(next));
}

TEST(ThreadTest, ShutdownForgetsThreadsWithoutStoppingThem) {
  gRelease = false;
  const std::int64_t number = Thr_Create(WaitForRelease, 0);
  Thr_Shutdown();
  EXPECT_EQ(Thr_EntryCount(), 0u);
  EXPECT_EQ(Thr_IsRunning(number), 0);
  gRelease = true;
  // Numbers go on after shut-down; the old thread finished on its own.
  const std::int64_t after = Thr_Create(Quick, 99);
  EXPECT_GT(after, number);
  ASSERT_TRUE(WaitUntilEnded(after));
  EXPECT_EQ(gSeenArgument.load(), 99);
}

}  // namespace
