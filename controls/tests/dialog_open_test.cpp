// Dialogs built with the real controls: every element kind and flag family,
// the error messages, lookups, events bound by name, and freeing.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "controls/controls.h"
#include "dialog/dialog.h"
#include "dialog/runtime_registry.h"
#include "dialog/xml.h"
#include "platform/controls.h"
#include "platform/platform_test_hooks.h"
#include "runtime/data/utf.h"
#include "test_window.h"

namespace {

std::vector<std::int64_t> gEvents;
void OnPressed() { gEvents.push_back(Evt_SubType()); }

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ctl_UseInDialogs();
    Registry_SetProcedure(u"OnPressed", reinterpret_cast<void*>(&OnPressed));
    Registry_SetInteger(u"#WINDOW_ID", 12);
    Registry_SetInteger(u"#KX_Custom_Flag", 0x40000000);
    gEvents.clear();
  }
  void TearDown() override {
    Dlg_Free(KX_Any);
    for (ObjectHandle x : xmls_) Xml_Free(x);
    Win_Close(KX_Any);
    DrainEvents();
    Registry_Clear();
  }
  ObjectHandle Parse(const std::u16string& text) {
    const ObjectHandle x = Xml_CatchMemory(KX_Any, text);
    xmls_.push_back(x);
    return x;
  }
  // Opens `body` inside a window named "w"; returns the dialog.
  ObjectHandle Open(const std::u16string& body, int* ok, const std::u16string& flags = u"") {
    const ObjectHandle xml =
        Parse(u"<window name='w' text='T' flags='" + flags + u"'>" + body + u"</window>");
    const ObjectHandle dialog = Dlg_Create(KX_Any);
    *ok = Dlg_Open(dialog, xml, u"w");
    return dialog;
  }
  PlatWindow Native(ObjectHandle dialog, const char16_t* name) {
    GadgetRecord* g = Gad_Record(Dlg_Gadget(dialog, name));
    return g ? static_cast<PlatWindow>(g->handle) : nullptr;
  }
  std::vector<ObjectHandle> xmls_;
};

