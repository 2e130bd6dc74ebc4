#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/platform_test_hooks.h"

namespace {

struct Log {
  std::vector<PlatMessage> messages;
  bool paintRed = false;
};

std::intptr_t Record(const PlatMessage& m, void* user) {
  auto* log = static_cast<Log*>(user);
  log->messages.push_back(m);
  if (m.id == kPlatPaint) {
    PlatRect r = Plat_ClientRect(m.window);
    Plat_PaintFill(m.window, 0, 0, r.width, r.height, log->paintRed ? 0xFF0000 : 0xFFFFFF);
  }
  return 0;
}

int Count(const Log& log, std::uint32_t id) {
  int n = 0;
  for (const auto& m : log.messages) n += m.id == id;
  return n;
}

PlatWindow OpenTop(Log* log, int w = 200, int h = 120) {
  PlatWindowSpec desc;
  desc.style = kPlatStyleTitle | kPlatStyleSystemMenu | kPlatStyleSizable;
  desc.width = w;
  desc.height = h;
  desc.text = u"Probe";
  desc.proc = Record;
  desc.user = log;
  return Plat_CreateWindow(desc);
}

TEST(PlatformWindow, CreateSizeTextPropertiesDestroy) {
  Log log;
  PlatWindow top = OpenTop(&log, 210, 130);
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(Plat_IsWindow(top));
  EXPECT_EQ(Plat_GetText(top), u"Probe");
  Plat_SetText(top, u"Zweite Überschrift");
  EXPECT_EQ(Plat_GetText(top), u"Zweite Überschrift");
  EXPECT_EQ(Plat_ClientRect(top).width, 210);
  EXPECT_EQ(Plat_ClientRect(top).height, 130);

  Plat_SetProperty(top, "KX_WindowID", 8);
  EXPECT_EQ(Plat_GetProperty(top, "KX_WindowID"), 8);
  EXPECT_EQ(Plat_GetProperty(top, "KX_Other"), 0);

  PlatWindowSpec desc;
  desc.parent = top;
  desc.style = kPlatStyleChild | kPlatStyleClientEdge;
  desc.x = 10;
  desc.y = 20;
  desc.width = 50;
  desc.height = 40;
  desc.proc = Record;
  desc.user = &log;
  PlatWindow child = Plat_CreateWindow(desc);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(Plat_Parent(child), top);
  EXPECT_EQ(Plat_TopLevel(child), top);
  PlatRect outer = Plat_OuterRect(child);
  EXPECT_EQ(outer.x, 10);
  EXPECT_EQ(outer.width, 50);
  // The client edge takes two pixels on each side.
  EXPECT_EQ(Plat_ClientRect(child).width, 46);
  EXPECT_EQ(Plat_ClientRect(child).height, 36);

  Plat_DestroyWindow(top);
  EXPECT_FALSE(Plat_IsWindow(top));
  EXPECT_FALSE(Plat_IsWindow(child));
  Plat_SetText(child, u"x");  // harmless
  Plat_WaitMessage(0);
}

TEST(PlatformWindow, CloseRequestLeavesTheWindow) {
  Log log;
  PlatWindow top = OpenTop(&log);
  Plat_Show(top, PlatShow::kNormal);
  Plat_TestRequestClose(top);
  EXPECT_EQ(Count(log, kPlatClose), 1);
  EXPECT_TRUE(Plat_IsWindow(top));
  EXPECT_TRUE(Plat_IsVisible(top));
  Plat_DestroyWindow(top);
}

TEST(PlatformWindow, ResizeSendsSizeWithClientSize) {
  Log log;
  PlatWindow top = OpenTop(&log);
  Plat_Show(top, PlatShow::kNormal);
  log.messages.clear();
  Plat_SetClientSize(top, 300, 222);
  ASSERT_GE(Count(log, kPlatSize), 1);
  const PlatMessage& last = [&]() -> const PlatMessage& {
    for (auto it = log.messages.rbegin(); it != log.messages.rend(); ++it)
      if (it->id == kPlatSize) return *it;
    return log.messages.back();
  }();
  EXPECT_EQ(last.x, 300);
  EXPECT_EQ(last.y, 222);
  EXPECT_EQ(last.wParam, kPlatSizeRestored);
  Plat_DestroyWindow(top);
}

TEST(PlatformLoop, TimeOutZeroReturnsAtOnceAndTimedWaitExpires) {
  Plat_WaitMessage(0);  // drain what earlier tests left
  EXPECT_EQ(Plat_WaitMessage(0), 0u);
  EXPECT_EQ(Plat_WaitMessage(30), 0u);
}

TEST(PlatformLoop, PostFromAnotherThreadReachesTheWindowProcedure) {
  Log log;
  PlatWindow top = OpenTop(&log);
  std::thread worker([top] {
    PlatMessage m;
    m.id = kPlatUser + 5;
    m.wParam = 77;
    Plat_PostMessage(top, m);
  });
  worker.join();
  EXPECT_EQ(Plat_WaitMessage(-1), static_cast<std::uint32_t>(kPlatUser + 5));
  ASSERT_EQ(Count(log, kPlatUser + 5), 1);
  EXPECT_EQ(log.messages.back().wParam, 77);
  EXPECT_EQ(log.messages.back().window, top);
  Plat_DestroyWindow(top);
}

TEST(PlatformLoop, PostToAGoneWindowFreesItsData) {
  Log log;
  PlatWindow top = OpenTop(&log);
  static std::atomic<int> dropped;
  dropped = 0;
  PlatMessage m;
  m.id = kPlatUser + 1;
  Plat_PostMessage(
      top, m, [](void*) { ++dropped; }, nullptr);
  Plat_DestroyWindow(top);
  Plat_WaitMessage(50);
  EXPECT_EQ(dropped.load(), 1);
}

// Counts what became of posted tasks: each accepted one must end up in
// exactly one of `ran` and `dropped`.
struct TaskTally {
  std::atomic<int> accepted{0};
  std::atomic<int> ran{0};
  std::atomic<int> dropped{0};
  bool Post() {
    const bool ok = Plat_PostTask([](void* t) { ++static_cast<TaskTally*>(t)->ran; }, this,
                                  [](void* t) { ++static_cast<TaskTally*>(t)->dropped; });
    if (ok) ++accepted;
    return ok;
  }
};

TEST(PlatformLoop, ShutDownWhileAnotherThreadPostsIsSafe) {
  TaskTally tally;
  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop) tally.Post();
  });
  for (int round = 0; round < 20; ++round) {
    // Each shut-down meets tasks in flight: wait until this round has
    // accepted some, whatever the scheduler does.
    const int before = tally.accepted;
    while (tally.accepted < before + 10) std::this_thread::yield();
    Plat_WaitMessage(0);
    Plat_Shutdown();
    ASSERT_TRUE(Plat_Startup());
  }
  stop = true;
  poster.join();
  // The tasks of the last round: run them, then end the account with one
  // more shut-down, after which nothing is pending anywhere.
  Plat_WaitMessage(0);
  Plat_Shutdown();
  ASSERT_TRUE(Plat_Startup());
  EXPECT_GE(tally.accepted, 20 * 10);
  EXPECT_EQ(tally.ran + tally.dropped, tally.accepted) << "every accepted task ran or was dropped";

  // Posting works after all this: a task from another thread runs.
  TaskTally after;
  std::thread([&] { EXPECT_TRUE(after.Post()); }).join();
  while (after.ran == 0) Plat_WaitMessage(-1);
  EXPECT_EQ(after.ran, 1);
  EXPECT_EQ(after.dropped, 0);
}

