// Sizes and placements of every element kind, with scripted gadgets.
#include <gtest/gtest.h>

#include <functional>

#include "dialog/tests/script_host.h"
#include "runtime/data/utf.h"

namespace {

using script::Built;
using script::Host;
using script::Rect;
using script::Sized;
using Size = std::pair<int, int>;

// Builds `body` in a window without margins; `prepare` scripts the gadgets.
std::unique_ptr<Built> Make(
    const std::u16string& body, const std::function<void(Host&)>& prepare = [](Host&) {}) {
  auto b = std::make_unique<Built>();
  b->Make(u"<window margin='0'>" + body + u"</window>", u"", prepare);
  EXPECT_NE(b->window, nullptr) << b->Error();
  return b;
}
Size SizeOf(Built& b) {
  int w = -1, h = -1;
  if (b.window) b.window->GetSize(&w, &h);
  return {w, h};
}
Size Open(Built& b, int w, int h) { return b.window ? DlgLayoutOpen(*b.window, w, h) : Size{}; }

const std::u16string kThree =
    u"<progressbar name='a' height='20'/><progressbar name='b' height='30'/>"
    u"<progressbar name='c' height='10'/>";

TEST(BoxLayout, YesModeSharesTheExtraEqually) {
  auto b = Make(u"<vbox>" + kThree + u"</vbox>");
  EXPECT_EQ(Open(*b, 50, 100), (Size{50, 100}));
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 50, 30}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, 35, 50, 40}));
  EXPECT_EQ(b->host->Placed(u"c"), (Rect{0, 80, 50, 20}));

  // Too little room: each child gets its share of the required length.
  DlgLayoutRelayout(*b->window, 50, 35);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 50, 10}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, 15, 50, 15}));
  EXPECT_EQ(b->host->Placed(u"c"), (Rect{0, 35, 50, 5}));

  // No room at all counts as enough room, with a negative extra.
  DlgLayoutRelayout(*b->window, 50, 0);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 50, 20 - 70 / 3}));
}

TEST(BoxLayout, NoAndItemModes) {
  const struct {
    const char16_t* attributes;
    int a, b, c;  // y of each child; heights stay 20, 30, 10 but for the item
    int itemHeight = 30;
  } cases[] = {
      {u"expand='no' align='center'", 15, 40, 75},
      {u"expand='NO' align='bottom'", 30, 55, 90},
      {u"expand='no' align='right'", 30, 55, 90},  // either word works for either box
      {u"expand='no'", 0, 25, 60},
      {u"expand='no' align='middle'", 0, 25, 60},
      {u"expand='item:2'", 0, 25, 90, 60},
      {u"expand='ITEM:0' align='center'", 0, 25, 60},  // names no child: no alignment either
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.attributes));
    auto b = Make(u"<vbox " + std::u16string(c.attributes) + u">" + kThree + u"</vbox>");
    Open(*b, 50, 100);
    EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, c.a, 50, 20}));
    EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, c.b, 50, c.itemHeight}));
    EXPECT_EQ(b->host->Placed(u"c"), (Rect{0, c.c, 50, 10}));
  }
}

TEST(BoxLayout, EqualModeAndTheFirstFiveCharacters) {
  const std::u16string two =
      u"><progressbar name='a' width='10'/><progressbar name='b' width='30'/></hbox>";
  auto b = Make(u"<hbox expand='equality'" + two);
  EXPECT_EQ(SizeOf(*b).first, 65) << "largest length times children plus spacing";
  Open(*b, 106, 20);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{55, 0, 50, 20}));

  auto yes = Make(u"<hbox expand='nope' align='right'" + two);  // not "NO": anything else is yes
  Open(*yes, 105, 20);
  EXPECT_EQ(yes->host->Placed(u"a"), (Rect{0, 0, 40, 20}));
  EXPECT_EQ(yes->host->Placed(u"b"), (Rect{45, 0, 60, 20}));
}