const char16_t kKitchenSink[] =
    uR"(<dialogs><window name='sink' text='Everything' id='#WINDOW_ID' minwidth='auto' minheight='300' maxwidth='2000' maxheight='1500' margin='vertical:4,left:2'
  flags='#KX_Window_SystemMenu | #KX_Window_SizeGadget|#KX_Window_MinimizeGadget|#KX_Window_MaximizeGadget|#KX_Window_TitleBar|#KX_Window_ScreenCentered|#KX_Custom_Flag'>
 <vbox spacing='3' expand='yes' align='top'>
  <hbox expand='no' align='center'>
   <button name='b1' text='Left' flags='#KX_Button_Left|#KX_Button_Default' onevent='OnPressed'/>
   <button name='b2' text='Right wrapped' flags='#KX_Button_Right|#KX_Button_MultiLine'/>
   <button name='toggle' text='Toggle' flags='#KX_Button_Toggle'/>
   <buttonimage name='bi' flags='#KX_Button_Toggle'/>
   <checkbox name='cb' text='Check' flags='#KX_CheckBox_Right|#KX_CheckBox_Center|#KX_CheckBox_ThreeState'/>
   <text name='t' text='A &amp; B' flags='#KX_Text_Center|#KX_Text_Right|#KX_Text_Border'/>
   <hyperlink name='link' text='link' color='255' flags='#KX_HyperLink_Underline'/></hbox>
  <gridbox columns='3' colexpand='equal' rowexpand='item:1'>
   <string name='s' text='text' flags='#KX_String_Password|#KX_String_ReadOnly|#KX_String_Numeric|#KX_String_LowerCase|#KX_String_UpperCase|#KX_String_BorderLess|#KX_String_AutoComplete|#KX_String_AutoInsert' onchange='OnPressed' onfocus='OnPressed' onlostfocus='OnPressed'/>
   <shortcut name='sc' text='Ctrl+S'/><ipaddress name='ip' text='10.0.0.1'/>
   <combobox name='combo' flags='#KX_ComboBox_Editable|#KX_ComboBox_LowerCase|#KX_ComboBox_UpperCase|#KX_ComboBox_Image' onchange='OnPressed'/>
   <date name='date' text='yyyy-MM-dd' flags='#KX_Date_UpDown|#KX_Date_CheckBox' onchange='OnPressed'/>
   <spin name='spin' min='-5' max='5' value='3' text='3' flags='#KX_Spin_ReadOnly|#KX_Spin_Numeric'/>
   <calendar name='cal' flags='#KX_Calendar_Borderless' colspan='2'/>
   <image name='img' flags='#KX_Image_Raised|#KX_Image_Border' onleftclick='OnPressed' onrightclick='OnPressed' onleftdoubleclick='OnPressed' onrightdoubleclick='OnPressed' ondragstart='OnPressed'/></gridbox>
  <multibox>
   <listview name='lv' height='50' flags='#KX_ListView_MultiSelect|#KX_ListView_ClickSelect' onleftclick='OnPressed' onleftdoubleclick='OnPressed'/>
   <listicon name='li' text='Name' height='50' flags='#KX_ListIcon_CheckBoxes|#KX_ListIcon_MultiSelect|#KX_ListIcon_GridLines|#KX_ListIcon_FullRowSelect|#KX_ListIcon_HeaderDragDrop|#KX_ListIcon_AlwaysShowSelection|#KX_ListIcon_ThreeState' onchange='OnPressed'/></multibox>
  <panel name='panel' onchange='OnPressed'>
   <tab text='Lists'><hbox>
     <tree name='tree' width='80' height='60' flags='#KX_Tree_AlwaysShowSelection|#KX_Tree_NoLines|#KX_Tree_NoButtons|#KX_Tree_CheckBoxes|#KX_Tree_ThreeState'/>
     <explorerlist name='el' text='/' width='80' height='60' flags='#KX_Explorer_NoMyDocuments|#KX_Explorer_NoFiles|#KX_Explorer_NoDriveRequester|#KX_Explorer_AutoSort|#KX_Explorer_BorderLess|#KX_Explorer_AlwaysShowSelection|#KX_Explorer_NoParentFolder|#KX_Explorer_NoFolders|#KX_Explorer_NoDirectoryChange|#KX_Explorer_NoSort|#KX_Explorer_MultiSelect|#KX_Explorer_GridLines|#KX_Explorer_HeaderDragDrop|#KX_Explorer_FullRowSelect'/>
     <explorertree name='et' text='/' width='80' height='60' flags='#KX_Explorer_BorderLess|#KX_Explorer_AlwaysShowSelection|#KX_Explorer_NoLines|#KX_Explorer_NoButtons|#KX_Explorer_NoMyDocuments|#KX_Explorer_NoFiles|#KX_Explorer_NoDriveRequester|#KX_Explorer_AutoSort'/>
     <explorercombo name='ec' text='/' flags='#KX_Explorer_NoMyDocuments|#KX_Explorer_DrivesOnly|#KX_Explorer_Editable'/></hbox></tab>
   <tab text='Editors' margin='5'>
    <splitter name='split' firstmin='auto' secondmin='20' flags='#KX_Splitter_Vertical|#KX_Splitter_Separator|#KX_Splitter_FirstFixed|#KX_Splitter_SecondFixed'>
     <editor name='ed' text='line one' height='40' flags='#KX_Editor_ReadOnly|#KX_Editor_WordWrap'/>
     <scintilla name='sci' text='code' height='40'/></splitter></tab>
   <tab text='Values'><vbox>
     <scrollbar name='sb' min='0' max='50' page='5' value='7' height='16' flags='#KX_ScrollBar_Vertical'/>
     <trackbar name='tb' value='4' height='30' flags='#KX_TrackBar_Ticks|#KX_TrackBar_Vertical'/>
     <progressbar name='pb' min='10' max='20' value='15' height='16' flags='#KX_ProgressBar_Smooth|#KX_ProgressBar_Vertical'/></vbox></tab></panel>
  <hbox>
   <container name='cont' flags='#KX_Container_BorderLess|#KX_Container_Flat|#KX_Container_Raised|#KX_Container_Single|#KX_Container_Double'>
    <singlebox margin='2'>
     <option name='o1' text='one' group='1'/></singlebox></container>
   <frame name='frame' text='Choices' flags='#KX_Frame_Double|#KX_Frame_Single|#KX_Frame_Flat'><vbox>
     <option name='a1' text='a1' group='1'/><option name='b1o' text='b1' group='2'/>
     <option name='a2' text='a2' group='1'/><option name='b2o' text='b2' group='2'/></vbox></frame>
   <scrollarea name='area' innerwidth='300' innerheight='auto' step='5' scrolling='vertical' flags='#KX_ScrollArea_Flat|#KX_ScrollArea_Raised|#KX_ScrollArea_Single|#KX_ScrollArea_BorderLess|#KX_ScrollArea_Center' width='100' height='60'>
    <web name='web' text='http://example.invalid/' width='200' height='100'/></scrollarea>
   <canvas name='cv' width='40' height='40' flags='#KX_Canvas_ClipMouse|#KX_Canvas_Border|#KX_Canvas_Keyboard|#KX_Canvas_DrawFocus'/>
   <canvas name='cc' flags='#KX_Canvas_Container' margin='3'><button name='inside' text='In'/></canvas>
   <empty width='10' folded='yes'/><hidden-thing><button name='never'/></hidden-thing>
   <button name='off' text='Off' disabled='yes'/><button name='gone' text='Gone' invisible='yes'/></hbox></vbox></window></dialogs>)";

