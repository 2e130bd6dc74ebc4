// Sizes and placements of every element kind, with scripted gadgets.
#include <gtest/gtest.h>

#include "dialog/tests/script_host.h"
#include "runtime/data/utf.h"

namespace {

using script::Built;
using script::Host;
using script::Rect;
using script::Sized;

// A window without margins around `body`.
std::u16string Window(const std::u16string& body) {
  return u"<window margin='0'>" + body + u"</window>";
}

const std::u16string kThree =
    u"<progressbar name='a' height='20'/><progressbar name='b' height='30'/>"
    u"<progressbar name='c' height='10'/>";

TEST(BoxLayout, YesModeSharesTheExtraEqually) {
  Built b;
  b.Make(Window(u"<vbox>" + kThree + u"</vbox>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  auto [w, h] = DlgLayoutOpen(*b.window, 50, 100);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 30}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 35, 50, 40}));
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 80, 50, 20}));

  // Too little room: each child gets its share of the required length.
  DlgLayoutRelayout(*b.window, 50, 35);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 10}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 15, 50, 15}));
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 35, 50, 5}));

  // No room at all counts as enough room, with a negative extra.
  DlgLayoutRelayout(*b.window, 50, 0);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 20 - 70 / 3}));
}

TEST(BoxLayout, NoModeFollowsAlignment) {
  struct Case {
    const char16_t* attributes;
    int firstY;
  } cases[] = {
      {u"expand='no' align='center'", 15},
      {u"expand='NO' align='bottom'", 30},
      {u"expand='no' align='right'", 30},  // either word works for either box
      {u"expand='no'", 0},
      {u"expand='no' align='middle'", 0},
  };
  for (const Case& c : cases) {
    Built b;
    b.Make(Window(u"<vbox " + std::u16string(c.attributes) + u">" + kThree + u"</vbox>"));
    ASSERT_NE(b.window, nullptr);
    DlgLayoutOpen(*b.window, 50, 100);
    EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, c.firstY, 50, 20})) << Utf16ToUtf8(c.attributes);
    EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, c.firstY + 25, 50, 30})) << Utf16ToUtf8(c.attributes);
    EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, c.firstY + 60, 50, 10})) << Utf16ToUtf8(c.attributes);
  }
}

TEST(BoxLayout, ItemModeGivesAllExtraToOneChild) {
  Built b;
  b.Make(Window(u"<vbox expand='item:2'>" + kThree + u"</vbox>"));
  DlgLayoutOpen(*b.window, 50, 100);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 25, 50, 60}));
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 90, 50, 10}));

  // ITEM:0 names no child: nothing stretches and alignment does not apply.
  Built none;
  none.Make(Window(u"<vbox expand='ITEM:0' align='center'>" + kThree + u"</vbox>"));
  DlgLayoutOpen(*none.window, 50, 100);
  EXPECT_EQ(none.host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(none.host->Placed(u"c"), (Rect{0, 60, 50, 10}));
}

TEST(BoxLayout, EqualModeAndTheFirstFiveCharacters) {
  Built b;
  b.Make(
      Window(u"<hbox expand='equality'><progressbar name='a' width='10'/>"
             u"<progressbar name='b' width='30'/></hbox>"));
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 65) << "largest length times children plus spacing";
  DlgLayoutOpen(*b.window, 106, 20);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{55, 0, 50, 20}));

  Built yes;  // "NOPE" is not "NO": anything else is yes
  yes.Make(
      Window(u"<hbox expand='nope' align='right'><progressbar name='a' width='10'/>"
             u"<progressbar name='b' width='30'/></hbox>"));
  DlgLayoutOpen(*yes.window, 105, 20);
  EXPECT_EQ(yes.host->Placed(u"a"), (Rect{0, 0, 40, 20}));
  EXPECT_EQ(yes.host->Placed(u"b"), (Rect{45, 0, 60, 20}));
}

TEST(BoxLayout, FoldedChildTakesNoLengthAndNoSpacing) {
  Built b;
  b.Make(
      Window(u"<vbox spacing='5'><progressbar name='a' height='20'/>"
             u"<progressbar name='b' height='30' folded='YES'/>"
             u"<progressbar name='c' height='10'/></vbox>"));
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(h, 35);
  DlgLayoutOpen(*b.window, 50, 35);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 25, 50, 10}));
  EXPECT_EQ(b.host->Script(u"b").resizes, 0);

  Built all;  // nothing visible: nothing placed, size 0
  all.Make(Window(u"<vbox><progressbar name='a' height='20' folded='yes'/></vbox>"));
  all.window->GetSize(&w, &h);
  EXPECT_EQ(h, 0);
  DlgLayoutOpen(*all.window, 50, 50);
  EXPECT_EQ(all.host->Script(u"a").resizes, 0);
}

