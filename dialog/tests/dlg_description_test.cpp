// The description's vocabulary: window selection, attributes and their value
// syntaxes, the flag table, event attributes and the error messages.
#include <gtest/gtest.h>

#include "dialog/dlg_text.h"
#include "dialog/runtime_registry.h"
#include "dialog/tests/script_host.h"
#include "runtime/data/utf.h"

namespace {

using script::Built;
using script::Host;

std::u16string Window(const std::u16string& body) { return u"<window>" + body + u"</window>"; }

TEST(Description, DialogsRootSelectsWindowsByNameIgnoringCase) {
  const std::u16string xml =
      u"<dialogs>text<!-- c --><window name='a' text='first'/><other/>"
      u"<window text='nameless'/><window name='b' text='second'/></dialogs>";
  Built upper;
  upper.Make(xml, u"B");
  ASSERT_NE(upper.window, nullptr) << upper.Error();
  EXPECT_EQ(upper.window->text, u"second");
  Built empty;
  empty.Make(xml, u"");
  ASSERT_NE(empty.window, nullptr);
  EXPECT_EQ(empty.window->text, u"first");
  Built missing;
  missing.Make(xml, u"nameless");
  EXPECT_EQ(missing.window, nullptr);
  EXPECT_EQ(missing.Error(), "Dialog window not found");

  Built root;  // a root window is tested the same way
  root.Make(u"<Window Name='Solo'/>", u"solo");
  EXPECT_NE(root.window, nullptr);
  Built rootMiss;
  rootMiss.Make(u"<window/>", u"solo");
  EXPECT_EQ(rootMiss.Error(), "Dialog window not found");
  Built other;
  other.Make(u"<dialog><window/></dialog>");
  EXPECT_EQ(other.Error(), "Dialog window not found");
}

TEST(Description, SyntaxErrorBuildsWhatWasParsed) {
  Built b;
  b.Make(u"<window name='w'><vbox><button name='ok'/></vbox><oops></window>", u"w");
  ASSERT_NE(b.window, nullptr) << b.Error();
  EXPECT_NE(Xml_Error(b.document), 0);
  EXPECT_NE(b.window->FindByName(u"ok"), nullptr);
  Built nothing;
  nothing.Make(u"<<<", u"");
  EXPECT_EQ(nothing.Error(), "Dialog window not found");
}

TEST(Description, UnknownElementsAreSkippedWithTheirSubtree) {
  Built b;
  b.Make(
      Window(u"<vbox>\\n  <buton name='x'><button name='inner'/></buton>"
             u"<![CDATA[<button name='cdata'/>]]><?pi?><button name='real'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  EXPECT_EQ(b.host->made.size(), 1u);
  EXPECT_EQ(b.window->FindByName(u"inner"), nullptr);
  EXPECT_EQ(b.window->Child()->Children().size(), 1u);
}

TEST(Description, CommonAttributes) {
  Registry_SetInteger(u"#TEST_ID", 77);
  Registry_SetInteger(u"TEST_WIDTH", 123);
  Built b;
  b.Make(
      Window(u"<vbox><button ID='#test_id' NAME='One' Text='Caption' width='TEST_WIDTH' "
             u"height=' -7x' folded='Yes' disabled='YES' invisible='yes'/>"
             u"<button id='12' disabled='no' invisible='true'/>"
             u"<button id='#kx_any'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const auto& kids = b.window->Child()->Children();
  ASSERT_EQ(kids.size(), 3u);
  EXPECT_EQ(kids[0]->requestedId, 77);
  EXPECT_EQ(kids[0]->name, u"One");
  EXPECT_EQ(kids[0]->text, u"Caption");
  EXPECT_EQ(kids[0]->minWidth, 123);
  EXPECT_EQ(kids[0]->minHeight, -7);
  EXPECT_TRUE(kids[0]->folded);
  EXPECT_TRUE(script::Scripts()[kids[0]->gadget].disabled);
  EXPECT_TRUE(script::Scripts()[kids[0]->gadget].hidden);
  EXPECT_EQ(kids[1]->requestedId, 12);
  EXPECT_FALSE(script::Scripts()[kids[1]->gadget].disabled);
  EXPECT_FALSE(script::Scripts()[kids[1]->gadget].hidden) << "only \"yes\" hides";
  EXPECT_FALSE(kids[1]->name.has_value());
  EXPECT_EQ(kids[2]->requestedId, -1);
  Registry_Remove(u"#TEST_ID");
  Registry_Remove(u"TEST_WIDTH");
}

TEST(Description, IntegerSyntax) {
  EXPECT_EQ(ParseInteger(u"  -42abc"), -42);
  EXPECT_EQ(ParseInteger(u"+7"), 7);
  EXPECT_EQ(ParseInteger(u"x1"), 0);
  EXPECT_EQ(ParseInteger(u""), 0);
  EXPECT_EQ(ParseInteger(u"99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(DlgConstantOrInteger(u"$10"), 0) << "no hex in the description";
}

TEST(Description, GadgetValuesAndDefaults) {
  Registry_SetInteger(u"TEST_MAX", 500);
  Built b;
  b.Make(
      Window(u"<vbox><scrollbar name='s'/><trackbar name='t' min='3'/>"
             u"<progressbar name='p' max='TEST_MAX' value='9'/><spin name='n' min='-5'/>"
             u"<hyperlink name='h'/><hyperlink name='h2' color='255'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  auto gadget = [&](const char16_t* name) {
    return static_cast<DlgGadget*>(b.window->FindByName(name));
  };
  EXPECT_EQ(gadget(u"s")->maximum, 100);
  EXPECT_EQ(gadget(u"s")->page, 10);
  EXPECT_EQ(gadget(u"s")->value, 0);
  EXPECT_EQ(gadget(u"t")->maximum, 10) << "a track bar's maximum is 10";
  EXPECT_EQ(gadget(u"t")->value, 3) << "value defaults to the minimum";
  EXPECT_EQ(gadget(u"p")->maximum, 500);
  EXPECT_EQ(gadget(u"p")->value, 9);
  EXPECT_EQ(gadget(u"n")->value, -5);
  EXPECT_EQ(gadget(u"h")->color, 0xFF0000);
  EXPECT_EQ(gadget(u"h2")->color, 255);
  Registry_Remove(u"TEST_MAX");
}

TEST(Description, BoxAndGridKeywords) {
  Built b;
  b.Make(
      Window(u"<vbox><hbox spacing='3' expand='Item:4' align='CENTER'/>"
             u"<vbox expand='equal' align='Right'/><hbox expand='yes' align='bottom'/>"
             u"<gridbox columns='3' colexpand='item:2' rowexpand='YES' colspacing='1' "
             u"rowspacing='2'/><gridbox rowexpand='maybe' colexpand='maybe'/></vbox>"));
  ASSERT_NE(b.window, nullptr);
  const auto& kids = b.window->Child()->Children();
  auto* box = static_cast<DlgBox*>(kids[0].get());
  EXPECT_EQ(box->spacing, 3);
  EXPECT_EQ(box->expand, DlgExpand::Item);
  EXPECT_EQ(box->expandItem, 3);
  EXPECT_EQ(box->align, kAlignCenter);
  EXPECT_EQ(static_cast<DlgBox*>(kids[1].get())->expand, DlgExpand::Equal);
  EXPECT_EQ(static_cast<DlgBox*>(kids[1].get())->align, kAlignEnd);
  EXPECT_EQ(static_cast<DlgBox*>(kids[2].get())->align, kAlignEnd);
  auto* grid = static_cast<DlgGrid*>(kids[3].get());
  EXPECT_EQ(grid->columns, 3);
  EXPECT_EQ(grid->colExpand, DlgExpand::Item);
  EXPECT_EQ(grid->colItem, 1);
  EXPECT_EQ(grid->rowExpand, DlgExpand::Yes);
  auto* plain = static_cast<DlgGrid*>(kids[4].get());
  EXPECT_EQ(plain->colExpand, DlgExpand::Yes);
  EXPECT_EQ(plain->rowExpand, DlgExpand::No);
}

TEST(Description, MarginDefaultsAndKeyedParts) {
  Built b;
  b.Make(
      Window(u"<vbox><singlebox/><frame/><container/><tab/><scrollarea/>"
             u"<singlebox margin='VERTICAL:4,LEFT:2'/>"
             u"<singlebox margin='top:1 bottom:2 left:3 right:4 vertical:9'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  EXPECT_EQ(b.window->top, 8);
  const auto& kids = b.window->Child()->Children();
  auto margins = [&](std::size_t i) {
    auto* e = static_cast<DlgOneChild*>(kids[i].get());
    return std::array<int, 4>{e->top, e->bottom, e->left, e->right};
  };
  EXPECT_EQ(margins(0), (std::array<int, 4>{10, 10, 10, 10}));
  EXPECT_EQ(margins(1), (std::array<int, 4>{5, 5, 5, 5}));
  EXPECT_EQ(margins(2), (std::array<int, 4>{10, 10, 10, 10}));
  EXPECT_EQ(margins(3), (std::array<int, 4>{10, 10, 10, 10}));
  EXPECT_EQ(margins(4), (std::array<int, 4>{10, 10, 10, 10}));
  EXPECT_EQ(margins(5), (std::array<int, 4>{4, 4, 2, 0}));
  EXPECT_EQ(margins(6), (std::array<int, 4>{9, 9, 3, 4}));
}

TEST(Flags, ParsingRules) {
  DlgContext context(nullptr);
  EXPECT_EQ(
      DlgParseFlags(DlgKind::Window, u"#KX_Window_SystemMenu | #KX_Window_SizeGadget", context),
      0xCC0000u);
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"\t #kx_window_tool\t|#KX_WINDOW_NOGADGETS ", context),
            0xCu);
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"KX_Window_Tool", context), 0u)
      << "without # parsing stops";
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"#KX_Window_Tool|KX_Window_NoGadgets", context), 4u);
  const std::u16string longName = u"#" + std::u16string(127, u'X');
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"#KX_Window_Tool|" + longName, context), 4u)
      << "an item over 127 characters stops parsing";
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"", context), 0u);
  EXPECT_FALSE(context.Failed());
  EXPECT_EQ(DlgParseFlags(DlgKind::Window, u"#KX_Window_Tool|#KX_Window_Tol", context), 4u);
  EXPECT_EQ(context.Error(),
            "'#KX_Window_Tol' flag is not supported for the following gadget: window");
}

