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

// What the handlers saw, one letter per call, in order.
std::string gCalls;
std::vector<ObjectHandle> gWindows;
std::vector<std::int64_t> gSubTypes;

template <char C>
void Mark() {
  gCalls += C;
}
void RecordWindow() {
  gCalls += 'W';
  gWindows.push_back(Evt_Window());
  gSubTypes.push_back(Evt_SubType());
}

void Drain() {
  for (int i = 0; i < 3 || Evt_QueueLength() > 0; ++i) Evt_Wait(0);
}
void Pump() {
  for (int i = 0; i < 5; ++i) Evt_Wait(5);
}
PlatWindow Native(ObjectHandle window) { return static_cast<PlatWindow>(Win_Native(window)); }
void Send(PlatWindow to, std::uint32_t id, std::intptr_t wParam, std::intptr_t lParam = 0) {
  Plat_Send(to, {.id = id, .wParam = wParam, .lParam = lParam});
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

TEST_F(EventTest, IdenticalEventsBackToBackQueueOnceButRunTwice) {
  ASSERT_EQ(Evt_Bind(KX_Event_Gadget, Mark<'A'>, 7, 3), 1);
  Evt_Raise(KX_Event_Gadget, 3, 7, 0);
  Evt_Raise(KX_Event_Gadget, 3, 7, 0);
  EXPECT_EQ(gCalls, "AA");
  EXPECT_EQ(Evt_QueueLength(), 1);
  // Another sub-type, or a type above 65535, is a new node.
  Evt_Raise(KX_Event_Gadget, 3, 7, 1);
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
  Evt_Unbind(KX_Event_Gadget, Mark<'A'>, 7, 3);

  // Deferred events run their handlers only when taken.
  gCalls.clear();
  Evt_Bind(500, Mark<'D'>);
  Evt_Raise(500, 0, 1, 0, nullptr, nullptr, kEventDeferred);
  Evt_Raise(500, 0, 1, 0, nullptr, nullptr, kEventDeferred);
  EXPECT_EQ(Evt_QueueLength(), 2);
  EXPECT_EQ(gCalls, "");
  EXPECT_EQ(Evt_Wait(0), 500);
  EXPECT_EQ(gCalls, "D");
  Evt_Unbind(500, Mark<'D'>);
}

TEST_F(EventTest, FiveLookupsInOrderAndEachKeyOnce) {
  // Bound in reverse so that newest-first cannot explain the order.
  Evt_Bind(900, Mark<'5'>, -1, 2, 9);  // any window
  Evt_Bind(900, Mark<'4'>);            // type only
  Evt_Bind(900, Mark<'3'>, 1);         // window
  Evt_Bind(900, Mark<'2'>, 1, 2);      // any sub-type
  Evt_Bind(900, Mark<'1'>, 1, 2, 9);   // exact
  Evt_Bind(900, Mark<'x'>, 1, 3);      // another object
  Evt_Raise(900, 2, 1, 9);
  EXPECT_EQ(gCalls, "12345");
  // Without a window the first and the fifth lookup name one key (and the
  // third and the fourth): each runs once.
  gCalls.clear();
  Evt_Raise(900, 2, -1, 9);
  EXPECT_EQ(gCalls, "54");
  Evt_Unbind(900, Mark<'5'>, -1, 2, 9);
  Evt_Unbind(900, Mark<'4'>);
  Evt_Unbind(900, Mark<'3'>, 1);
  Evt_Unbind(900, Mark<'2'>, 1, 2);
  Evt_Unbind(900, Mark<'1'>, 1, 2, 9);
  Evt_Unbind(900, Mark<'x'>, 1, 3);
}

void SelfUnbinding() {
  gCalls += 's';
  EXPECT_EQ(Evt_Unbind(600, SelfUnbinding), 1);
}

TEST_F(EventTest, NewestFirstAndAHandlerUnbindingItselfLetsTheOthersRun) {
  Evt_Bind(600, Mark<'A'>);
  Evt_Bind(600, SelfUnbinding);
  Evt_Bind(600, Mark<'B'>);
  Evt_Raise(600, 0, -1, 0);
  Evt_Raise(600, 1, -1, 0);
  EXPECT_EQ(gCalls, "BsABA");
  EXPECT_EQ(Evt_Unbind(600, Mark<'A'>), 1);
  EXPECT_EQ(Evt_Unbind(600, Mark<'B'>), 1);
  EXPECT_EQ(Evt_Unbind(600, Mark<'B'>), 0);
  Evt_Raise(600, 2, -1, 0);
  EXPECT_EQ(gCalls, "BsABA");

  // Nothing waiting: time-out 0 returns at once, a time-out waits.
  Drain();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Evt_Wait(0), 0);
  EXPECT_EQ(Evt_Wait(20), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
}

TEST_F(EventTest, SuspendedThreadRaisesNothingButPostedEvents) {
  Evt_Bind(700, Mark<'A'>);
  Evt_Suspend();
  Evt_Raise(700, 0, -1, 0);
  EXPECT_EQ(Evt_QueueLength(), 0);
  static std::atomic<int> freed;
  freed = 0;
  std::thread([] {
    Evt_Post(700, 5, -1, 2, new int(42), [](void* p) {
      ++freed;
      delete static_cast<int*>(p);
    });
  }).join();
  for (int i = 0; i < 50 && gCalls.empty(); ++i) Evt_Wait(10);
  Evt_Resume();
  ASSERT_EQ(gCalls, "A");
  ASSERT_EQ(Evt_QueueLength(), 1);
  EXPECT_EQ(Evt_Wait(0), 700);
  EXPECT_EQ(Evt_Gadget(), 5);
  EXPECT_EQ(Evt_SubType(), 2);
  ASSERT_NE(Evt_Data(), nullptr);
  EXPECT_EQ(*static_cast<int*>(Evt_Data()), 42);
  EXPECT_EQ(freed.load(), 0);
  Evt_Raise(701, 0, -1, 0);
  Evt_Wait(0);  // the next current event releases the posted data
  EXPECT_EQ(freed.load(), 1);
  Evt_Unbind(700, Mark<'A'>);
}

std::atomic<int> gNestedFreed{0};
void WaitInsideHandler() { EXPECT_EQ(Evt_Wait(0), 801); }

TEST_F(EventTest, DataOfAnEventTakenByAWaitInsideAHandlerIsReleased) {
  gNestedFreed = 0;
  Evt_Raise(
      801, 0, -1, 0, new int(7),
      [](void* p) {
        ++gNestedFreed;
        delete static_cast<int*>(p);
      },
      kEventDeferred);
  Evt_Bind(800, WaitInsideHandler);
  Evt_Raise(800, 0, -1, 0);  // its handler takes the queued 801
  Evt_Unbind(800, WaitInsideHandler);
  Drain();
  EXPECT_EQ(gNestedFreed.load(), 1);
}

bool gDataFreedBeforeRead = false;
void ForgetsWindow77() { Evt_ForgetWindow(77); }
void ReadsData() { gDataFreedBeforeRead = gNestedFreed > 0 || Evt_Data() == nullptr; }

TEST_F(EventTest, ForgettingTheWindowKeepsTheDataOfTheEventBeingHandled) {
  gNestedFreed = 0;
  gDataFreedBeforeRead = true;
  Evt_Bind(820, ReadsData);
  Evt_Bind(820, ForgetsWindow77, 77);  // runs first: its key names the window
  Evt_Raise(820, 0, 77, 0, new int(5), [](void* p) {
    ++gNestedFreed;
    delete static_cast<int*>(p);
  });
  EXPECT_FALSE(gDataFreedBeforeRead);
  EXPECT_EQ(gNestedFreed.load(), 1);
  EXPECT_EQ(Evt_QueueLength(), 0);
  Evt_Unbind(820, ReadsData);
}

TEST_F(EventTest, OpenedWindowsCarryTheirNumberPlusOneAndCentre) {
  const ObjectHandle handle = Win_Open(3, 10, 10, 240, 160, u"Fixed");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(reinterpret_cast<void*>(handle), Win_Native(3));
  EXPECT_EQ(Plat_GetProperty(Native(3), "KX_WindowID"), 4);
  EXPECT_EQ(Win_InnerWidth(3), 240);
  EXPECT_EQ(Win_InnerHeight(3), 160);
  EXPECT_EQ(Win_Title(3), u"Fixed");
  EXPECT_TRUE(Plat_IsVisible(Native(3)));

  const ObjectHandle dynamic = Win_Open(KX_Any, 0, 0, 100, 80, u"Dynamic", KX_Window_Invisible);
  ASSERT_NE(dynamic, 0);
  EXPECT_TRUE(Win_IsWindow(dynamic));
  EXPECT_FALSE(Plat_IsVisible(Native(dynamic)));
  EXPECT_EQ(Win_FromNative(Win_Native(dynamic)), dynamic);
  EXPECT_EQ(Gad_CurrentList(), Win_Native(dynamic)) << "new gadgets go into the last window";
  EXPECT_FALSE(Win_IsWindow(99));
  EXPECT_FALSE(Win_IsWindow(12345678));

  const ObjectHandle w =
      Win_Open(KX_Any, 0, 0, 200, 100, u"Mitte", KX_Window_ScreenCentered | KX_Window_SystemMenu);
  const PlatRect area = Plat_WorkArea();
  ASSERT_GT(area.width, 200);
  EXPECT_NEAR(Win_X(w) + Win_Width(w) / 2, area.x + area.width / 2, 1);
  EXPECT_NEAR(Win_Y(w) + Win_Height(w) / 2, area.y + area.height / 2, 1);
}

ObjectHandle gClosing = 0;
void CloseHandler() {
  gCalls += 'c';
  gWindows.push_back(Evt_Window());
}

TEST_F(EventTest, CloseRequestDoesNotDestroyTheWindow) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 200, 100, u"Schließen", KX_Window_SystemMenu);
  Evt_Bind(KX_Event_CloseWindow, CloseHandler, w);
  Plat_TestRequestClose(Native(w));
  ASSERT_EQ(gCalls, "c");
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
  Plat_TestRequestClose(Native(w));
  EXPECT_FALSE(Win_IsWindow(w));
  EXPECT_EQ(Evt_Unbind(KX_Event_CloseWindow, CloseHandler, w), 0);
  EXPECT_EQ(Evt_QueueLength(), 1);
  EXPECT_EQ(Evt_Wait(0), KX_Event_MoveWindow);
  EXPECT_EQ(Evt_Gadget(), 1);
  Win_Close(w);  // twice: harmless
}