TEST(BoxLayout, FoldedChildTakesNoLengthAndNoSpacing) {
  auto b = Make(
      u"<vbox spacing='5'><progressbar name='a' height='20'/>"
      u"<progressbar name='b' height='30' folded='YES'/><progressbar name='c' "
      u"height='10'/></vbox>");
  EXPECT_EQ(SizeOf(*b).second, 35);
  Open(*b, 50, 35);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 50, 20}));
  EXPECT_EQ(b->host->Placed(u"c"), (Rect{0, 25, 50, 10}));
  EXPECT_EQ(b->host->Script(u"b").resizes, 0);

  auto all = Make(u"<vbox><progressbar name='a' height='20' folded='yes'/></vbox>");
  EXPECT_EQ(SizeOf(*all).second, 0) << "nothing visible: nothing placed, size 0";
  Open(*all, 50, 50);
  EXPECT_EQ(all->host->Script(u"a").resizes, 0);
}

TEST(GadgetLayout, NaturalFixedAndMinusOneSizes) {
  auto b = Make(
      u"<vbox><button name='b' width='100' height='5'/><editor name='e' width='60' height='70'/>"
      u"<canvas name='c'/><button width='-1'/><button height='-1'/></vbox>",
      [](Host& h) {
        h.byKind[DlgKind::Button] = Sized(80, 24);
        h.byKind[DlgKind::Editor] = Sized(500, 500);  // never asked
        h.byKind[DlgKind::Canvas] = Sized(33, 44);
      });
  // -1 reports 0 in that direction only.
  EXPECT_EQ(SizeOf(*b), (Size{100, 24 + 70 + 44 + 24 + 20}));
}

TEST(GadgetLayout, TextSitsTwoLowerWhenTheRowHasRoom) {
  const struct {
    const char16_t *kind, *attributes;
    int rowHeight;
    Rect expected;
  } cases[] = {
      {u"text", u"", 20, {0, 2, 62, 18}},
      {u"text", u"", 15, {0, 0, 62, 15}},
      {u"text", u"flags='#KX_Text_Border'", 20, {0, 0, 62, 20}},
      {u"hyperlink", u"", 20, {0, 2, 62, 18}},
      {u"text", u"height='19'", 20, {0, 0, 62, 20}},  // HEIGHT counts like the required height
      {u"button", u"", 20, {0, 0, 47, 20}},           // only texts move (0 wide here)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(std::u16string(c.kind) + u" " + c.attributes));
    auto b = Make(u"<hbox><" + std::u16string(c.kind) + u" name='t' " + c.attributes +
                      u"/><progressbar height='" +
                      std::u16string(c.rowHeight == 20 ? u"20" : u"15") + u"'/></hbox>",
                  [](Host& h) {
                    h.byKind[DlgKind::Text] = Sized(30, 14);
                    h.byKind[DlgKind::HyperLink] = Sized(30, 14);
                  });
    Open(*b, 100, 0);
    EXPECT_EQ(b->host->Placed(u"t"), c.expected);
  }
}

TEST(GadgetLayout, ListViewHeightIsWholeRows) {
  for (auto [given, row, expected] : {std::tuple{u"50", 16, 52},  // border 4 + 3 rows of 16
                                      {u"36", 16, 36},            // already whole rows
                                      {u"50", 0, 50}}) {          // no row height: unchanged
    auto b = Make(u"<listview height='" + std::u16string(given) + u"'/>",
                  [row](Host& h) { h.byKind[DlgKind::ListView].rowHeight = row; });
    EXPECT_EQ(SizeOf(*b).second, expected);
  }
}

TEST(ContainerLayout, MultiboxGivesEveryChildTheSameArea) {
  auto b = Make(
      u"<multibox><progressbar name='a' width='10' height='40'/>"
      u"<progressbar name='b' width='30' height='5'/></multibox>");
  EXPECT_EQ(SizeOf(*b), (Size{30, 40}));
  Open(*b, 70, 60);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 70, 60}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, 0, 70, 60}));
}