TEST_F(DialogTest, KitchenSinkOpensWithEveryKindAndFlagFamily) {
  const ObjectHandle xml = Parse(kKitchenSink);
  ASSERT_TRUE(Xml_IsXml(xml));
  const ObjectHandle dialog = Dlg_Create(KX_Any);
  ASSERT_NE(Dlg_Open(dialog, xml, u"SINK"), 0) << Utf16ToUtf8(Dlg_Error(dialog));
  EXPECT_EQ(Dlg_Error(dialog), u"");
  EXPECT_EQ(Dlg_Window(dialog), 12) << "the registered ID names the window";
  EXPECT_TRUE(Win_IsWindow(12));
  EXPECT_GE(Win_InnerHeight(12), 300);
  const char16_t* kinds[] = {u"b1",   u"b2",    u"toggle", u"bi",    u"cb",     u"t",    u"link",
                             u"s",    u"sc",    u"ip",     u"combo", u"date",   u"spin", u"cal",
                             u"img",  u"lv",    u"li",     u"panel", u"tree",   u"el",   u"et",
                             u"ec",   u"split", u"ed",     u"sci",   u"sb",     u"tb",   u"pb",
                             u"cont", u"o1",    u"frame",  u"a1",    u"b1o",    u"a2",   u"b2o",
                             u"area", u"web",   u"cv",     u"cc",    u"inside", u"off",  u"gone"};
  for (const char16_t* name : kinds) {
    SCOPED_TRACE(Utf16ToUtf8(name));
    const ObjectHandle g = Dlg_Gadget(dialog, name);
    ASSERT_NE(g, -1);
    EXPECT_TRUE(Gad_IsGadget(g));
  }
  EXPECT_EQ(Dlg_Gadget(dialog, u"never"), -1) << "unknown elements are skipped with their subtree";
  EXPECT_EQ(Gad_GetText(Dlg_Gadget(dialog, u"t")), u"A & B");
  EXPECT_EQ(Gad_GetText(Dlg_Gadget(dialog, u"ed")), u"line one");
  for (auto [name, state] : {std::pair{u"sb", 7}, {u"tb", 4}, {u"pb", 15}, {u"spin", 3}})
    EXPECT_EQ(Gad_GetState(Dlg_Gadget(dialog, name)), state) << Utf16ToUtf8(name);
  EXPECT_FALSE(Plat_IsEnabled(Native(dialog, u"off")));
  EXPECT_FALSE(Plat_IsVisible(Native(dialog, u"gone")));
  EXPECT_TRUE(Plat_IsVisible(Native(dialog, u"b1")));

  // The deferred options form one radio group per GROUP value.
  const ObjectHandle a1 = Dlg_Gadget(dialog, u"a1"), a2 = Dlg_Gadget(dialog, u"a2");
  const ObjectHandle b1 = Dlg_Gadget(dialog, u"b1o"), b2 = Dlg_Gadget(dialog, u"b2o");
  for (ObjectHandle o : {a1, b1, a2}) Gad_SetState(o, 1);
  EXPECT_EQ(Gad_GetState(a1), 0);
  EXPECT_EQ(Gad_GetState(b1), 1) << "the other group is untouched";
  Gad_SetState(b2, 1);
  EXPECT_EQ(Gad_GetState(b1), 0);
  EXPECT_EQ(Gad_GetState(a2), 1);

  // A container canvas holds its child.
  EXPECT_EQ(Plat_Parent(Native(dialog, u"inside")), Native(dialog, u"cc"));
  EXPECT_EQ(Plat_OuterRect(Native(dialog, u"inside")).x, 3);
  // Panel pages hold their tabs' gadgets.
  EXPECT_EQ(Ctl_CountItems(Dlg_Gadget(dialog, u"panel")), 3);
  // Under a real display, keep the window up for a screenshot.
  if (const char* dir = std::getenv("RELIVOX_SCREENSHOT_DIR")) {
    std::ofstream(std::string(dir) + "/ready") << "ready\n";
    for (int i = 0; i < 40; ++i) {
      Evt_Wait(50);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  const int mapped = Dlg_MappedWindowCount();
  Dlg_Free(dialog);
  EXPECT_EQ(Dlg_IsDialog(dialog), 0);
  EXPECT_FALSE(Win_IsWindow(12));
  EXPECT_EQ(Dlg_MappedWindowCount(), mapped - 1);
  EXPECT_FALSE(Gad_IsGadget(a1)) << "the gadgets go with the dialog";
}

TEST_F(DialogTest, EachErrorMessageComesFromTheDescriptionMadeForIt) {
  const struct {
    std::u16string body, flags, message;
  } cases[] = {
      {u"<button flags='#KX_Text_Center'/>", u"",
       u"'#KX_Text_Center' flag is not supported for the following gadget: button"},
      {u"<button id='#NOT_THERE'/>", u"",
       u"'#NOT_THERE' constant is not found or not declared as runtime."},
      {u"<button onchange='OnPressed'/>", u"",
       u"'onchange' is not supported for the following gadget: button"},
      {u"<button onevent='Missing'/>", u"", u"'Missing' is not a runtime procedure."},
      {u"<text/>", u"#KX_Button_Left",
       u"'#KX_Button_Left' flag is not supported for the following gadget: window"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.body));
    int ok = 1;
    const ObjectHandle dialog = Open(c.body, &ok, c.flags);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Dlg_Error(dialog), c.message);
    EXPECT_EQ(Dlg_Window(dialog), -1);
    EXPECT_EQ(Dlg_Gadget(dialog, u"x"), -1);
  }
  const ObjectHandle xml = Parse(u"<dialogs><window name='a'/><window name='b'/></dialogs>");
  const ObjectHandle dialog = Dlg_Create(KX_Any);
  EXPECT_EQ(Dlg_Open(dialog, xml, u"c"), 0);
  EXPECT_EQ(Dlg_Error(dialog), u"Dialog window not found");
  EXPECT_EQ(Dlg_Open(dialog, Parse(u"<<broken"), u""), 0);
  EXPECT_EQ(Dlg_Error(dialog), u"Dialog window not found");
  // A failed open leaves no window behind.
  EXPECT_EQ(Dlg_MappedWindowCount(), 0);
  ASSERT_NE(Dlg_Open(dialog, xml, u"B"), 0);
  EXPECT_EQ(Dlg_Error(dialog), u"") << "a new open forgets the old error";
  EXPECT_EQ(Win_Title(Dlg_Window(dialog)), u"");
}