TEST_F(EventTest, EachSizeStepRaisesOneEventAndOnlyTheLatestWaits) {
  const ObjectHandle w =
      Win_Open(KX_Any, 0, 0, 300, 200, u"Größe", KX_Window_SizeGadget | KX_Window_SystemMenu);
  Drain();
  Evt_Bind(KX_Event_SizeWindow, RecordWindow, w);
  for (int step = 1; step <= 5; ++step)
    Win_Resize(w, KX_Unchanged, KX_Unchanged, 300 + step * 10, 200);
  EXPECT_EQ(gCalls, "WWWWW");
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
  Evt_Bind(KX_Event_MinimizeWindow, Mark<'n'>, w);
  Evt_Bind(KX_Event_MaximizeWindow, Mark<'x'>, w);
  Evt_Bind(KX_Event_RestoreWindow, Mark<'r'>, w);
  Evt_Bind(KX_Event_SizeWindow, Mark<'z'>, w);
  // Each change raises its own event once, followed by a size event.
  const std::pair<PlatShow, char> steps[] = {
      {PlatShow::kMaximized, 'x'}, {PlatShow::kNormal, 'r'}, {PlatShow::kMinimized, 'n'}};
  for (const auto& [show, first] : steps) {
    SCOPED_TRACE(first);
    gCalls.clear();
    Plat_Show(Native(w), show);
    Pump();
    ASSERT_FALSE(gCalls.empty());
    EXPECT_EQ(gCalls.front(), first);
    EXPECT_EQ(std::count(gCalls.begin(), gCalls.end(), first), 1);
    EXPECT_TRUE(first == 'n' || gCalls.back() == 'z') << gCalls;
  }
}