TEST(PlatformLoop, TasksPendingAtShutDownAreDroppedAndRefusedOnesAreNeither) {
  TaskTally tally;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(tally.Post());
  Plat_Shutdown();
  EXPECT_EQ(tally.ran, 0);
  EXPECT_EQ(tally.dropped, 5) << "each pending task released once";

  // While the platform is down a post is refused and its data is the caller's.
  EXPECT_FALSE(tally.Post());
  ASSERT_TRUE(Plat_Startup());
  EXPECT_EQ(tally.dropped, 5);
  EXPECT_EQ(tally.ran, 0);

  // A task that runs is not dropped as well, and a null task is refused.
  ASSERT_TRUE(tally.Post());
  while (tally.ran == 0) Plat_WaitMessage(-1);
  Plat_Shutdown();
  ASSERT_TRUE(Plat_Startup());
  EXPECT_EQ(tally.ran, 1);
  EXPECT_EQ(tally.dropped, 5);
  EXPECT_FALSE(Plat_PostTask(nullptr, &tally, [](void*) { FAIL(); }));
}

TEST(PlatformPaint, RepaintNowIsVisibleInAGrab) {
  Log log;
  PlatWindow top = OpenTop(&log, 100, 80);
  PlatWindowSpec desc;
  desc.parent = top;
  desc.style = kPlatStyleChild;
  desc.x = 5;
  desc.y = 5;
  desc.width = 40;
  desc.height = 30;
  desc.proc = Record;
  desc.user = &log;
  PlatWindow child = Plat_CreateWindow(desc);
  Plat_Show(child, PlatShow::kNormal);
  Plat_Show(top, PlatShow::kNormal);
  for (int i = 0; i < 5; ++i) Plat_WaitMessage(10);

  std::vector<std::uint8_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(child, &pixels, &w, &h));
  ASSERT_EQ(w, 40);
  EXPECT_EQ(pixels[0], 255);  // white
  log.paintRed = true;
  Plat_RepaintNow(child);  // no message loop in between
  ASSERT_TRUE(Plat_GrabWindow(child, &pixels, &w, &h));
  EXPECT_EQ(pixels[0], 0);    // blue
  EXPECT_EQ(pixels[2], 255);  // red
  Plat_DestroyWindow(top);
}

