#include "runtime/system/event.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test_hooks.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

// What the handlers saw, in order.
std::vector<std::string> gCalls;
std::vector<ObjectHandle> gWindows;
std::vector<std::int64_t> gSubTypes;

void Drain() {
  while (Evt_QueueLength() > 0) Evt_Wait(0);
  for (int i = 0; i < 3; ++i) Evt_Wait(0);
  while (Evt_QueueLength() > 0) Evt_Wait(0);
}

class EventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Gad_InstallDefaultKind();
    Drain();
    gCalls.clear();
    gWindows.clear();
    gSubTypes.clear();
  }
  void TearDown() override {
    Win_Close(KX_Any);
    Drain();
  }
};

void HandlerA() { gCalls.push_back("A"); }
void HandlerB() { gCalls.push_back("B"); }
void HandlerC() { gCalls.push_back("C"); }
void RecordWindow() {
  gCalls.push_back("W");
  gWindows.push_back(Evt_Window());
  gSubTypes.push_back(Evt_SubType());
}

TEST_F(EventTest, IdenticalEventsBackToBackQueueOnceButRunTwice) {
  ASSERT_EQ(Evt_Bind(KX_Event_Gadget, HandlerA, 7, 3), 1);
  Evt_Raise(KX_Event_Gadget, 3, 7, 0);
  Evt_Raise(KX_Event_Gadget, 3, 7, 0);
  EXPECT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(Evt_QueueLength(), 1);
  // Another sub-type, or a type above 65535, is a new node.
  Evt_Raise(KX_Event_Gadget, 3, 7, 1);
  EXPECT_EQ(Evt_QueueLength(), 2);
  Evt_Raise(70000, 3, 7, 1);
  Evt_Raise(70000, 3, 7, 1);
  EXPECT_EQ(Evt_QueueLength(), 4);
  EXPECT_EQ(Evt_Wait(0), KX_Event_Gadget);
  EXPECT_EQ(Evt_Gadget(), 3);
  EXPECT_EQ(Evt_Window(), 7);
  EXPECT_EQ(Evt_SubType(), 0);
  EXPECT_EQ(Evt_Wait(0), KX_Event_Gadget);
  EXPECT_EQ(Evt_SubType(), 1);
  EXPECT_EQ(Evt_Wait(0), 70000);
  EXPECT_EQ(Evt_Wait(0), 70000);
  EXPECT_EQ(Evt_QueueLength(), 0);
  Evt_Unbind(KX_Event_Gadget, HandlerA, 7, 3);
}

TEST_F(EventTest, DeferredEventsRunTheirHandlersWhenTaken) {
  Evt_Bind(500, HandlerA);
  Evt_Raise(500, 0, 1, 0, nullptr, nullptr, kEventDeferred);
  Evt_Raise(500, 0, 1, 0, nullptr, nullptr, kEventDeferred);
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(Evt_QueueLength(), 2);
  EXPECT_EQ(Evt_Wait(0), 500);
  EXPECT_EQ(gCalls.size(), 1u);
  Evt_Unbind(500, HandlerA);
}

TEST_F(EventTest, HandlersOfOneKeyRunNewestFirst) {
  Evt_Bind(KX_Event_SizeWindow, HandlerA, 4);
  Evt_Bind(KX_Event_SizeWindow, HandlerB, 4);
  Evt_Bind(KX_Event_SizeWindow, HandlerC, 4);
  Evt_Raise(KX_Event_SizeWindow, 0, 4, 0);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"C", "B", "A"}));
  EXPECT_EQ(Evt_Unbind(KX_Event_SizeWindow, HandlerA, 4), 1);
  EXPECT_EQ(Evt_Unbind(KX_Event_SizeWindow, HandlerB, 4), 1);
  EXPECT_EQ(Evt_Unbind(KX_Event_SizeWindow, HandlerC, 4), 1);
  EXPECT_EQ(Evt_Unbind(KX_Event_SizeWindow, HandlerC, 4), 0);
}

TEST_F(EventTest, FiveLookupsInOrderAndEachKeyOnce) {
  // Bound in reverse so that newest-first cannot explain the order.
  Evt_Bind(
      900, [] { gCalls.push_back("5 any window"); }, -1, 2, 9);
  Evt_Bind(900, [] { gCalls.push_back("4 type only"); });
  Evt_Bind(
      900, [] { gCalls.push_back("3 window"); }, 1);
  Evt_Bind(
      900, [] { gCalls.push_back("2 any sub-type"); }, 1, 2);
  Evt_Bind(
      900, [] { gCalls.push_back("1 exact"); }, 1, 2, 9);
  Evt_Bind(
      900, [] { gCalls.push_back("other object"); }, 1, 3);
  Evt_Raise(900, 2, 1, 9);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"1 exact", "2 any sub-type", "3 window",
                                              "4 type only", "5 any window"}));
  // Without a window the first and the fifth lookup name one key (and the
  // third and the fourth): each runs once.
  gCalls.clear();
  Evt_Raise(900, 2, -1, 9);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"5 any window", "4 type only"}));
}

