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

ObjectHandle Make(int kind, const std::u16string& text = u"", std::int64_t flags = 0) {
  ControlRequest r;
  r.kind = kind;
  r.width = 120;
  r.height = 60;
  r.text = text;
  r.flags = flags;
  return Ctl_Create(r);
}

using KindsTest = ControlTest;

TEST_F(KindsTest, EveryKindIsMadeAndNaturalKindsAskForRoom) {
  struct Case {
    int kind;
    bool natural;
  };
  const Case cases[] = {
      {kCtlCheckBox, true},      {kCtlOption, true},        {kCtlString, true},
      {kCtlShortcut, true},      {kCtlButtonImage, true},   {kCtlComboBox, true},
      {kCtlCalendar, true},      {kCtlDate, true},          {kCtlExplorerCombo, true},
      {kCtlHyperLink, true},     {kCtlIpAddress, true},     {kCtlSpin, true},
      {kCtlListView, false},     {kCtlListIcon, false},     {kCtlTree, false},
      {kCtlExplorerList, false}, {kCtlExplorerTree, false}, {kCtlEditor, false},
      {kCtlScintilla, false},    {kCtlScrollBar, false},    {kCtlTrackBar, false},
      {kCtlWeb, false},          {kCtlFrame, false},        {kCtlPanel, false},
      {kCtlImage, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const ObjectHandle g = Make(c.kind, u"caption");
    ASSERT_NE(g, 0);
    EXPECT_EQ(Gad_Kind(g), c.kind);
    int w = 0, h = 0;
    Gad_RequiredSize(g, &w, &h);
    if (c.natural) {
      EXPECT_GT(w, 0);
      EXPECT_GT(h, 0);
    }
    Gad_Resize(g, 3, 4, 150, 70);
    EXPECT_EQ(Gad_Width(g), 150);
    EXPECT_EQ(Gad_Height(g), 70);
  }
  EXPECT_EQ(Make(999), 0) << "an unknown kind makes nothing";
}

TEST_F(KindsTest, TextsGoWhereTheKindKeepsThem) {
  struct Case {
    int kind;
    std::u16string text, expected;
  };
  const Case cases[] = {
      {kCtlCheckBox, u"Check", u"Check"},        {kCtlOption, u"Pick", u"Pick"},
      {kCtlString, u"typed", u"typed"},          {kCtlEditor, u"a\nb", u"a\nb"},
      {kCtlScintilla, u"code", u"code"},         {kCtlHyperLink, u"link", u"link"},
      {kCtlFrame, u"Frame", u"Frame"},           {kCtlListIcon, u"Column", u"Column"},
      {kCtlWeb, u"http://x/", u"http://x/"},     {kCtlSpin, u"42", u"42"},
      {kCtlIpAddress, u"10.0.0.1", u"10.0.0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const ObjectHandle g = Make(c.kind, c.text);
    ASSERT_NE(g, 0);
    EXPECT_EQ(Gad_GetText(g), c.expected);
  }
}

TEST_F(KindsTest, StatesRoundTrip) {
  const ObjectHandle box = Make(kCtlCheckBox, u"c", 0x5);  // three states
  Gad_SetState(box, 2);
  EXPECT_EQ(Gad_GetState(box), 2);
  Gad_SetState(box, 1);
  EXPECT_EQ(Gad_GetState(box), 1);

  ControlRequest r;
  r.kind = kCtlTrackBar;
  r.maximum = 10;
  const ObjectHandle track = Ctl_Create(r);
  Gad_SetState(track, 7);
  EXPECT_EQ(Gad_GetState(track), 7);
  Gad_SetState(track, 70);
  EXPECT_EQ(Gad_GetState(track), 10);
  r.kind = kCtlSpin;
  r.minimum = -5;
  r.maximum = 5;
  const ObjectHandle spin = Ctl_Create(r);
  Gad_SetState(spin, -3);
  EXPECT_EQ(Gad_GetState(spin), -3);
  EXPECT_EQ(Gad_GetText(spin), u"-3");

  const ObjectHandle ip = Make(kCtlIpAddress);
  Gad_SetState(ip, (192LL << 24) | (168LL << 16) | (1 << 8) | 20);
  EXPECT_EQ(Gad_GetText(ip), u"192.168.1.20");
  EXPECT_EQ(Gad_GetState(ip), (192LL << 24) | (168LL << 16) | (1 << 8) | 20);

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
  Gad_SetState(tree, 1);
  EXPECT_EQ(Gad_GetState(tree), 1);
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
  Gad_SetState(b, 0);
  EXPECT_EQ(Gad_GetState(b), 0) << "the program may clear the checked option";
  EXPECT_EQ(Gad_GetState(a), 0);
}

TEST_F(KindsTest, UserActionsRaiseGadgetEvents) {
  Win_Show(window_, true);
  const ObjectHandle box = Make(kCtlCheckBox, u"check");
  const ObjectHandle string = Make(kCtlString);
  const ObjectHandle image = Make(kCtlImage);
  DrainEvents();
  gSubTypes.clear();
  Evt_BindGadget(box, RecordGadgetEvent);
  Evt_BindGadget(string, RecordGadgetEvent);
  Evt_BindGadget(image, RecordGadgetEvent);
  PlatWindow b = Native(box);
  Plat_TestInput(b, PlatTestInput::kMouseDown, 8, 30, kPlatButtonLeft, 0);
  Plat_TestInput(b, PlatTestInput::kMouseUp, 8, 30, kPlatButtonLeft, 0);
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
  ControlRequest r;
  r.kind = kCtlContainer;
  r.width = 200;
  r.height = 100;
  void* before = Gad_CurrentList();
  const ObjectHandle box = Ctl_Create(r);
  ASSERT_NE(box, 0);
  EXPECT_EQ(Gad_CurrentList(), Native(box));
  const ObjectHandle inner = Ctl_Button(KX_Any, 0, 0, 10, 10, u"in");
  EXPECT_EQ(Plat_Parent(Native(inner)), Native(box));
  Gad_CloseList();
  EXPECT_EQ(Gad_CurrentList(), before);

  r.kind = kCtlPanel;
  const ObjectHandle panel = Ctl_Create(r);
  ASSERT_TRUE(Ctl_AddPanelPage(panel, 0, u"First"));
  const ObjectHandle one = Ctl_Button(KX_Any, 0, 0, 10, 10, u"1");
  ASSERT_TRUE(Ctl_AddPanelPage(panel, 1, u"Second"));
  const ObjectHandle two = Ctl_Button(KX_Any, 0, 0, 10, 10, u"2");
  EXPECT_NE(Plat_Parent(Native(one)), Plat_Parent(Native(two)));
  EXPECT_EQ(Plat_Parent(Plat_Parent(Native(two))), Native(panel));
  Ctl_ClosePanel(panel);
  EXPECT_EQ(Gad_CurrentList(), before);
  EXPECT_EQ(Ctl_CountItems(panel), 2);
  Gad_SetState(panel, 1);
  EXPECT_EQ(Gad_GetState(panel), 1);
  EXPECT_GT(Ctl_PanelTabHeight(panel), 0);

  r.kind = kCtlScrollArea;
  const ObjectHandle area = Ctl_Create(r);
  ASSERT_NE(area, 0);
  const ObjectHandle deep = Ctl_Button(KX_Any, 0, 0, 10, 10, u"deep");
  EXPECT_NE(Plat_Parent(Native(deep)), Native(area));
  Gad_CloseList();
  Ctl_SetScrollAreaSize(area, 500, 500);

  r.kind = kCtlContainer;
  r.flags = 0;
  const ObjectHandle first = Ctl_Create(r);
  Gad_CloseList();
  const ObjectHandle second = Ctl_Create(r);
  Gad_CloseList();
  r.kind = kCtlSplitter;
  r.first = first;
  r.second = second;
  const ObjectHandle splitter = Ctl_Create(r);
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

}  // namespace

namespace {

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
  ControlRequest r;
  r.kind = kCtlExplorerList;
  r.text = path;
  const ObjectHandle all = Ctl_Create(r);
  r.flags = 0x1;  // folders only
  const ObjectHandle folders = Ctl_Create(r);
  ASSERT_NE(all, 0);
  EXPECT_EQ(Gad_GetText(all), path);
  for (int i = 0; i < 100 && (Ctl_CountItems(all) < 3 || Ctl_CountItems(folders) < 1); ++i)
    Evt_Wait(20);
  EXPECT_EQ(Ctl_CountItems(all), 3);
  EXPECT_EQ(Ctl_CountItems(folders), 1);
  std::filesystem::remove_all(folder);
}

}  // namespace