TEST(BoxLayout, WidthAndHeightMinusOneReportZero) {
  Built b;
  b.Make(Window(u"<vbox><button name='a' width='-1'/><button name='b' height='-1'/></vbox>"), u"",
         [](Host& h) { h.byKind[DlgKind::Button] = Sized(40, 24); });
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 40) << "b still reports its width";
  EXPECT_EQ(h, 24 + 5);
}

TEST(GadgetLayout, TextSitsTwoLowerWhenTheRowHasRoom) {
  auto make = [](int rowHeight, const char16_t* textFlags, const char16_t* kind) {
    auto b = std::make_unique<Built>();
    b->Make(Window(u"<hbox><" + std::u16string(kind) + u" name='t' " + textFlags +
                   u"/><progressbar name='p' height='" +
                   std::u16string(rowHeight == 20 ? u"20" : u"15") + u"'/></hbox>"),
            u"", [](Host& h) {
              h.byKind[DlgKind::Text] = Sized(30, 14);
              h.byKind[DlgKind::HyperLink] = Sized(30, 14);
            });
    DlgLayoutOpen(*b->window, 100, 0);
    return b;
  };
  EXPECT_EQ(make(20, u"", u"text")->host->Placed(u"t").y, 2);
  EXPECT_EQ(make(20, u"", u"text")->host->Placed(u"t").h, 18);
  EXPECT_EQ(make(15, u"", u"text")->host->Placed(u"t"), (Rect{0, 0, 62, 15}));
  EXPECT_EQ(make(20, u"flags='#KX_Text_Border'", u"text")->host->Placed(u"t").y, 0);
  EXPECT_EQ(make(20, u"", u"hyperlink")->host->Placed(u"t").y, 2);
  EXPECT_EQ(make(20, u"height='19'", u"text")->host->Placed(u"t").h, 20)
      << "HEIGHT counts like the required height";
  EXPECT_EQ(make(20, u"", u"button")->host->Placed(u"t").y, 0) << "only texts move";
}

TEST(GadgetLayout, NaturalAndFixedSizes) {
  Built b;
  b.Make(Window(u"<vbox><button name='b' width='100' height='5'/>"
                u"<editor name='e' width='60' height='70'/><canvas name='c'/></vbox>"),
         u"", [](Host& h) {
           h.byKind[DlgKind::Button] = Sized(80, 24);
           h.byKind[DlgKind::Editor] = Sized(500, 500);  // never asked
           h.byKind[DlgKind::Canvas] = Sized(33, 44);
         });
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 24 + 70 + 44 + 10);
}

TEST(GadgetLayout, ListViewHeightIsWholeRows) {
  auto height = [](int given, int row) {
    Built b;
    b.Make(Window(u"<listview name='l' height='" + std::u16string(given == 50 ? u"50" : u"36") +
                  u"'/>"),
           u"", [row](Host& h) { h.byKind[DlgKind::ListView].rowHeight = row; });
    int w = 0, h = 0;
    b.window->GetSize(&w, &h);
    return h;
  };
  EXPECT_EQ(height(50, 16), 52) << "border 4 + 3 rows of 16";
  EXPECT_EQ(height(36, 16), 36) << "already whole rows";
  EXPECT_EQ(height(50, 0), 50) << "no row height: unchanged";
}

TEST(ContainerLayout, MultiboxGivesEveryChildTheSameArea) {
  Built b;
  b.Make(
      Window(u"<multibox><progressbar name='a' width='10' height='40'/>"
             u"<progressbar name='b' width='30' height='5'/></multibox>"));
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 40);
  DlgLayoutOpen(*b.window, 70, 60);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 70, 60}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 0, 70, 60}));
}