void SelfUnbinding() {
  gCalls.push_back("self");
  EXPECT_EQ(Evt_Unbind(600, SelfUnbinding), 1);
}

TEST_F(EventTest, HandlerUnbindingItselfLetsTheOthersRun) {
  Evt_Bind(600, HandlerA);
  Evt_Bind(600, SelfUnbinding);
  Evt_Bind(600, HandlerB);
  Evt_Raise(600, 0, -1, 0);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"B", "self", "A"}));
  gCalls.clear();
  Evt_Raise(600, 1, -1, 0);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"B", "A"}));
  Evt_Unbind(600, HandlerA);
  Evt_Unbind(600, HandlerB);
  gCalls.clear();
  Evt_Raise(600, 2, -1, 0);
  EXPECT_TRUE(gCalls.empty());
}

TEST_F(EventTest, WaitWithTimeOutZeroReturnsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Evt_Wait(0), 0);
  EXPECT_EQ(Evt_Wait(20), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
}

TEST_F(EventTest, SuspendedThreadRaisesNothingButPostedEvents) {
  Evt_Bind(700, HandlerA);
  Evt_Suspend();
  Evt_Raise(700, 0, -1, 0);
  EXPECT_EQ(Evt_QueueLength(), 0);
  EXPECT_TRUE(gCalls.empty());
  static std::atomic<int> freed{0};
  std::thread worker([] {
    Evt_Post(700, 5, -1, 2, new int(42), [](void* p) {
      ++freed;
      delete static_cast<int*>(p);
    });
  });
  worker.join();
  int data = 0;
  Evt_Bind(
      700, [] {}, -1, 5, 2);  // placeholder so the next bind reads the data
  Evt_Unbind(
      700, [] {}, -1, 5, 2);
  for (int i = 0; i < 50 && gCalls.empty(); ++i) Evt_Wait(10);
  Evt_Resume();
  ASSERT_EQ(gCalls.size(), 1u);
  ASSERT_EQ(Evt_QueueLength(), 1);
  EXPECT_EQ(Evt_Wait(0), 700);
  EXPECT_EQ(Evt_Gadget(), 5);
  EXPECT_EQ(Evt_SubType(), 2);
  ASSERT_NE(Evt_Data(), nullptr);
  data = *static_cast<int*>(Evt_Data());
  EXPECT_EQ(data, 42);
  EXPECT_EQ(freed.load(), 0);
  Evt_Raise(701, 0, -1, 0);
  Evt_Wait(0);  // the next current event releases the posted data
  EXPECT_EQ(freed.load(), 1);
  Evt_Unbind(700, HandlerA);
}

TEST_F(EventTest, OpenedWindowCarriesItsNumberPlusOne) {
  const ObjectHandle fixed = 3;
  const ObjectHandle handle = Win_Open(fixed, 10, 10, 240, 160, u"Fixed");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(reinterpret_cast<void*>(handle), Win_Native(fixed));
  EXPECT_EQ(Plat_GetProperty(static_cast<PlatWindow>(Win_Native(fixed)), "KX_WindowID"), 4);
  EXPECT_EQ(Win_InnerWidth(fixed), 240);
  EXPECT_EQ(Win_InnerHeight(fixed), 160);
  EXPECT_EQ(Win_Title(fixed), u"Fixed");

  const ObjectHandle dynamic = Win_Open(KX_Any, 0, 0, 100, 80, u"Dynamic", KX_Window_Invisible);
  ASSERT_NE(dynamic, 0);
  EXPECT_TRUE(Win_IsWindow(dynamic));
  EXPECT_FALSE(Plat_IsVisible(static_cast<PlatWindow>(Win_Native(dynamic))));
  EXPECT_TRUE(Plat_IsVisible(static_cast<PlatWindow>(Win_Native(fixed))));
  EXPECT_EQ(Win_FromNative(Win_Native(dynamic)), dynamic);
  // New gadgets go into the last opened window.
  EXPECT_EQ(Gad_CurrentList(), Win_Native(dynamic));
  EXPECT_FALSE(Win_IsWindow(99));
  EXPECT_FALSE(Win_IsWindow(12345678));
}

