// Buttons, texts and progress bars: required sizes from the real font,
// states, attributes and the click event.
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

void Extent(PlatWindow w, const std::u16string& text, bool multi, int* width, int* height) {
  Plat_TextExtent(w, text, multi, width, height);
}

using ButtonTest = ControlTest;
using TextTest = ControlTest;
using ProgressBarTest = ControlTest;

TEST_F(ButtonTest, RequiredSizeIsTheCaptionPlusEdgesAndRoomAtLeast24High) {
  const ObjectHandle open = Ctl_Button(KX_Any, 0, 0, 0, 0, u"XYZ öffnen");
  const ObjectHandle empty = Ctl_Button(KX_Any, 0, 0, 0, 0, u"");
  ASSERT_NE(open, 0);
  ASSERT_NE(empty, 0);
  int tw = 0, th = 0;
  Extent(Native(open), u"XYZ öffnen", false, &tw, &th);
  ASSERT_GT(tw, 20) << "the caption is measured in a real font";
  int w = 0, h = 0;
  Gad_RequiredSize(open, &w, &h);
  EXPECT_EQ(w, tw + 2 * 2 + 10);
  EXPECT_EQ(h, std::max(th + 4, 24));
  Gad_RequiredSize(empty, &w, &h);
  EXPECT_EQ(w, 14);
  EXPECT_EQ(h, std::max(th + 4, 24));
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
  Gad_SetState(toggle, 5);
  EXPECT_EQ(Gad_GetState(toggle), 1);
  Gad_SetState(toggle, 0);
  EXPECT_EQ(Gad_GetState(toggle), 0);
  Gad_SetState(push, 1);
  EXPECT_EQ(Gad_GetState(push), 0);
}

TEST_F(ButtonTest, AlignedAndWrappedCaptionsKeepTheirText) {
  for (std::int64_t flags : {KX_Button_Left, KX_Button_Right, KX_Button_MultiLine}) {
    const ObjectHandle b = Ctl_Button(KX_Any, 0, 0, 60, 40, u"a long caption", flags);
    ASSERT_NE(b, 0);
    EXPECT_EQ(Gad_GetText(b), u"a long caption");
    Gad_SetText(b, u"other");
    EXPECT_EQ(Gad_GetText(b), u"other");
  }
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
  const ObjectHandle lines = Ctl_Text(KX_Any, 0, 0, 0, 0, u"one\ntwo\nthree");
  int bw = 0, bh = 0;
  Extent(Native(blank), u" ", false, &bw, &bh);
  ASSERT_GT(bw, 0);
  int w = 0, h = 0;
  Gad_RequiredSize(blank, &w, &h);
  EXPECT_EQ(w, bw + 2);
  EXPECT_EQ(h, bh + 2);
  Gad_RequiredSize(bordered, &w, &h);
  EXPECT_EQ(w, bw + 4);
  EXPECT_EQ(h, bh + 4);
  Gad_RequiredSize(lines, &w, &h);
  EXPECT_EQ(h, 3 * bh + 2) << "each line break starts a new line";
  int threeWidth = 0;
  Extent(Native(lines), u"three", false, &threeWidth, &bh);
  EXPECT_EQ(w, threeWidth + 2);
}

TEST_F(TextTest, AmpersandIsShownAsItIsAndStateIsIgnored) {
  const ObjectHandle t = Ctl_Text(KX_Any, 0, 0, 0, 0, u"A&B", KX_Text_Right);
  EXPECT_EQ(Gad_GetText(t), u"A&B");
  int w = 0, h = 0, ew = 0, eh = 0;
  Gad_RequiredSize(t, &w, &h);
  Extent(Native(t), u"A&B", false, &ew, &eh);
  EXPECT_EQ(w, ew + 2) << "the ampersand takes room";
  Gad_SetState(t, 3);
  EXPECT_EQ(Gad_GetState(t), 0);
  EXPECT_EQ(Gad_GetText(t), u"A&B");
  const ObjectHandle centred = Ctl_Text(KX_Any, 0, 0, 0, 0, u"c", KX_Text_Center);
  EXPECT_EQ(Gad_GetText(centred), u"c");
}

TEST_F(ProgressBarTest, ValuesShowAtOnceAndAreClampedToTheRange) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 200, 20, 0, 100);
  ASSERT_NE(p, 0);
  Gad_SetState(p, 37);
  EXPECT_EQ(Gad_GetState(p), 37);
  Gad_SetState(p, 37);
  EXPECT_EQ(Gad_GetState(p), 37);
  Gad_SetState(p, 250);
  EXPECT_EQ(Gad_GetState(p), 100);
  Gad_SetState(p, -20);
  EXPECT_EQ(Gad_GetState(p), 0);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Minimum), 0);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 100) << "the range is left as it was";
  int w = 1, h = 1;
  Gad_RequiredSize(p, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  Gad_SetText(p, u"ignored");
  EXPECT_EQ(Gad_GetText(p), u"");
}

TEST_F(ProgressBarTest, MinusOneStartsTheMarqueeAndAnyValueStopsIt) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 200, 20, 0, 100, KX_ProgressBar_Smooth);
  Gad_SetState(p, 60);
  Gad_SetState(p, -1);
  EXPECT_EQ(Gad_GetState(p), -1);
  EXPECT_TRUE(PlatCtl_IsMarquee(Native(p)));
  Gad_SetState(p, -1);
  EXPECT_EQ(Gad_GetState(p), -1);
  Gad_SetState(p, 0);
  EXPECT_FALSE(PlatCtl_IsMarquee(Native(p)));
  EXPECT_EQ(Gad_GetState(p), 0);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 100) << "the range survives the marquee";
}

TEST_F(ProgressBarTest, AttributesSetOneBoundAndKeepTheOther) {
  const ObjectHandle p = Ctl_ProgressBar(KX_Any, 0, 0, 20, 200, 5, 50, KX_ProgressBar_Vertical);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Minimum), 5);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 50);
  Gad_SetAttribute(p, KX_ProgressBar_Maximum, 500);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Minimum), 5);
  EXPECT_EQ(Gad_GetAttribute(p, KX_ProgressBar_Maximum), 500);
  Gad_SetAttribute(p, KX_ProgressBar_Minimum, 100);
  Gad_SetState(p, 300);
  EXPECT_EQ(Gad_GetState(p), 300);
  Gad_SetState(p, 50);
  EXPECT_EQ(Gad_GetState(p), 100);
  Ctl_SetColor(p, KX_Color_Front, 0x0000FF);
  Ctl_SetColor(p, KX_Color_Back, 0xFFFFFF);
  EXPECT_EQ(Gad_GetState(p), 100);
}

TEST_F(ProgressBarTest, UnknownNumbersAreHarmless) {
  Gad_SetState(424242, 37);
  EXPECT_EQ(Gad_GetState(424242), 0);
  Ctl_SetColor(424242, KX_Color_Front, 0);
  EXPECT_EQ(Gad_GetAttribute(424242, KX_ProgressBar_Maximum), 0);
}

}  // namespace