TEST(Flags, FamiliesOnlySearchTheirOwnRun) {
  DlgContext context(nullptr);
  EXPECT_EQ(DlgParseFlags(DlgKind::ButtonImage, u"#KX_Button_Toggle", context), 0x1003u);
  EXPECT_EQ(DlgParseFlags(DlgKind::ExplorerTree, u"#KX_Explorer_NoLines", context), 0x4000000u);
  EXPECT_EQ(DlgParseFlags(DlgKind::ExplorerList, u"#KX_Explorer_NoFiles", context), 0x1u);
  EXPECT_FALSE(context.Failed());
  DlgParseFlags(DlgKind::ExplorerCombo, u"#KX_Explorer_NoFiles", context);
  EXPECT_EQ(context.Error(),
            "'#KX_Explorer_NoFiles' flag is not supported for the following gadget: "
            "explorercombo");

  Registry_SetInteger(u"#TEST_FLAG", 0x40);
  DlgContext registered(nullptr);
  EXPECT_EQ(DlgParseFlags(DlgKind::VBox, u"#test_flag", registered), 0x40u)
      << "elements without a family take registered names";
  EXPECT_EQ(DlgParseFlags(DlgKind::Button, u"#KX_Button_Left|#TEST_FLAG", registered), 0x140u);
  EXPECT_FALSE(registered.Failed());
  DlgParseFlags(DlgKind::VBox, u"#KX_Window_Tool", registered);
  EXPECT_EQ(registered.Error(),
            "'#KX_Window_Tool' flag is not supported for the following gadget: vbox");
  Registry_Remove(u"#TEST_FLAG");
}