TEST_F(EventTest, SizeBoundsConvertKeepAndCap) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 400, 300, u"Grenzen", KX_Window_SizeGadget);
  int ew = 0, eh = 0;
  Plat_FrameExtents(Native(w), &ew, &eh);
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
  Win_Resize(w, KX_Unchanged, KX_Unchanged, 100, 100);
  EXPECT_EQ(Win_InnerWidth(w), 300) << "not smaller than the minimum";
  EXPECT_EQ(Win_InnerHeight(w), 100);
  Win_SetBounds(12345, 1, 1, 1, 1);  // no window: nothing happens
}

// A plain child window registered as a gadget, as control kinds do.
ObjectHandle MakeGadget(ObjectHandle window, ObjectHandle number, bool tabStop) {
  PlatWindowSpec desc;
  desc.parent = Native(window);
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
std::intptr_t NativeOf(ObjectHandle gadget) {
  return reinterpret_cast<std::intptr_t>(Gad_Record(gadget)->handle);
}

TEST_F(EventTest, ClosingAWindowFreesItsGadgetsSoNoneOutlivesIt) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Alt");
  const ObjectHandle other = Win_Open(KX_Any, 0, 0, 300, 200, u"Andere");
  const ObjectHandle mine = MakeGadget(w, 5, false);
  const ObjectHandle theirs = MakeGadget(other, 6, false);
  Win_Close(w);
  EXPECT_FALSE(Gad_IsGadget(mine));
  EXPECT_TRUE(Gad_IsGadget(theirs));
  // Reusing the number must not touch whatever now lives at the old address.
  const ObjectHandle fresh = Win_Open(KX_Any, 0, 0, 300, 200, u"Neu");
  MakeGadget(fresh, 5, false);
  EXPECT_TRUE(Win_IsWindow(fresh));
  EXPECT_TRUE(Win_IsWindow(other));
  Win_Close(other);
  Win_Close(fresh);
  EXPECT_FALSE(Gad_IsGadget(theirs));
}

