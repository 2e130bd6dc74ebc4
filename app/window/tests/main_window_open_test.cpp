// The main window built from its description with the real controls: its
// gadgets, their places at the opening size and after resizes, and what the
// window shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "app/window/main_window_description.h"
#include "controls/controls.h"
#include "controls/tests/test_window.h"
#include "dialog/dialog.h"
#include "dialog/xml.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/image.h"
#include "imaging/png_encoder.h"
#include "runtime/data/utf.h"

namespace {

PlatWindow Native(ObjectHandle gadget) {
  GadgetRecord* g = Gad_Record(gadget);
  return g ? static_cast<PlatWindow>(g->handle) : nullptr;
}

PlatRect RectOf(ObjectHandle gadget) { return Plat_OuterRect(Native(gadget)); }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ctl_UseInDialogs();
    xml_ = Xml_CatchMemory(KX_Any, kMainWindowDescription);
    ASSERT_TRUE(Xml_IsXml(xml_));
    dialog_ = Dlg_Create(KX_Any);
    ASSERT_NE(Dlg_Open(dialog_, xml_, u"main"), 0) << Xml_ErrorMessage(xml_).size();
    window_ = Dlg_Window(dialog_);
    DrainEvents();
  }
  void TearDown() override {
    Win_Close(window_);
    Dlg_Free(dialog_);
    Xml_Free(xml_);
    DrainEvents();
  }
  ObjectHandle Gadget(const char16_t* name) { return Dlg_Gadget(dialog_, name); }

  // Where each gadget must be for an inner size, from the gadgets' own
  // required sizes: margins 8, spacing 5; the canvas takes the spare
  // height, the spacer the spare width, the bottom row splits in halves.
  void ExpectLayout(int width, int height) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    auto required = [&](const char16_t* name) {
      int w = 0, h = 0;
      Gad_RequiredSize(Gadget(name), &w, &h);
      return std::pair(w, h);
    };
    const auto [ow, oh] = required(u"open");
    const auto [sw, sh] = required(u"save");
    const int qh = required(u"queue").second, th = required(u"text").second;
    const int row = std::max(oh, sh), inner = width - 16, half = (inner - 5) / 2;
    const int spare = height - 16 - (row + qh + th + 15);
    const std::pair<const char16_t*, std::array<int, 4>> expected[] = {
        {u"open", {8, 8, ow, row}},
        {u"save", {8 + ow + 5, 8, sw, row}},
        {u"image", {8, 8 + row + 5, inner, spare}},
        {u"queue", {8, 8 + row + 5 + spare + 5, inner, qh}},
        {u"text", {8, height - 8 - th, half, th}},
        {u"progress", {8 + half + 5, height - 8 - th, half, th}}};
    for (const auto& [name, rect] : expected) {
      const PlatRect r = RectOf(Gadget(name));
      EXPECT_EQ((std::array{r.x, r.y, r.width, r.height}), rect) << Utf16ToUtf8(name);
    }
  }

  ObjectHandle xml_ = 0, dialog_ = 0, window_ = -1;
};

TEST_F(MainWindowTest, OneWindowTitledRelivoxWithSixGadgets) {
  ASSERT_TRUE(Win_IsWindow(window_));
  EXPECT_EQ(Win_Title(window_), u"Relivox");
  EXPECT_GE(Win_InnerWidth(window_), 600);
  EXPECT_GE(Win_InnerHeight(window_), 400);
  EXPECT_TRUE(Plat_IsVisible(static_cast<PlatWindow>(Win_Native(window_))));
  const std::pair<const char16_t*, int> kinds[] = {
      {u"open", kCtlButton}, {u"save", kCtlButton}, {u"image", kCanvasKindId},
      {u"queue", kCtlText},  {u"text", kCtlText},   {u"progress", kCtlProgressBar}};
  std::vector<ObjectHandle> gadgets;
  for (auto [name, kind] : kinds) {
    gadgets.push_back(Gadget(name));
    ASSERT_TRUE(Gad_IsGadget(gadgets.back()));
    EXPECT_EQ(Gad_Kind(gadgets.back()), kind);
  }
  EXPECT_EQ(Dlg_Gadget(dialog_, u"IMAGE"), gadgets[2]);
  EXPECT_EQ(Dlg_Gadget(dialog_, u"spacer"), -1);
  // Exactly six: every point of the window lies in one of them or in the
  // window itself.
  auto top = static_cast<PlatWindow>(Win_Native(window_));
  std::vector<PlatWindow> found;
  for (int y = 0; y < Win_InnerHeight(window_); y += 2)
    for (int x = 0; x < Win_InnerWidth(window_); x += 2)
      if (PlatWindow w = Plat_ChildAt(top, x, y);
          w != top && std::find(found.begin(), found.end(), w) == found.end())
        found.push_back(w);
  EXPECT_EQ(found.size(), 6u);
  for (ObjectHandle g : gadgets)
    EXPECT_NE(std::find(found.begin(), found.end(), Native(g)), found.end());
  EXPECT_EQ(Gad_GetText(gadgets[0]), u"XYZ öffnen");
  EXPECT_EQ(Gad_GetText(gadgets[1]), u"PNG speichern");
  EXPECT_TRUE(Plat_IsEnabled(Native(gadgets[1]))) << "disabled='no' leaves it enabled";
}

