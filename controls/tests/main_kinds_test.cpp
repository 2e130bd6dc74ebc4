// Buttons, texts and progress bars: required sizes from the real font,
// states, attributes and the click event.
#include <thread>
#include <vector>

#include "controls/controls.h"
#include "platform/controls.h"
#include "platform/platform_test_hooks.h"
#include "test_window.h"

namespace {

std::vector<std::int64_t> gSubTypes;
std::vector<ObjectHandle> gGadgets;
void RecordGadgetEvent() {
  gSubTypes.push_back(Evt_SubType());
  gGadgets.push_back(Evt_Gadget());
}

using ButtonTest = ControlTest;
using TextTest = ControlTest;
using ProgressBarTest = ControlTest;

TEST_F(ButtonTest, RequiredSizeIsTheCaptionPlusEdgesAndRoomAtLeast24High) {
  const ObjectHandle open = Ctl_Button(KX_Any, 0, 0, 0, 0, u"XYZ öffnen");
  const ObjectHandle empty = Ctl_Button(KX_Any, 0, 0, 0, 0, u"");
  int tw = 0, th = 0;
  Plat_TextExtent(Native(open), u"XYZ öffnen", false, &tw, &th);
  ASSERT_GT(tw, 20) << "the caption is measured in a real font";
  int w = 0, h = 0;
  Gad_RequiredSize(open, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(tw + 2 * 2 + 10, std::max(th + 4, 24)));
  Gad_RequiredSize(empty, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(14, std::max(th + 4, 24)));
  // A new caption is measured anew.
  Gad_SetText(empty, u"XYZ öffnen XYZ öffnen");
  int longer = 0;
  Gad_RequiredSize(empty, &longer, &h);
  EXPECT_GT(longer, tw + 14);
  EXPECT_EQ(Gad_GetText(empty), u"XYZ öffnen XYZ öffnen");
}

TEST_F(ButtonTest, OnlyToggleButtonsKeepACheckState) {
  const ObjectHandle toggle = Ctl_Button(KX_Any, 0, 0, 80, 24, u"T", KX_Button_Toggle);
  const ObjectHandle push = Ctl_Button(KX_Any, 0, 0, 80, 24, u"P", KX_Button_Default);
  EXPECT_EQ(SetState(toggle, 5), 1);
  EXPECT_EQ(SetState(toggle, 0), 0);
  EXPECT_EQ(SetState(push, 1), 0);
}

TEST_F(ButtonTest, AClickRaisesAGadgetEventOfSubTypeZero) {
  const ObjectHandle b = Ctl_Button(KX_Any, 10, 10, 80, 24, u"Go");
  ASSERT_NE(b, 0);
  Win_Show(window_, true);
  DrainEvents();
  gSubTypes.clear();
  gGadgets.clear();
  ASSERT_EQ(Evt_BindGadget(b, RecordGadgetEvent), 1);
  Plat_TestInput(Native(b), PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
  Plat_TestInput(Native(b), PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft, 0);
  ASSERT_EQ(gSubTypes.size(), 1u);
  EXPECT_EQ(gSubTypes[0], 0);
  EXPECT_EQ(gGadgets[0], b);
  // The program's own changes raise nothing.
  Gad_SetText(b, u"Again");
  EXPECT_EQ(gSubTypes.size(), 1u);
}

TEST_F(ButtonTest, CreationNeedsAGadgetListAndFixedNumbersReturnTheHandle) {
  const ObjectHandle native = Ctl_Button(7, 0, 0, 10, 10, u"seven");
  ASSERT_NE(native, 0);
  EXPECT_EQ(reinterpret_cast<PlatWindow>(native), Native(7));
  // Re-using the number replaces the old button and its window.
  PlatWindow old = Native(7);
  ASSERT_NE(Ctl_Button(7, 0, 0, 10, 10, u"again"), 0);
  EXPECT_FALSE(Plat_IsWindow(old));
  EXPECT_EQ(Gad_GetText(7), u"again");
  Gad_Free(7);
  EXPECT_FALSE(Gad_IsGadget(7));

  Gad_UseList(nullptr);
  EXPECT_EQ(Ctl_Button(KX_Any, 0, 0, 10, 10, u"nowhere"), 0);
}

TEST_F(TextTest, RequiredSizeIsTheTextRectanglePlusTwoOrTheBorder) {
  const ObjectHandle blank = Ctl_Text(KX_Any, 0, 0, 0, 0, u" ");
  const ObjectHandle bordered = Ctl_Text(KX_Any, 0, 0, 0, 0, u" ", KX_Text_Border);
  const ObjectHandle lines = Ctl_Text(KX_Any, 0, 0, 0, 0, u"one\ntwo\nthree", KX_Text_Center);
  const ObjectHandle amp = Ctl_Text(KX_Any, 0, 0, 0, 0, u"A&B", KX_Text_Right);
  int bw = 0, bh = 0, threeWidth = 0, ampWidth = 0, w = 0, h = 0;
  Plat_TextExtent(Native(blank), u" ", false, &bw, &bh);
  Plat_TextExtent(Native(lines), u"three", false, &threeWidth, &h);
  Plat_TextExtent(Native(amp), u"A&B", false, &ampWidth, &h);
  ASSERT_GT(bw, 0);
  Gad_RequiredSize(blank, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(bw + 2, bh + 2));
  Gad_RequiredSize(bordered, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(bw + 4, bh + 4));
  Gad_RequiredSize(lines, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(threeWidth + 2, 3 * bh + 2)) << "a line per break";
  // "&" is shown as it is and takes room; a text has no state.
  Gad_RequiredSize(amp, &w, &h);
  EXPECT_EQ(w, ampWidth + 2);
  EXPECT_EQ(SetState(amp, 3), 0);
  EXPECT_EQ(Gad_GetText(amp), u"A&B");
}

TEST_F(ProgressBarTest, ValuesShowAtOnceAndAreClampedToTheRange) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 200, 20, 0, 100);
  ASSERT_NE(p, 0);
  for (auto [value, shown] : {std::pair{37, 37}, {37, 37}, {250, 100}, {-20, 0}})
    EXPECT_EQ(SetState(p, value), shown) << value;
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Minimum), 0);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 100) << "the range is left as it was";
  int w = 1, h = 1;
  Gad_RequiredSize(p, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(0, 0));
  Gad_SetText(p, u"ignored");
  EXPECT_EQ(Gad_GetText(p), u"");
}