TEST(ContainerLayout, SingleBoxMarginsExpandLimitsAndAlignment) {
  struct Case {
    const char16_t* attributes;
    Rect expected;
  } cases[] = {
      {u"", {10, 10, 80, 30}},
      {u"expand='no' align='center'", {40, 20, 20, 10}},
      {u"expand='no' align='bottom right'", {70, 30, 20, 10}},
      {u"expand='no' align='top bottom left right'", {70, 30, 20, 10}},
      {u"expand='no' align='top center'", {40, 10, 20, 10}},
      {u"expand='vertical' align='center'", {40, 10, 20, 30}},
      {u"expand='horizontal' align='center'", {10, 20, 80, 10}},
      {u"expand='sideways'", {10, 10, 80, 30}},
      {u"expandwidth='50'", {10, 10, 50, 30}},
      {u"expandwidth='15' expandheight='25' align='right'", {70, 10, 20, 25}},
      {u"expandwidth='80'", {10, 10, 80, 30}},
      {u"margin='vertical:4, left:2'", {2, 4, 98, 42}},
      {u"margin='Top:1 RIGHT:3 horizontal:6'", {6, 1, 88, 49}},
      {u"margin='3'", {3, 3, 94, 44}},
  };
  for (const Case& c : cases) {
    Built b;
    b.Make(Window(u"<singlebox " + std::u16string(c.attributes) +
                  u"><progressbar name='p' width='20' height='10'/></singlebox>"));
    ASSERT_NE(b.window, nullptr);
    DlgLayoutOpen(*b.window, 100, 50);
    EXPECT_EQ(b.host->Placed(u"p"), c.expected) << Utf16ToUtf8(c.attributes);
  }
  Built big;  // a child larger than the room gets the room, at the start
  big.Make(
      Window(u"<singlebox expand='no' align='center'>"
             u"<progressbar name='p' width='200' height='100'/></singlebox>"));
  int w = 0, h = 0;
  big.window->GetSize(&w, &h);
  DlgLayoutRelayout(*big.window, 100, 50);
  EXPECT_EQ(big.host->Placed(u"p"), (Rect{10, 10, 80, 30}));
}

TEST(ContainerLayout, ContainerExtrasAndOwnCoordinates) {
  struct Case {
    const char16_t* flags;
    int extra;
  } cases[] = {{u"", 0},
               {u"#KX_Container_Flat", 2},
               {u"#KX_Container_Double", 2},
               {u"#KX_Container_BorderLess", 0}};
  for (const Case& c : cases) {
    Built b;
    b.Make(Window(
        u"<vbox expand='item:2'><progressbar height='7'/><container name='k' margin='3' flags='" +
        std::u16string(c.flags) +
        u"'><progressbar name='p' width='20' height='10'/></container></vbox>"));
    ASSERT_NE(b.window, nullptr) << b.Error();
    int w = 0, h = 0;
    b.window->GetSize(&w, &h);
    EXPECT_EQ(w, 26 + c.extra);
    DlgLayoutOpen(*b.window, 100, 62);
    EXPECT_EQ(b.host->Placed(u"k"), (Rect{0, 12, 100, 50}));
    EXPECT_EQ(b.host->Placed(u"p"),
              (Rect{3 + c.extra / 2, 3 + c.extra / 2, 94 - c.extra, 44 - c.extra}));
  }
}

TEST(ContainerLayout, FrameCaptionRule) {
  for (int caption : {14, 6}) {
    Built b;
    b.Make(Window(u"<vbox expand='item:2'><progressbar height='7'/><frame name='f' text='Title'>"
                  u"<progressbar name='p' width='20' height='10'/></frame></vbox>"),
           u"", [caption](Host& h) { h.byKind[DlgKind::Frame].captionHeight = caption; });
    const int c = std::max(caption, 10);
    int w = 0, h = 0;
    b.window->GetSize(&w, &h);
    EXPECT_EQ(w, 5 + 5 + 8 + 20);
    EXPECT_EQ(h, 7 + 5 + 5 + 5 + c + 4 + 10);
    DlgLayoutOpen(*b.window, 100, 72);
    EXPECT_EQ(b.host->Placed(u"f"), (Rect{0, 12, 100, 60}));
    // The child sits beside the frame, in the same coordinates.
    EXPECT_EQ(b.host->Placed(u"p"), (Rect{9, 12 + c + 5, 82, 60 - c - 4 - 10}));
  }
}

