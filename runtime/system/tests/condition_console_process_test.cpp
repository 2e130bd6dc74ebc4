// Condition variables, console lines and handing a document to the desktop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test_hooks.h"
#include "runtime/system/condition.h"
#include "runtime/system/console.h"
#include "runtime/system/mutex.h"
#include "runtime/system/process.h"

namespace {

// A producer hands items over one at a time; the consumer sleeps on the
// condition instead of polling and sees every item exactly once.
TEST(Condition, WaitsUntilSignalledAndTimesOut) {
  RtMutex* mutex = Mtx_Create();
  RtCondition* changed = Cnd_Create();
  ASSERT_TRUE(mutex && changed);

  Mtx_Lock(mutex);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Cnd_Wait(changed, mutex, 30), 0) << "nobody signals";
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
  Mtx_Unlock(mutex);

  int pending = 0, taken = 0;
  std::thread consumer([&] {
    Mtx_Lock(mutex);
    while (taken < 1000) {
      while (pending == 0) Cnd_Wait(changed, mutex);
      --pending;
      ++taken;
      Cnd_Broadcast(changed);
    }
    Mtx_Unlock(mutex);
  });
  for (int i = 0; i < 1000; ++i) {
    Mtx_Lock(mutex);
    while (pending > 0) Cnd_Wait(changed, mutex);
    ++pending;
    Cnd_Broadcast(changed);
    Mtx_Unlock(mutex);
  }
  consumer.join();
  EXPECT_EQ(taken, 1000);
  EXPECT_EQ(pending, 0);
  Cnd_Free(changed);
  Mtx_Free(mutex);
  EXPECT_EQ(Cnd_Wait(nullptr, nullptr, 0), 0);
  Cnd_Signal(nullptr);
  Cnd_Free(nullptr);
}

// Lines written by several threads arrive whole, each with a line feed, as UTF-8.
TEST(Console, PrintsWholeLinesFromAnyThread) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  std::fflush(stdout);
  const int saved = ::dup(1);
  ::dup2(pipeFds[1], 1);
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i) Con_PrintLine(u"Größe " + std::u16string(20, u'a' + t));
    });
  for (auto& w : writers) w.join();
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipeFds[0]);
  int lines = 0;
  for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
       start = end + 1, ++lines) {
    const std::string line = out.substr(start, end - start);
    ASSERT_EQ(line.size(), std::string("Größe ").size() + 20) << line;
    ASSERT_EQ(line.rfind("Größe ", 0), 0u);
  }
  EXPECT_EQ(lines, 200);
}

std::vector<std::u16string> gOpened;
bool RecordOpen(const std::u16string& path) {
  gOpened.push_back(path);
  return true;
}

// The document opener runs on the main thread, whichever thread asks.
TEST(Process, OpensDocumentsOnTheMainThreadOnly) {
  ASSERT_TRUE(Plat_IsStarted());
  gOpened.clear();
  Plat_TestSetDocumentOpener(&RecordOpen);
  EXPECT_EQ(Proc_Run(u"/tmp/a.png", u"", u"", 0), 1);
  EXPECT_EQ(gOpened, std::vector<std::u16string>{u"/tmp/a.png"});
  EXPECT_EQ(Proc_Run(u""), 0);

  std::atomic<int> result{-1};
  std::thread worker([&] { result = Proc_Run(u"/tmp/b c.png"); });
  worker.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(gOpened.size(), 1u) << "posted, not opened on the worker";
  for (int i = 0; i < 100 && gOpened.size() < 2; ++i) Plat_WaitMessage(10);
  ASSERT_EQ(gOpened.size(), 2u);
  EXPECT_EQ(gOpened[1], u"/tmp/b c.png");
  Plat_TestSetDocumentOpener(nullptr);
}

}  // namespace