TEST(PlatformPaint, BitmapRowsAreBottomUp) {
  Log log;
  PlatWindow top = OpenTop(&log, 60, 60);
  struct Painter {
    std::vector<std::uint8_t> bits;
  } painter;
  // 4 x 2: bottom row (first in memory) blue, top row green.
  const int stride = 12;
  painter.bits.assign(stride * 2, 0);
  for (int x = 0; x < 4; ++x) {
    painter.bits[x * 3 + 0] = 255;           // bottom row: blue
    painter.bits[stride + x * 3 + 1] = 255;  // top row: green
  }
  PlatWindowSpec desc;
  desc.parent = top;
  desc.style = kPlatStyleChild;
  desc.width = 4;
  desc.height = 2;
  desc.proc = [](const PlatMessage& m, void* user) -> std::intptr_t {
    if (m.id == kPlatPaint) {
      auto* p = static_cast<Painter*>(user);
      Plat_PaintBitmap(m.window, p->bits.data(), 4, 2, 12, 0, 0);
    }
    return 0;
  };
  desc.user = &painter;
  PlatWindow child = Plat_CreateWindow(desc);
  Plat_Show(child, PlatShow::kNormal);
  Plat_Show(top, PlatShow::kNormal);
  for (int i = 0; i < 5; ++i) Plat_WaitMessage(10);  // until exposed
  std::vector<std::uint8_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(child, &pixels, &w, &h));
  ASSERT_EQ(h, 2);
  const int gs = (w * 3 + 3) & ~3;
  EXPECT_EQ(pixels[0], 255);  // grabbed bottom row is blue
  EXPECT_EQ(pixels[1], 0);
  EXPECT_EQ(pixels[gs + 1], 255);  // top row green
  EXPECT_EQ(pixels[gs + 0], 0);
  Plat_DestroyWindow(top);
}

TEST(PlatformInput, MouseKeysAndTabReachTheRightProcedure) {
  Log topLog, childLog;
  PlatWindow top = OpenTop(&topLog);
  PlatWindowSpec desc;
  desc.parent = top;
  desc.style = kPlatStyleChild | kPlatStyleTabStop;
  desc.width = 50;
  desc.height = 50;
  desc.proc = Record;
  desc.user = &childLog;
  PlatWindow child = Plat_CreateWindow(desc);
  Plat_Show(child, PlatShow::kNormal);
  Plat_Show(top, PlatShow::kNormal);

  Plat_TestInput(child, PlatTestInput::kMouseDown, 7, 9, kPlatButtonLeft, kPlatModShift);
  ASSERT_EQ(Count(childLog, kPlatLButtonDown), 1);
  EXPECT_EQ(childLog.messages.back().x, 7);
  EXPECT_EQ(childLog.messages.back().y, 9);
  EXPECT_EQ(childLog.messages.back().buttons, kPlatButtonLeft);
  EXPECT_EQ(childLog.messages.back().modifiers, kPlatModShift);
  Plat_TestInput(child, PlatTestInput::kMouseUp, 7, 9, kPlatButtonLeft, 0);
  EXPECT_EQ(childLog.messages.back().buttons, 0);
  Plat_TestInput(child, PlatTestInput::kWheel, 1, 1, 0, 0, -120);
  EXPECT_EQ(childLog.messages.back().wheelDelta, -120);

  Plat_SetFocus(child);
  Plat_TestInput(child, PlatTestInput::kKeyDown, 0, 0, 0, 0, 'A', U'a');
  ASSERT_GE(childLog.messages.size(), 2u);
  EXPECT_EQ(childLog.messages[childLog.messages.size() - 2].id, kPlatKeyDown);
  EXPECT_EQ(childLog.messages[childLog.messages.size() - 2].key, 'A');
  EXPECT_EQ(childLog.messages.back().id, kPlatChar);
  EXPECT_EQ(childLog.messages.back().character, U'a');

  topLog.messages.clear();
  Plat_TestInput(child, PlatTestInput::kKeyDown, 0, 0, 0, kPlatModShift, 0x09);
  ASSERT_EQ(Count(topLog, kPlatCommand), 1);
  EXPECT_EQ(topLog.messages.back().wParam, kPlatCommandPreviousControl);
  Plat_DestroyWindow(top);
}

