// The job queue and its worker: order, the queue line, dispatch, idling.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <thread>
#include <type_traits>

#include "app/tests/core_test_support.h"

namespace {

using Events = std::vector<std::string>;

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

TEST_F(CoreTest, JobsRunInQueueOrderAndTheQueueLineCountsDown) {
  const std::u16string a = Write("a.xyz", "1,1,1\n"), b = Write("B.XYZ", "2,2,2\n"),
                       c = Write("c.Xyz", "3,3,3\n");
  for (const auto& path : {a, b, c}) EnqueueJob(Core(), JobKind::LoadFile, path);
  EXPECT_EQ(Recorder::Get().Take("queue:"),
            (Events{"1 Aufgaben in der Warteschlange", "2 Aufgaben in der Warteschlange",
                    "3 Aufgaben in der Warteschlange"}));
  StartTheWorker();
  WaitForIdleWorker(Core());
  Events queue, reads;
  for (const auto& e : Recorder::Get().Take()) {
    if (e.rfind("queue:", 0) == 0) queue.push_back(e.substr(6));
    if (e.rfind("status:Lese", 0) == 0) reads.push_back(e.substr(12, 5));
  }
  EXPECT_EQ(queue, (Events{"2 Aufgaben in der Warteschlange", "1 Aufgaben in der Warteschlange",
                           "0 Aufgaben in der Warteschlange"}));
  EXPECT_EQ(reads, (Events{"a.xyz", "B.XYZ", "c.Xyz"})) << "extensions compared in lower case";
  EXPECT_EQ(Core().tiles->Size(), 3);
}

// A job's kind is one of JobKind's: a bare number cannot make one.
static_assert(!std::is_invocable_v<decltype(&EnqueueJob), Converter&, int, const std::u16string&>);
static_assert(!std::is_convertible_v<int, JobKind>);

TEST_F(CoreTest, UnknownExtensionsAreDroppedSilently) {
  StartTheWorker();
  for (const char* name : {"notes.txt", "noextension", "tile.xyz.bak", ".xyz"})
    EnqueueJob(Core(), JobKind::LoadFile, Write(name, "1,1,1\n"));
  WaitForIdleWorker(Core());
  for (const auto& e : Recorder::Get().Take())
    EXPECT_EQ(e.rfind("queue:", 0), 0u) << e << ": only the queue line changes";
  EXPECT_EQ(Core().tiles->Size(), 0);
}

TEST_F(CoreTest, AnIdleWorkerSleeps) {
  StartTheWorker();
  EnqueueJob(Core(), JobKind::LoadFile, Write("a.xyz", "1,1,1\n"));
  WaitForIdleWorker(Core());
  const double before = ProcessSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // A worker that polled the queue would burn the whole 0.3 s.
  EXPECT_LT(ProcessSeconds() - before, 0.05);
  EnqueueJob(Core(), JobKind::LoadFile, Write("b.xyz", "2,2,2\n"));
  WaitForIdleWorker(Core());
  EXPECT_EQ(Core().tiles->Size(), 2) << "and wakes for the next job";
}

TEST_F(CoreTest, StoppingTheWorkerLeavesQueuedJobsQueued) {
  StartTheWorker();
  StopWorker(Core());
  EnqueueJob(Core(), JobKind::LoadFile, Write("a.xyz", "1,1,1\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Core().jobQueue->Size(), 1);
  StartTheWorker();
  WaitForIdleWorker(Core());
  EXPECT_EQ(Core().tiles->Size(), 1);
}

}  // namespace
