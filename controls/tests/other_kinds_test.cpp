// The other gadget kinds: each is a live control that takes its text, knows
// its state and raises its gadget events.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "controls/controls.h"
#include "platform/controls.h"
#include "platform/platform_test_hooks.h"
#include "test_window.h"

namespace {

std::vector<std::int64_t> gSubTypes;
void RecordGadgetEvent() { gSubTypes.push_back(Evt_SubType()); }

ObjectHandle Make(int kind, const std::u16string& text = u"", std::int64_t flags = 0,
                  std::int64_t minimum = 0, std::int64_t maximum = 100, ObjectHandle first = -1,
                  ObjectHandle second = -1) {
  return Ctl_Create({.kind = kind,
                     .width = 120,
                     .height = 60,
                     .text = text,
                     .flags = flags,
                     .minimum = minimum,
                     .maximum = maximum,
                     .first = first,
                     .second = second});
}

using KindsTest = ControlTest;

TEST_F(KindsTest, EveryKindIsMadeTakesItsTextAndNaturalKindsAskForRoom) {
  const struct {
    int kind;
    bool natural;
    const char16_t* text;  // kept and read back as given, if any
  } cases[] = {
      // clang-format off
      {kCtlCheckBox, true, u"Check"}, {kCtlOption, true, u"Pick"}, {kCtlString, true, u"typed"},
      {kCtlShortcut, true, u""}, {kCtlButtonImage, true, u""}, {kCtlComboBox, true, u""},
      {kCtlCalendar, true, u""}, {kCtlDate, true, u""}, {kCtlExplorerCombo, true, u""},
      {kCtlHyperLink, true, u"link"}, {kCtlIpAddress, true, u"10.0.0.1"}, {kCtlSpin, true, u"42"},
      {kCtlListView, false, u""}, {kCtlListIcon, false, u"Column"}, {kCtlTree, false, u""},
      {kCtlExplorerList, false, u""}, {kCtlExplorerTree, false, u""}, {kCtlEditor, false, u"a\nb"},
      {kCtlScintilla, false, u"code"}, {kCtlScrollBar, false, u""}, {kCtlTrackBar, false, u""},
      {kCtlWeb, false, u"http://x/"}, {kCtlFrame, false, u"Frame"}, {kCtlPanel, false, u""},
      {kCtlImage, false, u""},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const ObjectHandle g = Make(c.kind, *c.text ? c.text : u"caption");
    ASSERT_NE(g, 0);
    EXPECT_EQ(Gad_Kind(g), c.kind);
    if (*c.text) {
      EXPECT_EQ(Gad_GetText(g), c.text);
    }
    int w = 0, h = 0;
    Gad_RequiredSize(g, &w, &h);
    EXPECT_TRUE(!c.natural || (w > 0 && h > 0)) << w << " x " << h;
    Gad_Resize(g, 3, 4, 150, 70);
    EXPECT_EQ(std::pair(Gad_Width(g), Gad_Height(g)), std::pair(150, 70));
  }
  EXPECT_EQ(Make(999), 0) << "an unknown kind makes nothing";
}

TEST_F(KindsTest, StatesRoundTrip) {
  const ObjectHandle box = Make(kCtlCheckBox, u"c", 0x5);  // three states
  EXPECT_EQ(SetState(box, 2), 2);
  EXPECT_EQ(SetState(box, 1), 1);

  const ObjectHandle track = Make(kCtlTrackBar, u"", 0, 0, 10);
  EXPECT_EQ(SetState(track, 7), 7);
  EXPECT_EQ(SetState(track, 70), 10);
  const ObjectHandle spin = Make(kCtlSpin, u"", 0, -5, 5);
  EXPECT_EQ(SetState(spin, -3), -3);
  EXPECT_EQ(Gad_GetText(spin), u"-3");

  const ObjectHandle ip = Make(kCtlIpAddress);
  EXPECT_EQ(SetState(ip, 0xC0A80114LL), 0xC0A80114LL);
  EXPECT_EQ(Gad_GetText(ip), u"192.168.1.20");

  const ObjectHandle combo = Make(kCtlComboBox);
  EXPECT_EQ(Ctl_AddItem(combo, -1, u"one"), 0);
  EXPECT_EQ(Ctl_AddItem(combo, -1, u"two"), 1);
  Gad_SetState(combo, 1);
  EXPECT_EQ(Gad_GetText(combo), u"two");
  Gad_SetText(combo, u"one");
  EXPECT_EQ(Gad_GetState(combo), 0);

  const ObjectHandle tree = Make(kCtlTree);
  EXPECT_EQ(Ctl_AddItem(tree, -1, u"root"), 0);
  EXPECT_EQ(Ctl_AddItem(tree, -1, u"child", 0), 1);
  EXPECT_EQ(Ctl_AddItem(tree, -1, u"second"), 2);
  EXPECT_EQ(Ctl_CountItems(tree), 3);
  EXPECT_EQ(SetState(tree, 1), 1);
  EXPECT_EQ(Gad_GetText(tree), u"child");
  Ctl_ClearItems(tree);
  EXPECT_EQ(Ctl_CountItems(tree), 0);

  const ObjectHandle list = Make(kCtlListView);
  Ctl_AddItem(list, -1, u"a");
  Ctl_AddItem(list, 0, u"b");
  EXPECT_EQ(Ctl_ItemText(list, 0), u"b");
  EXPECT_GT(Gad_GetAttribute(list, kGadgetRowHeight), 0);
}

TEST_F(KindsTest, OptionsMadeTogetherFormOneGroup) {
  const ObjectHandle a = Make(kCtlOption, u"a");
  const ObjectHandle b = Make(kCtlOption, u"b");
  // A text made and freed in between starts a new group.
  Gad_Free(Ctl_Text(KX_Any, 0, 0, 0, 0, u""));
  const ObjectHandle c = Make(kCtlOption, u"c");
  Gad_SetState(a, 1);
  Gad_SetState(c, 1);
  EXPECT_EQ(Gad_GetState(a), 1);
  Gad_SetState(b, 1);
  EXPECT_EQ(Gad_GetState(a), 0) << "a and b are exclusive";
  EXPECT_EQ(Gad_GetState(c), 1) << "c is in a group of its own";
  EXPECT_EQ(SetState(b, 0), 0) << "the program may clear the checked option";
  EXPECT_EQ(Gad_GetState(a), 0);
}

TEST_F(KindsTest, UserActionsRaiseGadgetEvents) {
  Win_Show(window_, true);
  const ObjectHandle box = Make(kCtlCheckBox, u"check");
  const ObjectHandle string = Make(kCtlString);
  const ObjectHandle image = Make(kCtlImage);
  DrainEvents();
  gSubTypes.clear();
  for (ObjectHandle g : {box, string, image}) Evt_BindGadget(g, RecordGadgetEvent);
  Plat_TestInput(Native(box), PlatTestInput::kMouseDown, 8, 30, kPlatButtonLeft, 0);
  Plat_TestInput(Native(box), PlatTestInput::kMouseUp, 8, 30, kPlatButtonLeft, 0);
  ASSERT_EQ(gSubTypes.size(), 1u);
  EXPECT_EQ(gSubTypes[0], 0);
  EXPECT_EQ(Gad_GetState(box), 1);

  gSubTypes.clear();
  Gad_Focus(string);
  Plat_TestInput(Native(string), PlatTestInput::kKeyDown, 0, 0, 0, 0, 'X', U'x');
  EXPECT_NE(std::find(gSubTypes.begin(), gSubTypes.end(), 768), gSubTypes.end());
  EXPECT_EQ(Gad_GetText(string), u"x");

  gSubTypes.clear();
  Plat_TestInput(Native(image), PlatTestInput::kMouseDown, 5, 5, kPlatButtonRight, 0);
  Plat_TestInput(Native(image), PlatTestInput::kMouseUp, 5, 5, kPlatButtonRight, 0);
  ASSERT_EQ(gSubTypes.size(), 1u);
  EXPECT_EQ(gSubTypes[0], 1);

  // Pressing, moving a little and then far starts one drag.
  gSubTypes.clear();
  PlatWindow i = Native(image);
  Plat_TestInput(i, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
  Plat_TestInput(i, PlatTestInput::kMouseMove, 6, 5, 0, 0);
  EXPECT_TRUE(gSubTypes.empty());
  Plat_TestInput(i, PlatTestInput::kMouseMove, 40, 30, 0, 0);
  Plat_TestInput(i, PlatTestInput::kMouseMove, 50, 30, 0, 0);
  Plat_TestInput(i, PlatTestInput::kMouseUp, 50, 30, kPlatButtonLeft, 0);
  EXPECT_EQ(std::count(gSubTypes.begin(), gSubTypes.end(), 14002), 1);
  EXPECT_EQ(std::count(gSubTypes.begin(), gSubTypes.end(), 0), 1) << "and the click";
}

TEST_F(KindsTest, ContainersHoldGadgets) {
  void* before = Gad_CurrentList();
  const ObjectHandle box = Make(kCtlContainer);
  ASSERT_NE(box, 0);
  EXPECT_EQ(Gad_CurrentList(), Native(box));
  const ObjectHandle inner = Ctl_Button(KX_Any, 0, 0, 10, 10, u"in");
  EXPECT_EQ(Plat_Parent(Native(inner)), Native(box));
  Gad_CloseList();
  EXPECT_EQ(Gad_CurrentList(), before);

  const ObjectHandle panel = Make(kCtlPanel);
  ASSERT_TRUE(Ctl_AddPanelPage(panel, 0, u"First"));
  const ObjectHandle one = Ctl_Button(KX_Any, 0, 0, 10, 10, u"1");
  ASSERT_TRUE(Ctl_AddPanelPage(panel, 1, u"Second"));
  const ObjectHandle two = Ctl_Button(KX_Any, 0, 0, 10, 10, u"2");
  EXPECT_NE(Plat_Parent(Native(one)), Plat_Parent(Native(two)));
  EXPECT_EQ(Plat_Parent(Plat_Parent(Native(two))), Native(panel));
  Ctl_ClosePanel(panel);
  EXPECT_EQ(Gad_CurrentList(), before);
  EXPECT_EQ(Ctl_CountItems(panel), 2);
  EXPECT_EQ(SetState(panel, 1), 1);
  EXPECT_GT(Ctl_PanelTabHeight(panel), 0);

  const ObjectHandle area = Make(kCtlScrollArea);
  ASSERT_NE(area, 0);
  const ObjectHandle deep = Ctl_Button(KX_Any, 0, 0, 10, 10, u"deep");
  EXPECT_NE(Plat_Parent(Native(deep)), Native(area));
  Gad_CloseList();
  Ctl_SetScrollAreaSize(area, 500, 500);

  const ObjectHandle first = Make(kCtlContainer);
  Gad_CloseList();
  const ObjectHandle second = Make(kCtlContainer);
  Gad_CloseList();
  const ObjectHandle splitter = Make(kCtlSplitter, u"", 0, 0, 100, first, second);
  ASSERT_NE(splitter, 0);
  EXPECT_EQ(Plat_Parent(Native(first)), Native(splitter));
  gSubTypes.clear();
  Evt_BindGadget(first, RecordGadgetEvent);
  Gad_Resize(splitter, 0, 0, 300, 200);
  Win_Show(window_, true);
  DrainEvents();
  EXPECT_FALSE(gSubTypes.empty()) << "a pane reports its new size";
  EXPECT_EQ(Gad_CurrentList(), before);
}

// The explorer views show a real folder: its entries arrive in the
// background while the main thread dispatches.
TEST_F(ControlTest, ExplorerViewsListTheFolderTheyAreGiven) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp ? tmp : "/tmp") + "/explorer-view-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder + "/sub");
  std::ofstream(folder + "/a.xyz") << "1,2,3\n";
  std::ofstream(folder + "/b.xyz") << "1,2,3\n";
  const std::u16string path(folder.begin(), folder.end());
  const ObjectHandle all = Make(kCtlExplorerList, path);
  const ObjectHandle folders = Make(kCtlExplorerList, path, 0x1);  // folders only
  ASSERT_NE(all, 0);
  EXPECT_EQ(Gad_GetText(all), path);
  for (int i = 0; i < 100 && (Ctl_CountItems(all) < 3 || Ctl_CountItems(folders) < 1); ++i)
    Evt_Wait(20);
  EXPECT_EQ(Ctl_CountItems(all), 3);
  EXPECT_EQ(Ctl_CountItems(folders), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