TEST(ContainerLayout, CanvasAsContainer) {
  Built b;
  b.Make(Window(u"<canvas name='c' flags='#KX_Canvas_Container' margin='2'>"
                u"<progressbar name='p' width='20' height='10'/></canvas>"),
         u"", [](Host& h) { h.byKind[DlgKind::Canvas] = Sized(300, 300); });
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 24) << "a container canvas sizes by its child";
  DlgLayoutOpen(*b.window, 100, 50);
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(b.host->Placed(u"p"), (Rect{2, 2, 96, 46}));

  Built empty;
  empty.Make(Window(u"<canvas name='c' flags='#KX_Canvas_Container' width='5'/>"), u"",
             [](Host& h) { h.byKind[DlgKind::Canvas] = Sized(30, 40); });
  empty.window->GetSize(&w, &h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 40);
}

TEST(ContainerLayout, PanelPagesAndTabs) {
  Built b;
  b.Make(
      Window(u"<panel name='pn'>"
             u"<tab text='One'><progressbar name='a' width='50' height='20'/></tab>"
             u"<tab text='Two' margin='0'><progressbar name='b' width='30' height='60'/></tab>"
             u"</panel>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  ASSERT_EQ(b.host->pages.size(), 2u);
  EXPECT_EQ(b.host->pages[0], std::make_pair(0, std::u16string(u"One")));
  EXPECT_EQ(b.host->pages[1], std::make_pair(1, std::u16string(u"Two")));
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 70 + 4) << "widest page plus 4";
  EXPECT_EQ(h, 60 + 20 + 2) << "tallest page plus the tab strip plus 2";
  DlgLayoutOpen(*b.window, 200, 150);
  EXPECT_EQ(b.host->Placed(u"pn"), (Rect{0, 0, 200, 150}));
  // Pages are 196 x 128 (the scripted panel's page area).
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{10, 10, 176, 108}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 0, 196, 128}));
}

TEST(ScrollAreaLayout, BothDirectionsWithFixedAndAutoInnerSize) {
  Built b;
  b.Make(
      Window(u"<scrollarea name='s' width='100' height='80' innerwidth='300' margin='0'>"
             u"<progressbar name='p' width='50' height='500'/></scrollarea>"));
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 80);
  DlgLayoutOpen(*b.window, 0, 0);
  EXPECT_EQ(b.host->Placed(u"s"), (Rect{0, 0, 100, 80}));
  EXPECT_EQ(b.host->Placed(u"p"), (Rect{0, 0, 300, 500}));
  ASSERT_EQ(b.host->scrollInner.size(), 1u);
  EXPECT_EQ(b.host->scrollInner[0].w, KX_Unchanged) << "a fixed inner width is left alone";
  EXPECT_EQ(b.host->scrollInner[0].h, 500);
}

TEST(ScrollAreaLayout, VerticalAndHorizontalScrolling) {
  Built v;
  v.Make(
      Window(u"<scrollarea name='s' scrolling='vertical' height='80' margin='5'>"
             u"<progressbar name='p' width='50' height='500'/></scrollarea>"));
  int w = 0, h = 0;
  v.window->GetSize(&w, &h);
  EXPECT_EQ(w, 50 + 10 + 22);
  EXPECT_EQ(h, 80);
  DlgLayoutOpen(*v.window, 200, 0);
  EXPECT_EQ(v.host->Placed(u"p"), (Rect{5, 5, 200 - 22 - 10, 500}));
  ASSERT_EQ(v.host->scrollInner.size(), 1u);
  EXPECT_EQ(v.host->scrollInner[0], (Rect{0, 0, 178, 510}));

  Built hz;
  hz.Make(
      Window(u"<scrollarea name='s' scrolling='HORIZONTAL' width='60' margin='0' "
             u"innerheight='0'><progressbar name='p' width='500' height='30'/></scrollarea>"));
  hz.window->GetSize(&w, &h);
  EXPECT_EQ(w, 60);
  EXPECT_EQ(h, 30 + 22);
  DlgLayoutOpen(*hz.window, 0, 100);
  EXPECT_EQ(hz.host->Placed(u"p"), (Rect{0, 0, 500, 78}));
  ASSERT_EQ(hz.host->scrollInner.size(), 1u);
  EXPECT_EQ(hz.host->scrollInner[0], (Rect{0, 0, 500, KX_Unchanged}));
}