TEST(Flags, TableRunsHoldTheirFamily) {
  std::size_t count = 0;
  const DlgFlagConstant* table = DlgFlagTable(&count);
  EXPECT_EQ(count, 112u);
  for (int k = 0; k < kDlgKindCount; ++k) {
    const DlgKindInfo& info = DlgKindInfoOf(static_cast<DlgKind>(k));
    ASSERT_LE(info.flagFirst + info.flagCount, count);
    for (int i = info.flagFirst; i < info.flagFirst + info.flagCount; ++i) {
      std::u16string family(info.name);
      if (family.starts_with(u"explorer")) family = u"explorer";
      if (family == u"buttonimage") family = u"button";
      const std::u16string prefix = u"kx_" + family + u"_";
      EXPECT_TRUE(StartsWithNoCase(table[i].name, prefix))
          << Utf16ToUtf8(table[i].name) << " in the run of " << Utf16ToUtf8(info.name);
    }
  }
  std::int64_t value = 0;
  EXPECT_TRUE(DlgFamilyFlag(DlgKind::Text, u"KX_Text_Border", &value));
  EXPECT_EQ(value, 0x20000);
  EXPECT_TRUE(DlgFamilyFlag(DlgKind::Window, u"KX_Window_BorderLess", &value));
  EXPECT_EQ(value, 0x80000000);
  EXPECT_FALSE(DlgFamilyFlag(DlgKind::Option, u"KX_Button_Left", &value));
}

