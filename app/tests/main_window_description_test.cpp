#include "app/main_window_description.h"

#include <gtest/gtest.h>

#include "dialog/tests/script_host.h"
#include "runtime/data/utf.h"

namespace {

using script::Rect;

// Buttons 90 x 24 and 110 x 24, texts 6 x 15, progress bar and canvas 0 x 0.
void MainSizes(script::Host& host) {
  host.byName[u"open"] = script::Sized(90, 24);
  host.byName[u"save"] = script::Sized(110, 24);
  host.byKind[DlgKind::Text] = script::Sized(6, 15);
}

TEST(MainWindowDescription, ParsesWithoutError) {
  ObjectHandle doc = Xml_CatchMemory(KX_Any, kMainWindowDescription);
  ASSERT_NE(doc, 0);
  EXPECT_EQ(Xml_Error(doc), 0) << Utf16ToUtf8(Xml_ErrorMessage(doc));
  const XmlNode* main = Xml_MainNode(doc);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->name, u"dialogs");
  const XmlNode* window = DlgSelectWindow(main, u"main");
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->attributes.size(), 6u);
  EXPECT_EQ(window->attributes[0],
            std::make_pair(std::u16string(u"id"), std::u16string(u"#KX_ANY")));
  EXPECT_EQ(window->attributes[5].first, u"flags");
  Xml_Free(doc);
}

TEST(MainWindowDescription, BuildsTheWindowElementTree) {
  script::Built built;
  built.Make(kMainWindowDescription, u"MAIN", MainSizes);
  ASSERT_NE(built.window, nullptr) << built.Error();
  DlgWindow& w = *built.window;
  EXPECT_EQ(w.requestedId, -1) << "#KX_ANY in any case means a dynamic number";
  EXPECT_EQ(w.text, u"Relivox");
  EXPECT_EQ(w.windowFlags, 0xCF0001u);
  EXPECT_EQ(w.minWidthBound, 600);
  EXPECT_EQ(w.minHeightBound, 400);
  EXPECT_EQ(w.maxWidthBound, kBoundUnset);
  EXPECT_EQ(w.left, 8);
  EXPECT_EQ(w.top, 8);
  EXPECT_EQ(built.host->made.size(), 6u) << "the empty spacer makes no gadget";
  EXPECT_FALSE(built.host->Script(u"save").disabled);
  EXPECT_EQ(w.FindByName(u"IMAGE")->gadget, built.host->gadgetOf.at(u"image"));
  EXPECT_EQ(w.FindByName(u"nothing"), nullptr);
  auto* progress = static_cast<DlgGadget*>(w.FindByName(u"progress"));
  EXPECT_EQ(progress->minimum, 0);
  EXPECT_EQ(progress->maximum, 100);
  EXPECT_EQ(progress->value, 0);
  EXPECT_EQ(w.FindByName(u"queue")->text, u" ");
}

TEST(MainWindowDescription, LayoutAtOpenAndAfterResize) {
  script::Built built;
  built.Make(kMainWindowDescription, u"main", MainSizes);
  ASSERT_NE(built.window, nullptr) << built.Error();
  script::Host& host = *built.host;

  // Required size 226 x 85 is raised to the minimums, which become bounds.
  auto [w, h] = DlgLayoutOpen(*built.window, 0, 0);
  EXPECT_EQ(w, 600);
  EXPECT_EQ(h, 400);
  ASSERT_EQ(host.bounds.size(), 1u);
  EXPECT_EQ(host.bounds[0].minW, 600);
  EXPECT_EQ(host.bounds[0].minH, 400);
  EXPECT_EQ(host.bounds[0].maxW, -1);
  EXPECT_EQ(host.bounds[0].maxH, -1);

  // Margins 8, spacing 5: buttons at natural width, the canvas takes all
  // spare height, the bottom row is split in halves less one spacing.
  EXPECT_EQ(host.Placed(u"open"), (Rect{8, 8, 90, 24}));
  EXPECT_EQ(host.Placed(u"save"), (Rect{103, 8, 110, 24}));
  EXPECT_EQ(host.Placed(u"image"), (Rect{8, 37, 584, 315}));
  EXPECT_EQ(host.Placed(u"queue"), (Rect{8, 357, 584, 15}));
  EXPECT_EQ(host.Placed(u"text"), (Rect{8, 377, 289, 15}));
  EXPECT_EQ(host.Placed(u"progress"), (Rect{302, 377, 289, 15}));

  EXPECT_EQ(host.inner, (Rect{0, 0, 600, 400})) << "the window is given its inner size";

  host.inner = {0, 0, 1000, 700};  // the user enlarges the window
  DlgLayoutRelayout(*built.window);
  EXPECT_EQ(host.Placed(u"open"), (Rect{8, 8, 90, 24}));
  EXPECT_EQ(host.Placed(u"save"), (Rect{103, 8, 110, 24}));
  EXPECT_EQ(host.Placed(u"image"), (Rect{8, 37, 984, 615}));
  EXPECT_EQ(host.Placed(u"queue"), (Rect{8, 657, 984, 15}));
  EXPECT_EQ(host.Placed(u"text"), (Rect{8, 677, 489, 15}));
  EXPECT_EQ(host.Placed(u"progress"), (Rect{502, 677, 489, 15}));
  EXPECT_EQ(host.bounds.size(), 1u) << "a relayout does not recompute sizes";

  // The spacer took the rest of the top row: a gadget after it would start
  // at the right margin.
  auto& top = *static_cast<DlgBox*>(built.window->Child()->Children()[0].get());
  EXPECT_EQ(top.mainLength, 210);
}

TEST(MainWindowDescription, TextsMoveDownWhenTheirRowHasRoom) {
  // Same window with taller rows for the texts: the 2-pixel rule applies.
  script::Built built;
  built.Make(kMainWindowDescription, u"main", [](script::Host& host) {
    MainSizes(host);
    host.byName[u"progress"] = script::Sized(0, 0);
  });
  ASSERT_NE(built.window, nullptr);
  built.window->FindByName(u"progress")->minHeight = 21;
  DlgLayoutOpen(*built.window, 600, 400);
  EXPECT_EQ(built.host->Placed(u"progress"), (Rect{302, 371, 289, 21}));
  EXPECT_EQ(built.host->Placed(u"text"), (Rect{8, 373, 289, 19})) << "2 lower, 2 shorter";
  EXPECT_EQ(built.host->Placed(u"queue"), (Rect{8, 351, 584, 15})) << "no room: unchanged";
}

}  // namespace