TEST(ContainerLayout, SingleBoxMarginsExpandLimitsAndAlignment) {
  const struct {
    const char16_t* attributes;
    Rect expected;
    const char16_t* child = u"width='20' height='10'";
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
      // A child larger than the room gets the room, at the start.
      {u"expand='no' align='center'", {10, 10, 80, 30}, u"width='200' height='100'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.attributes));
    auto b = Make(u"<singlebox " + std::u16string(c.attributes) + u"><progressbar name='p' " +
                  c.child + u"/></singlebox>");
    SizeOf(*b);
    DlgLayoutRelayout(*b->window, 100, 50);
    EXPECT_EQ(b->host->Placed(u"p"), c.expected);
  }
}

TEST(ContainerLayout, ContainersAndContainerCanvasesUseTheirOwnCoordinates) {
  for (auto [tag, extra] : {std::pair{u"container", 0},
                            {u"container flags='#KX_Container_Flat'", 2},
                            {u"container flags='#KX_Container_Double'", 2},
                            {u"container flags='#KX_Container_BorderLess'", 0},
                            {u"canvas flags='#KX_Canvas_Container'", 0}}) {
    SCOPED_TRACE(Utf16ToUtf8(tag));
    const std::u16string kind = std::u16string(tag).substr(0, std::u16string(tag).find(u' '));
    auto b = Make(u"<vbox expand='item:2'><progressbar height='7'/><" + std::u16string(tag) +
                      u" name='k' margin='3'><progressbar name='p' width='20' height='10'/></" +
                      kind + u"></vbox>",
                  [](Host& h) { h.byKind[DlgKind::Canvas] = Sized(300, 300); });
    EXPECT_EQ(SizeOf(*b).first, 26 + extra) << "sized by the child";
    Open(*b, 100, 62);
    EXPECT_EQ(b->host->Placed(u"k"), (Rect{0, 12, 100, 50}));
    EXPECT_EQ(b->host->Placed(u"p"), (Rect{3 + extra / 2, 3 + extra / 2, 94 - extra, 44 - extra}));
  }
  auto empty = Make(u"<canvas flags='#KX_Canvas_Container' width='5'/>",
                    [](Host& h) { h.byKind[DlgKind::Canvas] = Sized(30, 40); });
  EXPECT_EQ(SizeOf(*empty), (Size{30, 40})) << "a container canvas without a child";
}

TEST(ContainerLayout, FrameCaptionRule) {
  for (int caption : {14, 6}) {
    auto b = Make(
        u"<vbox expand='item:2'><progressbar height='7'/><frame name='f' text='Title'>"
        u"<progressbar name='p' width='20' height='10'/></frame></vbox>",
        [caption](Host& h) { h.byKind[DlgKind::Frame].captionHeight = caption; });
    const int c = std::max(caption, 10);
    EXPECT_EQ(SizeOf(*b), (Size{5 + 5 + 8 + 20, 7 + 5 + 5 + 5 + c + 4 + 10}));
    Open(*b, 100, 72);
    EXPECT_EQ(b->host->Placed(u"f"), (Rect{0, 12, 100, 60}));
    // The child sits beside the frame, in the same coordinates.
    EXPECT_EQ(b->host->Placed(u"p"), (Rect{9, 12 + c + 5, 82, 60 - c - 4 - 10}));
  }
}

TEST(ContainerLayout, PanelPagesAndTabs) {
  auto b = Make(
      u"<panel name='pn'><tab text='One'><progressbar name='a' width='50' height='20'/></tab>"
      u"<tab text='Two' margin='0'><progressbar name='b' width='30' height='60'/></tab></panel>");
  const std::vector<std::pair<int, std::u16string>> pages = {{0, u"One"}, {1, u"Two"}};
  EXPECT_EQ(b->host->pages, pages);
  // Widest page plus 4; tallest page plus the tab strip plus 2.
  EXPECT_EQ(SizeOf(*b), (Size{70 + 4, 60 + 20 + 2}));
  Open(*b, 200, 150);
  EXPECT_EQ(b->host->Placed(u"pn"), (Rect{0, 0, 200, 150}));
  // Pages are 196 x 128 (the scripted panel's page area).
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{10, 10, 176, 108}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, 0, 196, 128}));
}