TEST(Errors, ConstantAndFlagMessagesStopTheBuild) {
  Built id;
  id.Make(Window(u"<vbox><button name='a'/><button id='#NOT_THERE'/><button name='c'/></vbox>"));
  EXPECT_EQ(id.window, nullptr);
  EXPECT_EQ(id.Error(), "'#NOT_THERE' constant is not found or not declared as runtime.");
  EXPECT_EQ(id.host->made.size(), 1u) << "building stops at the first error";

  Built flag;
  flag.Make(Window(u"<button flags='#KX_Window_Tool' id='#ALSO_MISSING'/>"));
  EXPECT_EQ(flag.Error(),
            "'#KX_Window_Tool' flag is not supported for the following gadget: button")
      << "attributes are read in document order; the first error stays";

  Built onWindow;
  onWindow.Make(u"<window flags='#KX_Button_Left'><button/></window>");
  EXPECT_EQ(onWindow.Error(),
            "'#KX_Button_Left' flag is not supported for the following gadget: window");
  EXPECT_TRUE(onWindow.host->made.empty());
}

TEST(Errors, MessagesAreCutTo511Bytes) {
  DlgContext context(nullptr);
  context.Fail(kErrConstant, std::u16string(600, u'ö'));
  EXPECT_LE(context.Error().size(), 511u);
  EXPECT_EQ(Utf8ToUtf16(context.Error()).find(u'\uFFFD'), std::u16string::npos)
      << "no half characters";
  context.Fail(kErrProcedure, u"later");
  EXPECT_EQ(context.Error().substr(0, 3), "'\xC3\xB6");
}

int Procedure() { return 1; }

TEST(Events, AcceptanceProceduresAndBinding) {
  Registry_SetProcedure(u"OnThing", reinterpret_cast<void*>(&Procedure));
  const auto address = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(&Procedure));

  Built ok;
  ok.Make(
      Window(u"<vbox><button name='b' onevent='onthing'/>"
             u"<listicon name='l' onLeftClick='OnThing' onchange='OnThing' "
             u"ondragstart='OnThing'/><panel name='p' onchange='OnThing'/>"
             u"<string name='s' onfocus='OnThing' onlostfocus='OnThing'/>"
             u"<vbox onevent='nothing registered: ignored'/></vbox>"));
  ASSERT_NE(ok.window, nullptr) << ok.Error();
  using Binding = std::tuple<ObjectHandle, int, std::int64_t>;
  const auto& h = *ok.host;
  ASSERT_EQ(h.bound.size(), 7u);
  EXPECT_EQ(h.bound[0], (Binding{h.gadgetOf.at(u"b"), -1, address}));
  EXPECT_EQ(h.bound[1], (Binding{h.gadgetOf.at(u"l"), 0, address}));
  EXPECT_EQ(h.bound[2], (Binding{h.gadgetOf.at(u"l"), 768, address}));
  EXPECT_EQ(h.bound[3], (Binding{h.gadgetOf.at(u"l"), 14002, address}));
  EXPECT_EQ(h.bound[4], (Binding{h.gadgetOf.at(u"p"), 768, address}));
  EXPECT_EQ(h.bound[5], (Binding{h.gadgetOf.at(u"s"), 14000, address}));
  EXPECT_EQ(h.bound[6], (Binding{h.gadgetOf.at(u"s"), 14001, address}));

  Built refused;
  refused.Make(Window(u"<listview onRightClick='OnThing'/>"));
  EXPECT_EQ(refused.Error(), "'onRightClick' is not supported for the following gadget: listview");
  Built onButton;
  onButton.Make(Window(u"<button ONCHANGE='OnThing'/>"));
  EXPECT_EQ(onButton.Error(), "'ONCHANGE' is not supported for the following gadget: button");
  Built unknown;
  unknown.Make(Window(u"<image onleftdoubleclick='Missing'/>"));
  EXPECT_EQ(unknown.Error(), "'Missing' is not a runtime procedure.");
  Registry_Remove(u"OnThing");
}

TEST(Events, NotReadWithoutAGadget) {
  struct NoGadgets : Host {
    ObjectHandle CreateGadget(DlgElement&) override { return -1; }
  };
  Built b;
  b.host = std::make_unique<NoGadgets>();
  b.context = std::make_unique<DlgContext>(b.host.get());
  b.Make(Window(u"<button onchange='whatever'/>"));
  EXPECT_NE(b.window, nullptr) << b.Error();
}