TEST_F(EventTest, CentredWindowSitsInTheMiddleOfTheScreen) {
  const ObjectHandle w =
      Win_Open(KX_Any, 0, 0, 200, 100, u"Mitte", KX_Window_ScreenCentered | KX_Window_SystemMenu);
  ASSERT_NE(w, 0);
  const PlatRect area = Plat_WorkArea();
  ASSERT_GT(area.width, 200);
  EXPECT_NEAR(Win_X(w) + Win_Width(w) / 2, area.x + area.width / 2, 1);
  EXPECT_NEAR(Win_Y(w) + Win_Height(w) / 2, area.y + area.height / 2, 1);
}

ObjectHandle gClosing = 0;
void CloseHandler() {
  gCalls.push_back("close");
  gWindows.push_back(Evt_Window());
}

TEST_F(EventTest, CloseRequestDoesNotDestroyTheWindow) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 200, 100, u"Schließen", KX_Window_SystemMenu);
  Evt_Bind(KX_Event_CloseWindow, CloseHandler, w);
  Plat_TestRequestClose(static_cast<PlatWindow>(Win_Native(w)));
  ASSERT_EQ(gCalls, (std::vector<std::string>{"close"}));
  EXPECT_EQ(gWindows[0], w);
  EXPECT_TRUE(Win_IsWindow(w));
  EXPECT_EQ(Evt_Wait(0), KX_Event_CloseWindow);
  EXPECT_EQ(Evt_Gadget(), w);

  // A handler that closes it: the window goes, with its bindings and events.
  gClosing = w;
  Evt_Bind(
      KX_Event_CloseWindow, [] { Win_Close(gClosing); }, w);
  Evt_Raise(KX_Event_MoveWindow, w, w, 0);
  Evt_Raise(KX_Event_MoveWindow, 1, -1, 0);  // another window's event stays
  Plat_TestRequestClose(static_cast<PlatWindow>(Win_Native(w)));
  EXPECT_FALSE(Win_IsWindow(w));
  EXPECT_EQ(Evt_Unbind(KX_Event_CloseWindow, CloseHandler, w), 0);
  EXPECT_EQ(Evt_QueueLength(), 1);
  EXPECT_EQ(Evt_Wait(0), KX_Event_MoveWindow);
  EXPECT_EQ(Evt_Gadget(), 1);
  Win_Close(w);  // twice: harmless
}

int gSizes = 0;
TEST_F(EventTest, EachSizeStepRaisesOneEventAndOnlyTheLatestWaits) {
  const ObjectHandle w =
      Win_Open(KX_Any, 0, 0, 300, 200, u"Größe", KX_Window_SizeGadget | KX_Window_SystemMenu);
  Drain();
  gSizes = 0;
  Evt_Bind(
      KX_Event_SizeWindow,
      [] {
        ++gSizes;
        gWindows.push_back(Evt_Window());
      },
      w);
  for (int step = 1; step <= 5; ++step)
    Win_Resize(w, KX_Unchanged, KX_Unchanged, 300 + step * 10, 200);
  EXPECT_EQ(gSizes, 5);
  EXPECT_EQ(gWindows.back(), w);
  int sizeEvents = 0;
  while (Evt_QueueLength() > 0) sizeEvents += Evt_Wait(0) == KX_Event_SizeWindow;
  EXPECT_EQ(sizeEvents, 1);
  EXPECT_EQ(Win_InnerWidth(w), 350);
}

TEST_F(EventTest, MinimiseMaximiseRestore) {
  const ObjectHandle w =
      Win_Open(KX_Any, 0, 0, 300, 200, u"Zustand",
               KX_Window_SizeGadget | KX_Window_MaximizeGadget | KX_Window_MinimizeGadget);
  Drain();
  Evt_Bind(
      KX_Event_MinimizeWindow, [] { gCalls.push_back("min"); }, w);
  Evt_Bind(
      KX_Event_MaximizeWindow, [] { gCalls.push_back("max"); }, w);
  Evt_Bind(
      KX_Event_RestoreWindow, [] { gCalls.push_back("restore"); }, w);
  Evt_Bind(
      KX_Event_SizeWindow, [] { gCalls.push_back("size"); }, w);
  auto native = static_cast<PlatWindow>(Win_Native(w));
  Plat_Show(native, PlatShow::kMaximized);
  for (int i = 0; i < 5; ++i) Evt_Wait(5);
  ASSERT_FALSE(gCalls.empty());
  EXPECT_EQ(gCalls.front(), "max");
  EXPECT_EQ(gCalls.back(), "size");
  EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), "max"), 1);
  gCalls.clear();
  Plat_Show(native, PlatShow::kNormal);
  for (int i = 0; i < 5; ++i) Evt_Wait(5);
  ASSERT_FALSE(gCalls.empty());
  EXPECT_EQ(gCalls.front(), "restore");
  EXPECT_EQ(gCalls.back(), "size");
  gCalls.clear();
  Plat_Show(native, PlatShow::kMinimized);
  for (int i = 0; i < 5; ++i) Evt_Wait(5);
  ASSERT_FALSE(gCalls.empty());
  EXPECT_EQ(gCalls.front(), "min");
}