TEST(ScrollAreaLayout, EachDirectionWithFixedAndAutoInnerSize) {
  const struct {
    const char16_t *attributes, *child;
    Size size, open;
    Rect placed, inner;
  } cases[] = {
      // A fixed inner width is left alone.
      {u"width='100' height='80' innerwidth='300' margin='0'",
       u"width='50' height='500'",
       {100, 80},
       {0, 0},
       {0, 0, 300, 500},
       {0, 0, KX_Unchanged, 500}},
      {u"scrolling='vertical' height='80' margin='5'",
       u"width='50' height='500'",
       {50 + 10 + 22, 80},
       {200, 0},
       {5, 5, 200 - 22 - 10, 500},
       {0, 0, 178, 510}},
      {u"scrolling='HORIZONTAL' width='60' margin='0' innerheight='0'",
       u"width='500' height='30'",
       {60, 30 + 22},
       {0, 100},
       {0, 0, 500, 78},
       {0, 0, 500, KX_Unchanged}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.attributes));
    auto b = Make(u"<scrollarea name='s' " + std::u16string(c.attributes) +
                  u"><progressbar name='p' " + c.child + u"/></scrollarea>");
    EXPECT_EQ(SizeOf(*b), c.size);
    Open(*b, c.open.first, c.open.second);
    EXPECT_EQ(b->host->Placed(u"p"), c.placed);
    ASSERT_EQ(b->host->scrollInner.size(), 1u);
    EXPECT_EQ(b->host->scrollInner[0], c.inner);
  }
}

TEST(SplitterLayout, SizesBarAndContainers) {
  auto b = Make(
      u"<splitter name='sp' flags='#KX_Splitter_Vertical|#KX_Splitter_Separator' "
      u"firstmin='auto' secondmin='40'><progressbar name='a' width='30' height='20'/>"
      u"<progressbar name='b' width='40' height='25'/></splitter>");
  EXPECT_EQ(SizeOf(*b), (Size{7 + 30 + 40, 25}));
  const std::vector<std::pair<int, int>> firstAuto = {{0, 30}};
  EXPECT_EQ(b->host->splitterMinimum, firstAuto);
  auto* splitter = static_cast<DlgSplitter*>(b->window->Child());
  EXPECT_EQ(splitter->secondMin, 40);
  Open(*b, 300, 100);
  EXPECT_EQ(b->host->Placed(u"sp"), (Rect{0, 0, 300, 100}));
  EXPECT_EQ(b->host->Script(u"a").resizes, 0) << "the splitter sizes its containers itself";
  splitter->OnContainerResized(1, 150, 100);
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{0, 0, 150, 100}));

  // Horizontal, plain bar, REQUEST minimum, one child only.
  auto hz = Make(u"<splitter secondmin='request'><progressbar width='30' height='20'/></splitter>");
  EXPECT_EQ(SizeOf(*hz), (Size{30, 4 + 20}));
  const std::vector<std::pair<int, int>> secondZero = {{1, 0}};
  EXPECT_EQ(hz->host->splitterMinimum, secondZero);
}

TEST(GridLayout, SpanningChildShortfallByColumnMode) {
  for (auto [mode, first, second] : {
           std::tuple{u"yes", 20 + 12, 30 + 12},  // split between the spanned columns
           {u"equal", 37, 37},                    // each at least (80 - 5) / 2
           {u"no", 20, 30 + 25},                  // the last spanned column
           {u"item:1", 20 + 25, 30},              // the item column inside the span
           {u"item:9", 20, 30 + 25},              // outside: the last spanned column
       }) {
    SCOPED_TRACE(Utf16ToUtf8(mode));
    auto b = Make(u"<gridbox columns='2' colexpand='" + std::u16string(mode) +
                  u"'><progressbar name='a' width='20' height='10'/>"
                  u"<progressbar name='b' width='30' height='10'/>"
                  u"<progressbar name='c' width='80' height='10' colspan='2'/></gridbox>");
    const int w = first + second + 5;
    EXPECT_EQ(SizeOf(*b), (Size{w, 25}));
    Open(*b, w, 25);
    EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, first, 10}));
    EXPECT_EQ(b->host->Placed(u"b"), (Rect{first + 5, 0, second, 10}));
    EXPECT_EQ(b->host->Placed(u"c"), (Rect{0, 15, w, 10}));
  }
}