TEST(Construction, OptionGroupsAreMadeAtTheEndOfTheirParent) {
  Built b;
  b.Make(
      Window(u"<vbox name='box'><option name='o1' group='1'/><option name='o2' group='2'/>"
             u"<option name='plain'/><option name='o3' group='1' disabled='yes'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const std::vector<std::u16string> expected = {u"create plain", u"group", u"create o1",
                                                u"create o3",    u"group", u"create o2"};
  EXPECT_EQ(b.host->log, expected);
  EXPECT_TRUE(b.host->Script(u"o3").disabled);
  // The options keep their place among the children.
  const auto& kids = b.window->Child()->Children();
  ASSERT_EQ(kids.size(), 4u);
  EXPECT_EQ(kids[1]->name, u"o2");
}

TEST(Construction, ContainersCloseTheirGadgetListsAfterTheirChildren) {
  Built b;
  b.Make(
      Window(u"<container name='k'><scrollarea name='s'><canvas name='c' "
             u"flags='#KX_Canvas_Container'><button name='b'/></canvas></scrollarea>"
             u"</container>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const std::vector<std::u16string> expected = {u"create k", u"create s", u"create c", u"create b",
                                                u"close c",  u"close s",  u"close k"};
  EXPECT_EQ(b.host->log, expected);
}

TEST(Construction, SplitterChildrenAreMadeInTheirContainers) {
  Built b;
  b.Make(
      Window(u"<splitter name='sp'><button name='a'/><vbox><button name='b'/></vbox>"
             u"<button name='third'/></splitter>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const std::vector<std::u16string> expected = {u"create sp",    u"open side 0", u"create a",
                                                u"close side 0", u"open side 1", u"create b",
                                                u"close side 1", u"create third"};
  EXPECT_EQ(b.host->log, expected);
  EXPECT_EQ(b.window->Child()->Children().size(), 2u) << "a third child has no place";
  EXPECT_EQ(b.window->FindByName(u"third"), nullptr);
  DlgDestroy(std::move(b.window));
  EXPECT_EQ(b.host->forgotten, 1) << "destroying the window element forgets the window";
}

TEST(Construction, NestedPanelsCountTheirOwnPages) {
  Built b;
  b.Make(
      Window(u"<panel name='outer'><tab text='A'><panel name='inner'><tab text='x'/>"
             u"<tab text='y'/></panel></tab><tab text='B'/></panel>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const std::vector<std::pair<int, std::u16string>> expected = {
      {0, u"A"}, {0, u"x"}, {1, u"y"}, {1, u"B"}};
  EXPECT_EQ(b.host->pages, expected);
}

TEST(Construction, TreeOperations) {
  Built b;
  b.Make(
      Window(u"<vbox><button name='Twin' text='one'/><hbox><text name='twin'/>"
             u"<image name='pic' text='ignored'/><button name='f' folded='yes'/></hbox>"
             u"</vbox>"));
  ASSERT_NE(b.window, nullptr);
  DlgElement* found = b.window->FindByName(u"TWIN");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->text, u"one") << "depth first, document order";
  b.window->ApplyText();
  EXPECT_EQ(b.host->Script(u"Twin").text, u"one");
  EXPECT_EQ(b.host->Script(u"pic").text, u"") << "image does not take its TEXT";
  b.window->SetHidden(true);
  EXPECT_TRUE(b.host->Script(u"f").hidden);
  EXPECT_TRUE(b.host->Script(u"twin").hidden);
  b.window->SetHidden(false);
  EXPECT_FALSE(b.host->Script(u"twin").hidden);
  EXPECT_TRUE(b.host->Script(u"f").hidden) << "showing skips folded elements";
}

TEST(Limits, TooManyChildrenAndTooDeep) {
  std::u16string many = u"<vbox>";
  for (int i = 0; i < 101; ++i) many += u"<empty/>";
  Built b;
  b.Make(Window(many + u"</vbox>"));
  EXPECT_EQ(b.window, nullptr);
  EXPECT_EQ(b.Error(), "Too many elements in the following gadget: vbox");

  std::u16string grid = u"<gridbox columns='1'>";
  for (int i = 0; i < 71; ++i) grid += u"<empty/>";
  Built g;
  g.Make(Window(grid + u"</gridbox>"));
  EXPECT_EQ(g.Error(), "Too many elements in the following gadget: gridbox");

  std::u16string deep;
  for (int i = 0; i < 500; ++i) deep += u"<singlebox>";
  Built d;
  d.Make(Window(deep));
  EXPECT_EQ(d.window, nullptr);
  EXPECT_EQ(d.Error().rfind("Elements nested too deep", 0), 0u);
}

}  // namespace