TEST_F(EventTest, SizeBoundsConvertKeepAndCap) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 400, 300, u"Grenzen", KX_Window_SizeGadget);
  int ew = 0, eh = 0;
  Plat_FrameExtents(static_cast<PlatWindow>(Win_Native(w)), &ew, &eh);
  Win_SetBounds(w, 300, 200, 50000, 900);
  EXPECT_EQ(Win_Bound(w, 0), 300 + ew);
  EXPECT_EQ(Win_Bound(w, 1), 200 + eh);
  EXPECT_EQ(Win_Bound(w, 2), 32000 + ew);
  EXPECT_EQ(Win_Bound(w, 3), 900 + eh);
  Win_SetBounds(w, KX_Unchanged, -1, KX_Unchanged, -1);
  EXPECT_EQ(Win_Bound(w, 0), 300 + ew);
  EXPECT_EQ(Win_Bound(w, 1), 0);
  EXPECT_EQ(Win_Bound(w, 2), 32000 + ew);
  EXPECT_EQ(Win_Bound(w, 3), 0);
  // The window cannot be made smaller than its minimum.
  Win_Resize(w, KX_Unchanged, KX_Unchanged, 100, 100);
  EXPECT_EQ(Win_InnerWidth(w), 300);
  EXPECT_EQ(Win_InnerHeight(w), 100);
  Win_SetBounds(12345, 1, 1, 1, 1);  // no window: nothing happens
}

// A plain child window registered as a gadget, as control kinds do.
ObjectHandle MakeGadget(ObjectHandle window, ObjectHandle number, bool tabStop) {
  PlatWindowSpec desc;
  desc.parent = static_cast<PlatWindow>(Win_Native(window));
  desc.style = kPlatStyleChild | (tabStop ? std::uint32_t{kPlatStyleTabStop} : 0u);
  desc.width = 40;
  desc.height = 20;
  PlatWindow child = Plat_CreateWindow(desc);
  static const GadgetKind kPlainKind = {.id = 901, .free = [](GadgetRecord& g) {
                                          Plat_DestroyWindow(static_cast<PlatWindow>(g.handle));
                                        }};
  ObjectHandle assigned = 0;
  Gad_Register(number, &kPlainKind, child, 0, &assigned);
  Plat_Show(child, PlatShow::kNormal);
  return assigned;
}

TEST_F(EventTest, GadgetCommandFoundByTheSecondLookupWhateverTheSubType) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Knöpfe");
  const ObjectHandle button = MakeGadget(w, KX_Any, false);
  ASSERT_EQ(Evt_BindGadget(button, RecordWindow), 1);
  PlatMessage command;
  command.id = kPlatCommand;
  command.lParam = reinterpret_cast<std::intptr_t>(Gad_Record(button)->handle);
  command.wParam = 0;
  Plat_Send(static_cast<PlatWindow>(Win_Native(w)), command);
  command.wParam = 5;
  Plat_Send(static_cast<PlatWindow>(Win_Native(w)), command);
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gWindows, (std::vector<ObjectHandle>{w, w}));
  EXPECT_EQ(gSubTypes, (std::vector<std::int64_t>{0, 5}));
  EXPECT_EQ(Evt_Wait(0), KX_Event_Gadget);
  EXPECT_EQ(Evt_Gadget(), button);
  EXPECT_EQ(Evt_Unbind(KX_Event_Gadget, RecordWindow, w, button, -1), 1);
  Gad_Free(button);

  // Controls numbered -10000 are not the program's.
  const ObjectHandle hidden = MakeGadget(w, 5, false);
  Plat_SetProperty(static_cast<PlatWindow>(Gad_Record(hidden)->handle), "KX_ID", -10000);
  Evt_Bind(KX_Event_Gadget, HandlerA);
  command.lParam = reinterpret_cast<std::intptr_t>(Gad_Record(hidden)->handle);
  Drain();
  Plat_Send(static_cast<PlatWindow>(Win_Native(w)), command);
  EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), "A"), 0);
  Evt_Unbind(KX_Event_Gadget, HandlerA);
  Gad_Free(hidden);
}