TEST_F(DialogTest, EventAttributesBindRegisteredProcedures) {
  int ok = 0;
  const ObjectHandle dialog = Open(
      u"<vbox><button name='go' text='Go' onevent='OnPressed'/>"
      u"<string name='s' onchange='OnPressed'/></vbox>",
      &ok);
  ASSERT_EQ(ok, 1);
  DrainEvents();
  gEvents.clear();
  Plat_TestInput(Native(dialog, u"go"), PlatTestInput::kMouseDown, 3, 3, kPlatButtonLeft, 0);
  Plat_TestInput(Native(dialog, u"go"), PlatTestInput::kMouseUp, 3, 3, kPlatButtonLeft, 0);
  ASSERT_EQ(gEvents.size(), 1u);
  EXPECT_EQ(gEvents[0], 0);
  gEvents.clear();
  Gad_Focus(Dlg_Gadget(dialog, u"s"));
  Plat_TestInput(Native(dialog, u"s"), PlatTestInput::kKeyDown, 0, 0, 0, 0, 'A', U'a');
  ASSERT_EQ(gEvents.size(), 1u) << "only the change is bound";
  EXPECT_EQ(gEvents[0], 768);
}

TEST_F(DialogTest, OpeningTwiceReplacesTheFirstTreeAndLookupsIgnoreCase) {
  const ObjectHandle dialog = Dlg_Create(KX_Any);
  ASSERT_NE(
      Dlg_Open(dialog, Parse(u"<window id='7'><button id='5' name='Go' text='Go'/></window>"), u""),
      0);
  EXPECT_EQ(Dlg_Window(dialog), 7);
  EXPECT_EQ(Dlg_Gadget(dialog, u"gO"), 5);
  ASSERT_NE(Dlg_Open(dialog, Parse(u"<window name='w'><button name='other'/></window>"), u"W"), 0);
  EXPECT_FALSE(Win_IsWindow(7));
  EXPECT_FALSE(Gad_IsGadget(5));
  EXPECT_EQ(Dlg_Gadget(dialog, u"go"), -1);
  EXPECT_TRUE(Win_IsWindow(Dlg_Window(dialog)));
  EXPECT_EQ(Dlg_MappedWindowCount(), 1);
  EXPECT_EQ(Dlg_Gadget(dialog, u"nothing"), -1);
  EXPECT_EQ(Dlg_Gadget(dialog, u"w"), -1) << "the window element has no gadget";
  EXPECT_EQ(Dlg_Window(987654), -1);
  EXPECT_EQ(Dlg_Open(987654, xmls_.back(), u"w"), 0);
  EXPECT_EQ(Dlg_IsDialog(987654), 0);
  EXPECT_EQ(Dlg_Error(987654), u"");
  Dlg_Free(987654);
  // Closing the window first, as the main program does, then freeing.
  Win_Close(Dlg_Window(dialog));
  Dlg_Free(dialog);
  EXPECT_EQ(Dlg_MappedWindowCount(), 0);
  // A fixed number in use is freed before it is taken again.
  ASSERT_NE(Dlg_Create(3), 0);
  ASSERT_NE(Dlg_Open(3, xmls_.back(), u"w"), 0);
  const ObjectHandle old = Dlg_Window(3);
  ASSERT_NE(Dlg_Create(3), 0);
  EXPECT_FALSE(Win_IsWindow(old));
  EXPECT_EQ(Dlg_Window(3), -1);
}

