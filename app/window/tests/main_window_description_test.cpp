#include "app/window/main_window_description.h"

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

TEST(MainWindowDescription, ParsesAndBuildsTheElementTree) {
  script::Built built;
  built.Make(kMainWindowDescription, u"MAIN", MainSizes);
  EXPECT_EQ(Xml_Error(built.document), 0) << Utf16ToUtf8(Xml_ErrorMessage(built.document));
  ASSERT_NE(built.window, nullptr) << built.Error();
  DlgWindow& w = *built.window;
  EXPECT_EQ(w.requestedId, -1) << "#KX_ANY in any case means a dynamic number";
  EXPECT_EQ(w.text, u"Relivox");
  EXPECT_EQ(w.windowFlags, 0xCF0001u);
  EXPECT_EQ(built.host->made.size(), 6u) << "the empty spacer makes no gadget";
  EXPECT_EQ(static_cast<DlgGadget*>(w.FindByName(u"progress"))->maximum, 100);
  EXPECT_EQ(w.FindByName(u"queue")->text, u" ");
}

TEST(MainWindowDescription, LayoutAtOpenAndAfterResize) {
  script::Built built;
  built.Make(kMainWindowDescription, u"main", MainSizes);
  ASSERT_NE(built.window, nullptr) << built.Error();
  script::Host& host = *built.host;

  // Required size 226 x 85 is raised to the minimums, which become bounds.
  auto [w, h] = DlgLayoutOpen(*built.window, 0, 0);
  EXPECT_EQ(std::pair(w, h), std::pair(600, 400));
  ASSERT_EQ(host.bounds.size(), 1u);
  const auto& bounds = host.bounds[0];
  EXPECT_EQ((std::array{bounds.minW, bounds.minH, bounds.maxW, bounds.maxH}),
            (std::array{600, 400, -1, -1}));

  EXPECT_EQ(host.inner, (Rect{0, 0, 600, 400})) << "the window is given its inner size";

  // Margins 8, spacing 5: buttons at natural width, the canvas takes all
  // spare height, the bottom row is split in halves less one spacing.
  const char16_t* names[] = {u"open", u"save", u"image", u"queue", u"text", u"progress"};
  const Rect at600x400[] = {{8, 8, 90, 24},    {103, 8, 110, 24}, {8, 37, 584, 315},
                            {8, 357, 584, 15}, {8, 377, 289, 15}, {302, 377, 289, 15}};
  const Rect at1000x700[] = {{8, 8, 90, 24},    {103, 8, 110, 24}, {8, 37, 984, 615},
                             {8, 657, 984, 15}, {8, 677, 489, 15}, {502, 677, 489, 15}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(host.Placed(names[i]), at600x400[i]) << i;
  host.inner = {0, 0, 1000, 700};  // the user enlarges the window
  DlgLayoutRelayout(*built.window);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(host.Placed(names[i]), at1000x700[i]) << i;
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
