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

TEST(Description, WindowsAreSelectedByNameIgnoringCase) {
  const std::u16string many =
      u"<dialogs>text<!-- c --><window name='a' text='first'/><other/>"
      u"<window text='nameless'/><window name='b' text='second'/></dialogs>";
  const struct {
    std::u16string xml, name;
    const char16_t* text;  // null: not found
  } cases[] = {{many, u"B", u"second"},
               {many, u"", u"first"},
               {many, u"nameless", nullptr},
               {u"<Window Name='Solo' text='s'/>", u"solo", u"s"},  // a root window
               {u"<window/>", u"solo", nullptr},
               {u"<dialog><window/></dialog>", u"", nullptr},
               {u"<<<", u"", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.xml + u" / " + c.name));
    Built b;
    b.Make(c.xml, c.name);
    if (c.text) {
      ASSERT_NE(b.window, nullptr) << b.Error();
      EXPECT_EQ(b.window->text, c.text);
    } else {
      EXPECT_EQ(b.window, nullptr);
      EXPECT_EQ(b.Error(), "Dialog window not found");
    }
  }
  Built b;  // a syntax error builds what was parsed
  b.Make(u"<window name='w'><vbox><button name='ok'/></vbox><oops></window>", u"w");
  ASSERT_NE(b.window, nullptr) << b.Error();
  EXPECT_NE(Xml_Error(b.document), 0);
  EXPECT_NE(b.window->FindByName(u"ok"), nullptr);
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
  auto& scripts = script::Scripts();
  EXPECT_TRUE(scripts[kids[0]->gadget].disabled && scripts[kids[0]->gadget].hidden);
  EXPECT_EQ(kids[1]->requestedId, 12);
  EXPECT_FALSE(scripts[kids[1]->gadget].disabled);
  EXPECT_FALSE(scripts[kids[1]->gadget].hidden) << "only \"yes\" hides";
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

TEST(Description, MarginDefaultsAndKeyedParts) {
  Built b;
  b.Make(
      Window(u"<vbox><singlebox/><frame/><container/><tab/><scrollarea/>"
             u"<singlebox margin='VERTICAL:4,LEFT:2'/>"
             u"<singlebox margin='top:1 bottom:2 left:3 right:4 vertical:9'/></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  EXPECT_EQ(b.window->top, 8);
  // Top, bottom, left, right of each child.
  const int expected[][4] = {{10, 10, 10, 10}, {5, 5, 5, 5}, {10, 10, 10, 10}, {10, 10, 10, 10},
                             {10, 10, 10, 10}, {4, 4, 2, 0}, {9, 9, 3, 4}};
  const auto& kids = b.window->Child()->Children();
  for (std::size_t i = 0; i < kids.size(); ++i) {
    auto* e = static_cast<DlgOneChild*>(kids[i].get());
    EXPECT_EQ((std::array{e->top, e->bottom, e->left, e->right}), std::to_array(expected[i]))
        << "child " << i;
  }
}

TEST(Flags, ParsingRules) {
  DlgContext context(nullptr);
  const struct {
    std::u16string flags;
    std::uint64_t value;
  } cases[] = {
      {u"#KX_Window_SystemMenu | #KX_Window_SizeGadget", 0xCC0000u},
      {u"\t #kx_window_tool\t|#KX_WINDOW_NOGADGETS ", 0xCu},
      {u"KX_Window_Tool", 0u},  // without # parsing stops
      {u"#KX_Window_Tool|KX_Window_NoGadgets", 4u},
      {u"#KX_Window_Tool|#" + std::u16string(127, u'X'), 4u},  // items stop at 127 characters
      {u"", 0u},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DlgParseFlags(DlgKind::Window, c.flags, context), c.value) << Utf16ToUtf8(c.flags);
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
  const std::pair<const char16_t*, int> expected[] = {
      {u"b", -1}, {u"l", 0}, {u"l", 768}, {u"l", 14002}, {u"p", 768}, {u"s", 14000}, {u"s", 14001}};
  const auto& h = *ok.host;
  ASSERT_EQ(h.bound.size(), std::size(expected));
  for (std::size_t i = 0; i < h.bound.size(); ++i)
    EXPECT_EQ(h.bound[i],
              std::make_tuple(h.gadgetOf.at(expected[i].first), expected[i].second, address))
        << i;

  for (auto [body, message] :
       {std::pair{u"<listview onRightClick='OnThing'/>",
                  "'onRightClick' is not supported for the following gadget: listview"},
        {u"<button ONCHANGE='OnThing'/>",
         "'ONCHANGE' is not supported for the following gadget: button"},
        {u"<image onleftdoubleclick='Missing'/>", "'Missing' is not a runtime procedure."}}) {
    Built refused;
    refused.Make(Window(body));
    EXPECT_EQ(refused.Error(), message);
  }
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

TEST(Construction, ContainersAndSplittersHoldTheirChildren) {
  Built b;
  b.Make(
      Window(u"<vbox><container name='k'><scrollarea name='s'><canvas name='c' "
             u"flags='#KX_Canvas_Container'><button name='b'/></canvas></scrollarea>"
             u"</container><splitter name='sp'><button name='a'/><vbox><button name='b2'/>"
             u"</vbox><button name='third'/></splitter></vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  const std::vector<std::u16string> expected = {
      u"create k", u"create s", u"create c",  u"create b", u"close c",
      u"close s",  u"close k",  u"create sp", u"open 0",   u"create a",
      u"close 0",  u"open 1",   u"create b2", u"close 1",  u"create third"};
  EXPECT_EQ(b.host->log, expected);
  EXPECT_EQ(b.window->Child()->Children()[1]->Children().size(), 2u)
      << "a splitter's third child has no place";
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
  auto repeat = [](const char16_t* item, int n) {
    std::u16string out;
    while (n-- > 0) out += item;
    return out;
  };
  const struct {
    std::u16string body;
    std::string error;
  } cases[] = {
      {u"<vbox>" + repeat(u"<empty/>", 101) + u"</vbox>",
       "Too many elements in the following gadget: vbox"},
      {u"<gridbox columns='1'>" + repeat(u"<empty/>", 71) + u"</gridbox>",
       "Too many elements in the following gadget: gridbox"},
      {repeat(u"<singlebox>", 500), "Elements nested too deep: singlebox"},
  };
  for (const auto& c : cases) {
    Built b;
    b.Make(Window(c.body));
    EXPECT_EQ(b.window, nullptr);
    EXPECT_EQ(b.Error(), c.error);
  }
}

}  // namespace