TEST_F(DialogTest, FreeingLeavesAWindowThatTookTheClosedWindowsNumber) {
  const ObjectHandle xml = Parse(u"<window id='7' name='w'><button id='5' name='Go'/></window>");
  const ObjectHandle first = Dlg_Create(KX_Any);
  ASSERT_NE(Dlg_Open(first, xml, u"w"), 0);
  // The program closes the window itself; another dialog then takes number 7.
  Win_Close(7);
  const ObjectHandle second = Dlg_Create(KX_Any);
  ASSERT_NE(Dlg_Open(second, xml, u"w"), 0);
  Dlg_Free(first);
  EXPECT_TRUE(Win_IsWindow(7));
  EXPECT_TRUE(Gad_IsGadget(5));
  EXPECT_EQ(Dlg_Window(second), 7);
}

TEST_F(DialogTest, RequestedSizeAndInvisibleWindows) {
  const ObjectHandle xml = Parse(
      u"<dialogs><window name='hidden' flags='#KX_Window_Invisible'><button text='x'/></window>"
      u"<window name='big' flags='#KX_Window_WindowCentered|#KX_Window_TitleBar'>"
      u"<button name='b' text='x'/></window></dialogs>");
  const ObjectHandle hidden = Dlg_Create(KX_Any), big = Dlg_Create(KX_Any);
  ASSERT_NE(Dlg_Open(hidden, xml, u"hidden"), 0);
  EXPECT_FALSE(Plat_IsVisible(static_cast<PlatWindow>(Win_Native(Dlg_Window(hidden)))));
  ASSERT_NE(Dlg_Open(big, xml, u"big", 0, 0, 500, 300, Dlg_Window(hidden)), 0);
  const ObjectHandle window = Dlg_Window(big);
  EXPECT_TRUE(Plat_IsVisible(static_cast<PlatWindow>(Win_Native(window))));
  EXPECT_EQ(std::pair(Win_InnerWidth(window), Win_InnerHeight(window)), std::pair(500, 300))
      << "the requested size is larger than the required one";
  // The single child fills the window less the margins.
  const ObjectHandle b = Dlg_Gadget(big, u"b");
  EXPECT_EQ(std::pair(Gad_Width(b), Gad_Height(b)), std::pair(500 - 16, 300 - 16));
}

TEST_F(DialogTest, SplitterPanesGiveTheirChildrenTheirSize) {
  int ok = 0;
  const ObjectHandle dialog = Open(
      u"<splitter name='sp' flags='#KX_Splitter_Vertical' width='300' height='200'>"
      u"<editor name='left'/><editor name='right'/></splitter>",
      &ok);
  ASSERT_EQ(ok, 1);
  DrainEvents();
  const ObjectHandle left = Dlg_Gadget(dialog, u"left");
  const ObjectHandle right = Dlg_Gadget(dialog, u"right");
  EXPECT_GT(Gad_Width(left), 50);
  EXPECT_GT(Gad_Height(left), 150);
  EXPECT_GT(Gad_Width(right), 50);
  const ObjectHandle window = Dlg_Window(dialog);
  Win_Resize(window, KX_Unchanged, KX_Unchanged, 600, 400);
  DrainEvents();
  EXPECT_GT(Gad_Width(left) + Gad_Width(right), 500) << "the panes follow the window";
  EXPECT_GT(Gad_Height(left), 350);
}

}  // namespace