TEST_F(MainWindowTest, GadgetsFollowTheLayoutRulesAtEverySize) {
  ASSERT_EQ(Win_InnerWidth(window_), 600);
  ASSERT_EQ(Win_InnerHeight(window_), 400);
  ExpectLayout(600, 400);
  for (auto [w, h] : {std::pair{800, 600}, std::pair{1000, 450}, std::pair{601, 777}}) {
    Win_Resize(window_, KX_Unchanged, KX_Unchanged, w, h);
    DrainEvents();
    ASSERT_EQ(Win_InnerWidth(window_), w);
    ExpectLayout(w, h);
  }
  // The window cannot be made smaller than 600 x 400.
  Win_Resize(window_, KX_Unchanged, KX_Unchanged, 300, 200);
  DrainEvents();
  EXPECT_GE(Win_InnerWidth(window_), 600);
  EXPECT_GE(Win_InnerHeight(window_), 400);
}

// The grab of the window: the two buttons, the white canvas and the bar.
TEST_F(MainWindowTest, TheWindowShowsButtonsWhiteCanvasAndProgressBar) {
  Gad_SetState(Gadget(u"progress"), 50);
  DrainEvents();
  std::vector<std::uint8_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(static_cast<PlatWindow>(Win_Native(window_)), &pixels, &w, &h));
  const int stride = (w * 3 + 3) & ~3;
  auto pixel = [&](int x, int y) {
    const std::uint8_t* p = pixels.data() + static_cast<std::size_t>(h - 1 - y) * stride + 3 * x;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
  };
  auto distinct = [&](PlatRect r) {
    std::vector<std::uint32_t> seen;
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x)
        if (std::find(seen.begin(), seen.end(), pixel(x, y)) == seen.end())
          seen.push_back(pixel(x, y));
    return seen.size();
  };
  const PlatRect canvas = RectOf(Gadget(u"image"));
  EXPECT_EQ(pixel(canvas.x + 1, canvas.y + 1), 0xFFFFFFu);
  EXPECT_EQ(distinct(canvas), 1u) << "the canvas is all white";
  // Buttons are drawn: frame and caption give them several colours, and
  // they differ from the window face around them.
  const PlatRect open = RectOf(Gadget(u"open"));
  EXPECT_GT(distinct(open), 3u);
  EXPECT_GT(distinct(RectOf(Gadget(u"save"))), 3u);
  EXPECT_EQ(pixel(w - 20, open.y + open.height / 2), 0xF0F0F0u) << "the spacer shows the face";
  // The bar's filled half differs from its empty half.
  const PlatRect bar = RectOf(Gadget(u"progress"));
  const int mid = bar.y + bar.height / 2;
  EXPECT_NE(pixel(bar.x + bar.width / 4, mid), pixel(bar.x + 3 * bar.width / 4, mid));
  EXPECT_GT(distinct(bar), 2u);

  // Under a real display: save what the window shows, and keep it up for
  // a screenshot of the whole screen.
  if (const char* dir = std::getenv("RELIVOX_SCREENSHOT_DIR")) {
    Img_UsePngEncoder();
    const ObjectHandle shot = Img_Create(KX_Any, w, h, 24, 0);
    ASSERT_NE(shot, 0);
    Bitmap* bitmap = Bitmap_FromHandle(Img_Handle(shot));
    ASSERT_NE(bitmap, nullptr);
    for (int row = 0; row < h; ++row)
      std::memcpy(bitmap->bits + static_cast<std::size_t>(row) * bitmap->stride,
                  pixels.data() + static_cast<std::size_t>(row) * stride,
                  static_cast<std::size_t>(w) * 3);
    const std::string path = std::string(dir) + "/main-window.png";
    EXPECT_NE(Img_Save(shot, std::u16string(path.begin(), path.end()), EncoderPng), 0);
    Img_Free(shot);
    std::ofstream(std::string(dir) + "/ready") << "ready\n";
    for (int i = 0; i < 40; ++i) {
      Evt_Wait(50);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

}  // namespace