TEST(GridLayout, RowSpansSkipTakenCellsAndShareRows) {
  auto b = Make(
      u"<gridbox rowspacing='4'><progressbar name='a' width='10' height='50' rowspan='2'/>"
      u"<progressbar name='b' width='20' height='10'/><progressbar name='c' width='20' "
      u"height='10'/><progressbar name='d' width='5' height='5' colspan='7'/></gridbox>");
  auto* grid = static_cast<DlgGrid*>(b->window->Child());
  EXPECT_EQ(grid->rows, 3);
  const auto [w, h] = SizeOf(*b);
  EXPECT_EQ(grid->rowHeights[1], 10 + 26) << "row mode no: the last spanned row";
  EXPECT_EQ(h, 10 + 36 + 5 + 8);
  Open(*b, w, h);
  EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 10, 50}));
  EXPECT_EQ(b->host->Placed(u"b"), (Rect{15, 0, 20, 10}));
  EXPECT_EQ(b->host->Placed(u"c"), (Rect{15, 14, 20, 36}));
  EXPECT_EQ(b->host->Placed(u"d"), (Rect{0, 54, 35, 5})) << "span cut to the columns left";
}

TEST(GridLayout, ColumnsAndRowsShareExtraRoom) {
  // Cells 20 x 10 and 40 x 20: total 65 x 20, laid out in 105 x 50.
  const struct {
    const char16_t* attributes;
    Rect a, b;
  } cases[] = {
      {u"", {0, 0, 40, 20}, {45, 0, 60, 20}},  // yes: 20 more each; rows stay (no)
      {u"colexpand='equal' rowexpand='yes'", {0, 0, 50, 50}, {55, 0, 50, 50}},
      {u"colexpand='item:1' rowexpand='equal'", {0, 0, 60, 50}, {65, 0, 40, 50}},
      {u"colexpand='no'", {0, 0, 20, 20}, {25, 0, 40, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.attributes));
    auto b = Make(u"<gridbox " + std::u16string(c.attributes) +
                  u"><progressbar name='a' width='20' height='10'/>"
                  u"<progressbar name='b' width='40' height='20'/></gridbox>");
    Open(*b, 105, 50);
    EXPECT_EQ(b->host->Placed(u"a"), c.a);
    EXPECT_EQ(b->host->Placed(u"b"), c.b);
    if (c.attributes[0]) continue;
    DlgLayoutRelayout(*b->window, 26, 10);  // too little room: shares of the total
    EXPECT_EQ(b->host->Placed(u"a"), (Rect{0, 0, 8, 10}));
    EXPECT_EQ(b->host->Placed(u"b"), (Rect{13, 0, 16, 10}));
  }
}

TEST(GridLayout, EmptyGridAndColumnLimits) {
  auto b = Make(u"<gridbox columns='0'/>");
  EXPECT_EQ(SizeOf(*b), (Size{0, 0}));
  EXPECT_EQ(static_cast<DlgGrid*>(b->window->Child())->columns, 1);
  auto wide = Make(u"<gridbox columns='99'/>");
  EXPECT_EQ(static_cast<DlgGrid*>(wide->window->Child())->columns, kDlgGridMaxColumns);
}

TEST(WindowLayout, BoundsMarginsAndOpeningSize) {
  Built b;
  b.Make(
      u"<window minwidth='50' maxwidth='AUTO' maxheight='300'>"
      u"<progressbar width='100' height='20'/></window>");
  ASSERT_NE(b.window, nullptr);
  EXPECT_EQ(Open(b, 0, 0), (Size{116, 36}));
  ASSERT_EQ(b.host->bounds.size(), 1u);
  const auto& bounds = b.host->bounds[0];
  EXPECT_EQ((std::array{bounds.minW, bounds.minH, bounds.maxW, bounds.maxH}),
            (std::array{50, -1, 116, 300}));
  EXPECT_EQ(Open(b, 400, 10), (Size{400, 36})) << "the larger of required and requested";

  Built free;
  free.Make(u"<window><progressbar/></window>");
  Open(free, 0, 0);
  EXPECT_TRUE(free.host->bounds.empty()) << "no bound given: none set";

  Built autoMin;
  autoMin.Make(
      u"<window minwidth='auto' minheight='auto' margin='0'>"
      u"<progressbar width='70' height='30'/></window>");
  Open(autoMin, 0, 0);
  ASSERT_EQ(autoMin.host->bounds.size(), 1u);
  EXPECT_EQ(autoMin.host->bounds[0].minW, 70);
  EXPECT_EQ(autoMin.host->bounds[0].minH, 30);
}

}  // namespace