TEST_F(EventTest, MenuTimerTrayAndClickMessagesRaiseTheirEvents) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 200, 100, u"Meldungen");
  auto native = static_cast<PlatWindow>(Win_Native(w));
  Drain();
  auto send = [native](std::uint32_t id, std::intptr_t wParam, std::intptr_t lParam = 0) {
    PlatMessage m;
    m.id = id;
    m.wParam = wParam;
    m.lParam = lParam;
    Plat_Send(native, m);
  };
  send(kPlatCommand, 42);
  send(kPlatTimer, 7);
  send(kPlatTrayIcon, 3, kPlatRButtonDblClk);
  send(kPlatTrayIcon, 3, kPlatMouseMove);  // not a click: nothing
  send(kPlatLButtonUp, 0);
  send(kPlatLButtonDblClk, 0);
  send(kPlatRButtonUp, 0);
  struct Expect {
    int type;
    ObjectHandle object;
    std::int64_t subType;
  } expected[] = {{KX_Event_Menu, 42, 0},           {KX_Event_Timer, 7, 0},
                  {KX_Event_SysTray, 3, 3},         {KX_Event_LeftClick, 0, 0},
                  {KX_Event_LeftDoubleClick, 0, 0}, {KX_Event_RightClick, 0, 0}};
  for (const Expect& e : expected) {
    EXPECT_EQ(Evt_Wait(0), e.type);
    EXPECT_EQ(Evt_Gadget(), e.object);
    EXPECT_EQ(Evt_SubType(), e.subType);
    EXPECT_EQ(Evt_Window(), w);
  }
  EXPECT_EQ(Evt_QueueLength(), 0);
}

TEST_F(EventTest, TabMovesTheFocusAndActivationRemembersIt) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Fokus");
  const ObjectHandle first = MakeGadget(w, KX_Any, true);
  MakeGadget(w, KX_Any, false);  // not a tab stop
  const ObjectHandle second = MakeGadget(w, KX_Any, true);
  auto native = static_cast<PlatWindow>(Win_Native(w));
  Plat_Activate(native);
  for (int i = 0; i < 5; ++i) Evt_Wait(5);
  Gad_Focus(first);
  ASSERT_EQ(Plat_Focus(), Gad_Record(first)->handle);
  Plat_TestInput(Plat_Focus(), PlatTestInput::kKeyDown, 0, 0, 0, 0, 0x09);
  EXPECT_EQ(Plat_Focus(), Gad_Record(second)->handle);
  Plat_TestInput(Plat_Focus(), PlatTestInput::kKeyDown, 0, 0, 0, kPlatModShift, 0x09);
  EXPECT_EQ(Plat_Focus(), Gad_Record(first)->handle);

  // Deactivation remembers the focused control, activation restores it.
  Evt_Bind(
      KX_Event_DeactivateWindow, [] { gCalls.push_back("off"); }, w);
  Evt_Bind(
      KX_Event_ActivateWindow, [] { gCalls.push_back("on"); }, w);
  PlatMessage m;
  m.id = kPlatActivate;
  m.wParam = 0;
  Plat_Send(native, m);
  Gad_Focus(second);
  m.wParam = 1;
  Plat_Send(native, m);
  EXPECT_EQ(Plat_Focus(), Gad_Record(first)->handle);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"off", "on"}));
  Gad_Free(KX_Any);
}

TEST_F(EventTest, GadgetTextFromAWorkerArrivesOnTheMainThreadWithoutBlocking) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Status");
  const ObjectHandle g = MakeGadget(w, KX_Any, false);
  Gad_SetText(g, u"vorher");
  std::thread worker([g] {
    Gad_SetText(g, u"Lese Datei");
    Gad_Resize(g, 5, 6, 70, 30);
    // Reading the size is answered at once, from what the main thread last saw.
    EXPECT_EQ(Gad_Width(g), 40);
  });
  worker.join();  // the main thread was not pumping: the worker did not wait for it
  EXPECT_EQ(Gad_GetText(g), u"vorher");
  for (int i = 0; i < 10 && Gad_GetText(g) != u"Lese Datei"; ++i) Evt_Wait(10);
  EXPECT_EQ(Gad_GetText(g), u"Lese Datei");
  EXPECT_EQ(Gad_Width(g), 70);
  EXPECT_EQ(Gad_Height(g), 30);
  Gad_Free(g);
  std::thread late([g] { Gad_SetText(g, u"zu spät"); });
  late.join();
  Evt_Wait(10);  // the gadget is gone: nothing happens
}

}  // namespace