TEST_F(EventTest, GadgetCommandFoundByTheSecondLookupWhateverTheSubType) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Knöpfe");
  const ObjectHandle button = MakeGadget(w, KX_Any, false);
  ASSERT_EQ(Evt_BindGadget(button, RecordWindow), 1);
  Send(Native(w), kPlatCommand, 0, NativeOf(button));
  Send(Native(w), kPlatCommand, 5, NativeOf(button));
  EXPECT_EQ(gCalls, "WW");
  EXPECT_EQ(gWindows, (std::vector<ObjectHandle>{w, w}));
  EXPECT_EQ(gSubTypes, (std::vector<std::int64_t>{0, 5}));
  EXPECT_EQ(Evt_Wait(0), KX_Event_Gadget);
  EXPECT_EQ(Evt_Gadget(), button);
  EXPECT_EQ(Evt_Unbind(KX_Event_Gadget, RecordWindow, w, button, -1), 1);
  Gad_Free(button);

  // Controls numbered -10000 are not the program's.
  const ObjectHandle hidden = MakeGadget(w, 5, false);
  Plat_SetProperty(reinterpret_cast<PlatWindow>(NativeOf(hidden)), "KX_ID", -10000);
  Evt_Bind(KX_Event_Gadget, Mark<'A'>);
  Drain();
  Send(Native(w), kPlatCommand, 5, NativeOf(hidden));
  EXPECT_EQ(gCalls, "WW");
  Evt_Unbind(KX_Event_Gadget, Mark<'A'>);
  Gad_Free(hidden);
}