TEST(PlatformDesktop, FilesDroppedOnAChildReachTheWindowInOrder) {
  struct Drops {
    std::vector<std::vector<std::u16string>> lists;
    PlatWindow window = nullptr;
  } drops;
  Log topLog, childLog;
  PlatWindow top = OpenTop(&topLog);
  PlatWindowSpec desc;
  desc.parent = top;
  desc.style = kPlatStyleChild;
  desc.x = 20;
  desc.y = 20;
  desc.width = 60;
  desc.height = 60;
  desc.proc = Record;
  desc.user = &childLog;
  PlatWindow child = Plat_CreateWindow(desc);
  Plat_Show(child, PlatShow::kNormal);
  Plat_Show(top, PlatShow::kNormal);
  const std::vector<std::u16string> files = {u"/tmp/b Kachel.xyz", u"/tmp/ä.zip", u"/tmp/a.xyz"};
  // Until the window asks for them, drops are refused.
  EXPECT_FALSE(Plat_TestDropFiles(top, files, 30, 30));

  Plat_AcceptFileDrops(
      top,
      [](PlatWindow window, const std::vector<std::u16string>& paths, void* user) {
        auto* d = static_cast<Drops*>(user);
        d->lists.push_back(paths);
        d->window = window;
      },
      &drops);
  EXPECT_TRUE(Plat_TestDropFiles(top, files, 30, 30)) << "over the child";
  EXPECT_TRUE(Plat_TestDropFiles(top, {u"/tmp/c.xyz"}, 5, 5)) << "beside it";
  ASSERT_EQ(drops.lists.size(), 2u);
  EXPECT_EQ(drops.lists[0], files);
  EXPECT_EQ(drops.lists[1], std::vector<std::u16string>{u"/tmp/c.xyz"});
  EXPECT_EQ(drops.window, top);
  // A drag without a file is refused and reaches nobody.
  EXPECT_FALSE(Plat_TestDropFiles(top, {}, 30, 30));
  Plat_AcceptFileDrops(top, nullptr, nullptr);
  EXPECT_FALSE(Plat_TestDropFiles(top, files, 30, 30));
  EXPECT_EQ(drops.lists.size(), 2u);
  Plat_DestroyWindow(top);
}

TEST(PlatformText, ExtentGrowsWithTheText) {
  Log log;
  PlatWindow top = OpenTop(&log);
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0, w3 = 0, h3 = 0;
  Plat_TextExtent(top, u"X", false, &w1, &h1);
  Plat_TextExtent(top, u"XXXX", false, &w2, &h2);
  Plat_TextExtent(top, u"XX\nXX", true, &w3, &h3);
  EXPECT_GT(w1, 0);
  EXPECT_GT(w2, w1);
  EXPECT_EQ(h1, h2);
  EXPECT_GE(h3, 2 * h1 - 2);
  Plat_DestroyWindow(top);
}

TEST(PlatformDesktop, DocumentsGoToTheDesktopOpener) {
  static std::u16string opened;
  Plat_TestSetDocumentOpener([](const std::u16string& path) {
    opened = path;
    return true;
  });
  EXPECT_TRUE(Plat_OpenDocument(u"/tmp/mosaik.png"));
  EXPECT_EQ(opened, u"/tmp/mosaik.png");
  Plat_TestSetDocumentOpener(nullptr);
  EXPECT_FALSE(Plat_OpenDocument(u""));
}

}  // namespace