TEST(SplitterLayout, SizesBarAndContainers) {
  Built b;
  b.Make(
      Window(u"<splitter name='sp' flags='#KX_Splitter_Vertical|#KX_Splitter_Separator' "
             u"firstmin='auto' secondmin='40'><progressbar name='a' width='30' height='20'/>"
             u"<progressbar name='b' width='40' height='25'/></splitter>"));
  ASSERT_NE(b.window, nullptr) << b.Error();
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 7 + 30 + 40);
  EXPECT_EQ(h, 25);
  ASSERT_EQ(b.host->splitterMinimum.size(), 1u);
  EXPECT_EQ(b.host->splitterMinimum[0], std::make_pair(0, 30));
  auto* splitter = static_cast<DlgSplitter*>(b.window->Child());
  EXPECT_EQ(splitter->secondMin, 40);
  DlgLayoutOpen(*b.window, 300, 100);
  EXPECT_EQ(b.host->Placed(u"sp"), (Rect{0, 0, 300, 100}));
  EXPECT_EQ(b.host->Script(u"a").resizes, 0) << "the splitter sizes its containers itself";
  splitter->OnContainerResized(1, 150, 100);
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{0, 0, 150, 100}));

  Built hz;  // horizontal, plain bar, REQUEST minimum, one child only
  hz.Make(
      Window(u"<splitter secondmin='request'><progressbar width='30' height='20'/>"
             u"</splitter>"));
  hz.window->GetSize(&w, &h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 4 + 20);
  ASSERT_EQ(hz.host->splitterMinimum.size(), 1u);
  EXPECT_EQ(hz.host->splitterMinimum[0], std::make_pair(1, 0));
}

TEST(GridLayout, SpanningChildShortfallByColumnMode) {
  struct Case {
    const char16_t* colExpand;
    int first, second;
  } cases[] = {
      {u"yes", 20 + 12, 30 + 12},  // split between the spanned columns
      {u"equal", 37, 37},          // each at least (80 - 5) / 2
      {u"no", 20, 30 + 25},        // the last spanned column
      {u"item:1", 20 + 25, 30},    // the item column inside the span
      {u"item:9", 20, 30 + 25},    // outside: the last spanned column
  };
  for (const Case& c : cases) {
    Built b;
    b.Make(Window(u"<gridbox columns='2' colexpand='" + std::u16string(c.colExpand) +
                  u"'><progressbar name='a' width='20' height='10'/>"
                  u"<progressbar name='b' width='30' height='10'/>"
                  u"<progressbar name='c' width='80' height='10' colspan='2'/></gridbox>"));
    ASSERT_NE(b.window, nullptr);
    auto* grid = static_cast<DlgGrid*>(b.window->Child());
    int w = 0, h = 0;
    b.window->GetSize(&w, &h);
    EXPECT_EQ(grid->colWidths[0], c.first) << Utf16ToUtf8(c.colExpand);
    EXPECT_EQ(grid->colWidths[1], c.second) << Utf16ToUtf8(c.colExpand);
    EXPECT_EQ(w, c.first + c.second + 5);
    EXPECT_EQ(h, 25);
    DlgLayoutOpen(*b.window, w, h);
    EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, c.first, 10}));
    EXPECT_EQ(b.host->Placed(u"b"), (Rect{c.first + 5, 0, c.second, 10}));
    EXPECT_EQ(b.host->Placed(u"c"), (Rect{0, 15, w, 10}));
  }
}

TEST(GridLayout, RowSpansSkipTakenCellsAndShareRows) {
  Built b;
  b.Make(
      Window(u"<gridbox rowspacing='4'><progressbar name='a' width='10' height='50' "
             u"rowspan='2'/><progressbar name='b' width='20' height='10'/>"
             u"<progressbar name='c' width='20' height='10'/>"
             u"<progressbar name='d' width='5' height='5' colspan='7'/></gridbox>"));
  ASSERT_NE(b.window, nullptr);
  auto* grid = static_cast<DlgGrid*>(b.window->Child());
  EXPECT_EQ(grid->rows, 3);
  int w = 0, h = 0;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(grid->rowHeights[0], 10);
  EXPECT_EQ(grid->rowHeights[1], 10 + 26) << "row mode no: the last spanned row";
  EXPECT_EQ(h, 10 + 36 + 5 + 8);
  DlgLayoutOpen(*b.window, w, h);
  EXPECT_EQ(b.host->Placed(u"a"), (Rect{0, 0, 10, 50}));
  EXPECT_EQ(b.host->Placed(u"b"), (Rect{15, 0, 20, 10}));
  EXPECT_EQ(b.host->Placed(u"c"), (Rect{15, 14, 20, 36}));
  EXPECT_EQ(b.host->Placed(u"d"), (Rect{0, 54, 35, 5})) << "span cut to the columns left";
}