TEST_F(ProgressBarTest, MinusOneStartsTheMarqueeAndAnyValueStopsIt) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 200, 20, 0, 100, KX_ProgressBar_Smooth);
  Gad_SetState(p, 60);
  EXPECT_EQ(SetState(p, -1), -1);
  EXPECT_TRUE(PlatCtl_IsMarquee(Native(p)));
  EXPECT_EQ(SetState(p, -1), -1);
  EXPECT_EQ(SetState(p, 0), 0);
  EXPECT_FALSE(PlatCtl_IsMarquee(Native(p)));
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 100) << "the range survives the marquee";
}

TEST_F(ProgressBarTest, AttributesSetOneBoundAndKeepTheOther) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 20, 200, 5, 50, KX_ProgressBar_Vertical);
  using Range = std::pair<std::int64_t, std::int64_t>;
  auto range = [p] {
    return Range(Gad_GetAttribute(p, KX_ProgressBar_Minimum),
                 Gad_GetAttribute(p, KX_ProgressBar_Maximum));
  };
  EXPECT_EQ(range(), Range(5, 50));
  Gad_SetAttribute(p, KX_ProgressBar_Maximum, 500);
  EXPECT_EQ(range(), Range(5, 500));
  Gad_SetAttribute(p, KX_ProgressBar_Minimum, 100);
  EXPECT_EQ(SetState(p, 300), 300);
  EXPECT_EQ(SetState(p, 50), 100);
  Ctl_SetColor(p, KX_Color_Front, 0x0000FF);
  Ctl_SetColor(p, KX_Color_Back, 0xFFFFFF);
  EXPECT_EQ(Gad_GetState(p), 100);
}

TEST_F(ProgressBarTest, UnknownNumbersAreHarmless) {
  EXPECT_EQ(SetState(424242, 37), 0);
  Ctl_SetColor(424242, KX_Color_Front, 0);
  EXPECT_EQ(Gad_GetAttribute(424242, KX_ProgressBar_Maximum), 0);
}

// The converter's status setters run on its worker thread: the changes
// reach the controls once the main thread dispatches.
TEST_F(ControlTest, TextAndProgressSetFromAWorkerArriveOnTheMainThread) {
  const ObjectHandle status = Ctl_Text(KX_Any, 0, 0, 100, 20, u" ");
  const ObjectHandle progress = Ctl_ProgressBar(KX_Any, 0, 30, 100, 20, 0, 100);
  std::thread worker([&] {
    Gad_SetText(status, u"Lese tile.xyz");
    Gad_SetState(progress, 37);
    Gad_SetState(progress, -1);
    Gad_SetState(progress, 50);
  });
  worker.join();
  DrainEvents();
  EXPECT_EQ(Gad_GetText(status), u"Lese tile.xyz");
  EXPECT_EQ(Gad_GetState(progress), 50);
  EXPECT_FALSE(PlatCtl_IsMarquee(Native(progress)));
}

}  // namespace