TEST_F(EventTest, MenuTimerTrayAndClickMessagesRaiseTheirEvents) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 200, 100, u"Meldungen");
  const PlatWindow native = Native(w);
  Drain();
  Send(native, kPlatCommand, 42);
  Send(native, kPlatTimer, 7);
  Send(native, kPlatTrayIcon, 3, kPlatRButtonDblClk);
  Send(native, kPlatTrayIcon, 3, kPlatMouseMove);  // not a click: nothing
  Send(native, kPlatLButtonUp, 0);
  Send(native, kPlatLButtonDblClk, 0);
  Send(native, kPlatRButtonUp, 0);
  const struct {
    int type;
    ObjectHandle object;
    std::int64_t subType;
  } expected[] = {{KX_Event_Menu, 42, 0},           {KX_Event_Timer, 7, 0},
                  {KX_Event_SysTray, 3, 3},         {KX_Event_LeftClick, 0, 0},
                  {KX_Event_LeftDoubleClick, 0, 0}, {KX_Event_RightClick, 0, 0}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.type);
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
  Plat_Activate(Native(w));
  Pump();
  Gad_Focus(first);
  ASSERT_EQ(Plat_Focus(), Gad_Record(first)->handle);
  Plat_TestInput(Plat_Focus(), PlatTestInput::kKeyDown, 0, 0, 0, 0, 0x09);
  EXPECT_EQ(Plat_Focus(), Gad_Record(second)->handle);
  Plat_TestInput(Plat_Focus(), PlatTestInput::kKeyDown, 0, 0, 0, kPlatModShift, 0x09);
  EXPECT_EQ(Plat_Focus(), Gad_Record(first)->handle);

  // Deactivation remembers the focused control, activation restores it.
  Evt_Bind(KX_Event_DeactivateWindow, Mark<'-'>, w);
  Evt_Bind(KX_Event_ActivateWindow, Mark<'+'>, w);
  Send(Native(w), kPlatActivate, 0);
  Gad_Focus(second);
  Send(Native(w), kPlatActivate, 1);
  EXPECT_EQ(Plat_Focus(), Gad_Record(first)->handle);
  EXPECT_EQ(gCalls, "-+");
  Gad_Free(KX_Any);
}

TEST_F(EventTest, GadgetTextFromAWorkerArrivesOnTheMainThreadWithoutBlocking) {
  const ObjectHandle w = Win_Open(KX_Any, 0, 0, 300, 200, u"Status");
  const ObjectHandle g = MakeGadget(w, KX_Any, false);
  Gad_SetText(g, u"vorher");
  std::thread([g] {
    Gad_SetText(g, u"Lese Datei");
    Gad_Resize(g, 5, 6, 70, 30);
    // Reading the size is answered at once, from what the main thread last saw.
    EXPECT_EQ(Gad_Width(g), 40);
  }).join();  // the main thread was not pumping: the worker did not wait for it
  EXPECT_EQ(Gad_GetText(g), u"vorher");
  for (int i = 0; i < 10 && Gad_GetText(g) != u"Lese Datei"; ++i) Evt_Wait(10);
  EXPECT_EQ(Gad_GetText(g), u"Lese Datei");
  EXPECT_EQ(Gad_Width(g), 70);
  EXPECT_EQ(Gad_Height(g), 30);
  Gad_Free(g);
  std::thread([g] { Gad_SetText(g, u"zu spät"); }).join();
  Evt_Wait(10);  // the gadget is gone: nothing happens
}

}  // namespace