TEST(GridLayout, ColumnsAndRowsShareExtraRoom) {
  const std::u16string cells =
      u"<progressbar name='a' width='20' height='10'/><progressbar name='b' width='40' "
      u"height='20'/>";
  auto place = [&](const char16_t* attributes, int width, int height) {
    auto b = std::make_unique<Built>();
    b->Make(Window(u"<gridbox " + std::u16string(attributes) + u">" + cells + u"</gridbox>"));
    DlgLayoutOpen(*b->window, width, height);
    return b;
  };
  // total 65 x 20; 105 wide: yes adds 20 to each column; rows stay (no).
  auto yes = place(u"", 105, 50);
  EXPECT_EQ(yes->host->Placed(u"a"), (Rect{0, 0, 40, 20}));
  EXPECT_EQ(yes->host->Placed(u"b"), (Rect{45, 0, 60, 20}));
  auto equal = place(u"colexpand='equal' rowexpand='yes'", 105, 50);
  EXPECT_EQ(equal->host->Placed(u"a"), (Rect{0, 0, 50, 50}));
  EXPECT_EQ(equal->host->Placed(u"b"), (Rect{55, 0, 50, 50}));
  auto item = place(u"colexpand='item:1' rowexpand='equal'", 105, 50);
  EXPECT_EQ(item->host->Placed(u"a"), (Rect{0, 0, 60, 50}));
  EXPECT_EQ(item->host->Placed(u"b"), (Rect{65, 0, 40, 50}));
  auto no = place(u"colexpand='no'", 105, 50);
  EXPECT_EQ(no->host->Placed(u"b"), (Rect{25, 0, 40, 20}));
  auto squeezed = place(u"", 0, 0);  // too little room: shares of the total
  DlgLayoutRelayout(*squeezed->window, 26, 10);
  EXPECT_EQ(squeezed->host->Placed(u"a"), (Rect{0, 0, 8, 10}));
  EXPECT_EQ(squeezed->host->Placed(u"b"), (Rect{13, 0, 16, 10}));
}

TEST(GridLayout, EmptyGridAndColumnLimits) {
  Built b;
  b.Make(Window(u"<gridbox columns='0'/>"));
  int w = -1, h = -1;
  b.window->GetSize(&w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  auto* grid = static_cast<DlgGrid*>(b.window->Child());
  EXPECT_EQ(grid->columns, 1);
  Built wide;
  wide.Make(Window(u"<gridbox columns='99'/>"));
  EXPECT_EQ(static_cast<DlgGrid*>(wide.window->Child())->columns, kDlgGridMaxColumns);
}

TEST(WindowLayout, BoundsMarginsAndOpeningSize) {
  Built b;
  b.Make(
      u"<window minwidth='50' maxwidth='AUTO' maxheight='300'>"
      u"<progressbar width='100' height='20'/></window>");
  ASSERT_NE(b.window, nullptr);
  auto [w, h] = DlgLayoutOpen(*b.window, 0, 0);
  EXPECT_EQ(w, 116);
  EXPECT_EQ(h, 36);
  ASSERT_EQ(b.host->bounds.size(), 1u);
  EXPECT_EQ(b.host->bounds[0].minW, 50);
  EXPECT_EQ(b.host->bounds[0].minH, -1);
  EXPECT_EQ(b.host->bounds[0].maxW, 116);
  EXPECT_EQ(b.host->bounds[0].maxH, 300);

  std::tie(w, h) = DlgLayoutOpen(*b.window, 400, 10);
  EXPECT_EQ(w, 400) << "the larger of required and requested";
  EXPECT_EQ(h, 36);

  Built free;
  free.Make(u"<window><progressbar/></window>");
  DlgLayoutOpen(*free.window, 0, 0);
  EXPECT_TRUE(free.host->bounds.empty()) << "no bound given: none set";

  Built autoMin;
  autoMin.Make(
      u"<window minwidth='auto' minheight='auto' margin='0'>"
      u"<progressbar width='70' height='30'/></window>");
  DlgLayoutOpen(*autoMin.window, 0, 0);
  ASSERT_EQ(autoMin.host->bounds.size(), 1u);
  EXPECT_EQ(autoMin.host->bounds[0].minW, 70);
  EXPECT_EQ(autoMin.host->bounds[0].minH, 30);
}

}  // namespace
