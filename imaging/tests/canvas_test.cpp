#include "imaging/canvas.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "imaging/tests/test_support.h"
#include "platform/platform.h"
#include "platform/platform_test_hooks.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

using Types = std::vector<std::int64_t>;

struct Seen {
  std::int64_t subType;
  CanvasEventData data;
  std::int64_t mouseX;  // read through the attribute while handled
};
std::vector<Seen> gSeen;
ObjectHandle gCanvas = 0;

void RecordCanvasEvent() {
  Seen s{Evt_SubType(), {}, Gad_GetAttribute(gCanvas, KX_Canvas_MouseX)};
  if (auto* d = static_cast<CanvasEventData*>(Evt_Data())) s.data = *d;
  gSeen.push_back(s);
}

// Sub types seen since the last call.
Types TakeSubTypes() {
  Types types;
  for (const Seen& s : gSeen) types.push_back(s.subType);
  gSeen.clear();
  return types;
}

const Bitmap& Backing(ObjectHandle canvas) {
  static const Bitmap none;
  const Bitmap* b = Bitmap_FromHandle(Gad_GetAttribute(canvas, KX_Canvas_Image));
  EXPECT_NE(b, nullptr);
  return b ? *b : none;
}

// Blue, green, red of a backing-bitmap pixel (y = 0 at the top).
Bytes Pixel(ObjectHandle canvas, int x, int y) {
  const std::uint8_t* p = Bitmap_PictureRow(Backing(canvas), y) + x * 3;
  return {p[0], p[1], p[2]};
}

const Bytes kWhite{255, 255, 255};
const Bytes kRed{0, 0, 255};

void Pump(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) Evt_Wait(5);
  while (Evt_QueueLength() > 0) Evt_Wait(0);
}

void FillBox(ObjectHandle canvas, int x, int y, int w, int h, std::int64_t colour) {
  ASSERT_NE(Draw_Start(Canvas_Output(canvas)), 0);
  Draw_Box(x, y, w, h, colour);
  Draw_Stop();
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = Win_Open(KX_Any, 20, 20, 400, 300, u"Leinwand");
    ASSERT_NE(window_, 0);
    gSeen.clear();
  }
  void TearDown() override {
    Gad_Free(KX_Any);
    Win_Close(KX_Any);
    Pump(1);
  }
  ObjectHandle Make(int w, int h, std::int64_t flags = 0) {
    gCanvas = Canvas_Create(KX_Any, 10, 10, w, h, flags);
    EXPECT_NE(gCanvas, 0);
    Evt_BindGadget(gCanvas, RecordCanvasEvent);
    return gCanvas;
  }
  static PlatWindow Native(ObjectHandle canvas) {
    return static_cast<PlatWindow>(Gad_Record(canvas)->handle);
  }
  static void Input(ObjectHandle canvas, PlatTestInput what, int x, int y, int button = 0,
                    int modifiers = 0, int value = 0, char32_t character = 0) {
    Plat_TestInput(Native(canvas), what, x, y, button, modifiers, value, character);
  }
  // Blue, green, red of the window's picture as grabbed, y = 0 at the top.
  static Bytes Grabbed(ObjectHandle canvas, int x, int y) {
    std::vector<std::uint8_t> shot;
    int w = 0, h = 0;
    EXPECT_TRUE(Plat_GrabWindow(Native(canvas), &shot, &w, &h));
    if (x >= w || y >= h) return {};
    const std::uint8_t* p = shot.data() + std::size_t(h - 1 - y) * ((w * 3 + 3) & ~3) + x * 3;
    return {p[0], p[1], p[2]};
  }
  ObjectHandle window_ = 0;
};

TEST_F(CanvasTest, BackingBitmapSizes) {
  const ObjectHandle plain = Make(200, 100);
  EXPECT_EQ(Gad_Kind(plain), kCanvasKindId);
  EXPECT_EQ(Backing(plain).width, 200);
  EXPECT_EQ(Backing(plain).height, 100);
  EXPECT_EQ(Backing(plain).bitsPerPixel, 24);
  for (int y = 0; y < 100; y += 33)
    for (int x = 0; x < 200; x += 39) EXPECT_EQ(Pixel(plain, x, y), kWhite);

  const ObjectHandle bordered = Make(200, 100, KX_Canvas_Border);
  EXPECT_EQ(Backing(bordered).width, 196);
  EXPECT_EQ(Backing(bordered).height, 96);
  EXPECT_EQ(Gad_Width(bordered), 200);
  EXPECT_EQ(Gad_Height(bordered), 100);
  int w = -1, h = -1;
  Gad_RequiredSize(bordered, &w, &h);
  EXPECT_EQ(w + h, 0);

  const ObjectHandle empty = Make(0, 0);
  EXPECT_EQ(Backing(empty).width, 1);
  EXPECT_EQ(Backing(empty).height, 1);
  FillBox(empty, 0, 0, 1, 1, Draw_RGBA(255, 0, 0, 255));
  EXPECT_EQ(Pixel(empty, 0, 0), kRed);
}

TEST_F(CanvasTest, FixedNumberReturnsTheWindowAndOutputNeedsACanvas) {
  const ObjectHandle handle = Canvas_Create(4, 0, 0, 50, 50);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(reinterpret_cast<void*>(handle), Gad_Record(4)->handle);
  EXPECT_EQ(Win_FromNative(Gad_Record(4)->handle), window_);
  EXPECT_EQ(Canvas_Output(5), nullptr);
  EXPECT_EQ(Canvas_Output(-77), nullptr);
  Gad_Free(4);
  EXPECT_EQ(Canvas_Output(4), nullptr);
  Gad_UseList(nullptr);  // without a gadget list there is nowhere to put a canvas
  EXPECT_EQ(Canvas_Create(KX_Any, 0, 0, 10, 10), 0);
}

TEST_F(CanvasTest, ResizeKeepsThePictureTopLeftAndRaisesItsEvent) {
  const ObjectHandle c = Make(40, 30);
  FillBox(c, 5, 6, 1, 1, Draw_RGBA(255, 0, 0, 255));
  FillBox(c, 39, 29, 1, 1, Draw_RGBA(255, 0, 0, 255));
  Pump();
  gSeen.clear();
  Gad_Resize(c, KX_Unchanged, KX_Unchanged, 80, 70);
  ASSERT_FALSE(gSeen.empty());
  EXPECT_EQ(gSeen.back().subType, KX_Canvas_Resize);
  EXPECT_EQ(Backing(c).width, 80);
  EXPECT_EQ(Backing(c).height, 70);
  EXPECT_EQ(Pixel(c, 5, 6), kRed);
  EXPECT_EQ(Pixel(c, 39, 29), kRed);
  EXPECT_EQ(Pixel(c, 40, 29), kWhite);
  EXPECT_EQ(Pixel(c, 79, 69), kWhite);
  Gad_Resize(c, 0, 0, 20, 10);
  EXPECT_EQ(Backing(c).width, 20);
  EXPECT_EQ(Backing(c).height, 10);
  EXPECT_EQ(Pixel(c, 5, 6), kRed);
  EXPECT_EQ(Gad_Width(c), 20);
}

TEST_F(CanvasTest, DrawStopShowsThePixelsBeforeAnyPaintMessage) {
  const ObjectHandle c = Make(60, 40, KX_Canvas_Border);
  Pump();  // shown and painted white
  EXPECT_EQ(Grabbed(c, 55, 35), kWhite);
  EXPECT_TRUE(Grabbed(c, 56, 0).empty() && Grabbed(c, 0, 36).empty()) << "the grab is 56 x 36";
  ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
  Draw_Box(0, 0, 56, 36, Draw_RGBA(0, 0, 255, 255));
  Draw_Box(0, 0, 10, 5, Draw_RGBA(255, 0, 0, 255));  // top-left corner red
  Draw_Stop();
  EXPECT_EQ(Grabbed(c, 0, 35), (Bytes{255, 0, 0}));
  EXPECT_EQ(Grabbed(c, 0, 0), kRed);
}

TEST_F(CanvasTest, DrawingOnAWorkerRepaintsThroughTheMainThread) {
  const ObjectHandle c = Make(30, 20);
  Pump();
  std::thread([c] { FillBox(c, 0, 0, 30, 20, Draw_RGBA(0, 255, 0, 255)); }).join();
  EXPECT_EQ(Grabbed(c, 0, 19), kWhite) << "the worker painted nothing itself";
  Pump();
  EXPECT_EQ(Grabbed(c, 0, 19), (Bytes{0, 255, 0}));
}

// A worker's drawing holds off a resize until Draw_Stop, and a canvas freed
// meanwhile stays valid for it.
TEST_F(CanvasTest, AWorkersDrawingHoldsOffResizeAndOutlivesFree) {
  const ObjectHandle c = Make(30, 20);
  std::atomic<int> step{0};
  auto waitFor = [&step](int s) {
    while (step != s) std::this_thread::yield();
  };
  std::thread worker([c, &step, &waitFor] {
    ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
    step = 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Draw_Plot(29, 19, Draw_RGBA(255, 0, 0, 255));
    Draw_Stop();
    waitFor(2);
    ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
    step = 3;
    waitFor(4);
    Draw_Box(0, 0, 30, 20, Draw_RGBA(1, 2, 3, 255));
    Draw_Stop();
  });
  waitFor(1);
  Gad_Resize(c, KX_Unchanged, KX_Unchanged, 50, 40);  // blocks until Draw_Stop
  EXPECT_EQ(Backing(c).width, 50);
  EXPECT_EQ(Pixel(c, 29, 19), kRed);
  step = 2;
  waitFor(3);
  Gad_Free(c);
  step = 4;
  worker.join();
  EXPECT_FALSE(Gad_IsGadget(c));
  Pump();
}

// The preview's pattern: a worker draws the whole canvas again and again and
// sets a status text, while the main thread resizes the canvas and runs the
// loop. Neither waits for the other beyond one drawing.
TEST_F(CanvasTest, WorkerDrawingAndMainThreadResizingInterleave) {
  const ObjectHandle c = Make(50, 40);
  const ObjectHandle window = window_;
  std::atomic<bool> done{false};
  std::thread worker([c, window, &done] {
    for (int i = 0; i < 200 && Win_IsWindow(window); ++i) {
      Gad_SetText(c, u"Lese");
      if (Draw_Start(Canvas_Output(c))) {
        Draw_Box(0, 0, Gad_Width(c), Gad_Height(c), Draw_RGBA(128, 128, 128, 255));
        Draw_Plot(0, 0, Draw_RGBA(255, 0, 0, 255));
        Draw_Stop();
      }
    }
    done = true;
  });
  int size = 50;
  while (!done) {
    size = size >= 120 ? 50 : size + 7;
    Gad_Resize(c, KX_Unchanged, KX_Unchanged, size, size);
    Evt_Wait(1);
  }
  worker.join();
  Pump();
  EXPECT_EQ(Pixel(c, 0, 0), kRed);
  EXPECT_EQ(Backing(c).width, size);
}

TEST_F(CanvasTest, ClickOnlyWhenReleasedInside) {
  const ObjectHandle c = Make(100, 50);
  Input(c, PlatTestInput::kMouseDown, 10, 10, kPlatButtonLeft);
  Input(c, PlatTestInput::kMouseUp, 150, 10, kPlatButtonLeft);
  EXPECT_EQ(TakeSubTypes(), (Types{KX_Canvas_LeftButtonDown, KX_Canvas_LeftButtonUp}));
  Input(c, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft);
  Input(c, PlatTestInput::kMouseUp, 100, 5, kPlatButtonLeft);  // just outside the right edge
  EXPECT_EQ(TakeSubTypes().size(), 2u);

  Input(c, PlatTestInput::kMouseDown, 10, 10, kPlatButtonLeft, kPlatModControl);
  Input(c, PlatTestInput::kMouseUp, 12, 14, kPlatButtonLeft, kPlatModControl);
  ASSERT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[2].subType, KX_Canvas_LeftClick);
  EXPECT_EQ(gSeen[0].data.buttons, kPlatButtonLeft);
  const CanvasEventData& click = gSeen[2].data;
  EXPECT_EQ(click.x, 12);
  EXPECT_EQ(click.y, 14);
  EXPECT_EQ(click.buttons, 0);
  EXPECT_EQ(click.modifiers, kPlatModControl);
  EXPECT_EQ(gSeen[2].mouseX, 12);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_MouseX), 0) << "0 outside the canvas's own event";
  gSeen.clear();

  Input(c, PlatTestInput::kMouseDown, 99, 49, kPlatButtonRight);
  Input(c, PlatTestInput::kMouseUp, 99, 49, kPlatButtonRight);
  Input(c, PlatTestInput::kMouseDown, 1, 1, kPlatButtonMiddle);
  Input(c, PlatTestInput::kMouseUp, 1, 1, kPlatButtonMiddle);
  EXPECT_EQ(TakeSubTypes(),
            (Types{KX_Canvas_RightButtonDown, KX_Canvas_RightButtonUp, KX_Canvas_RightClick,
                   KX_Canvas_MiddleButtonDown, KX_Canvas_MiddleButtonUp}));
  // A double click follows its down event.
  Input(c, PlatTestInput::kMouseDouble, 3, 4, kPlatButtonLeft);
  Input(c, PlatTestInput::kMouseUp, 3, 4, kPlatButtonLeft);
  EXPECT_EQ(TakeSubTypes(), (Types{KX_Canvas_LeftButtonDown, KX_Canvas_LeftDoubleClick,
                                   KX_Canvas_LeftButtonUp, KX_Canvas_LeftClick}));
}

TEST_F(CanvasTest, WheelReportsWholeNotchesAndCarriesTheRest) {
  const ObjectHandle c = Make(100, 50);
  // Three turns of 40 make one notch; -300 is two with -60 carried into the next turn.
  std::vector<std::vector<int>> notches;
  for (int delta : {40, 40, 40, -300, -60}) {
    Input(c, PlatTestInput::kWheel, 5, 5, 0, 0, delta);
    notches.emplace_back();
    for (const Seen& s : gSeen) notches.back().push_back(s.data.wheel);
    EXPECT_EQ(TakeSubTypes(), Types(notches.back().size(), KX_Canvas_MouseWheel));
  }
  EXPECT_EQ(notches, (std::vector<std::vector<int>>{{}, {}, {1}, {-2}, {-1}}));
}

TEST_F(CanvasTest, EnterMoveLeave) {
  const ObjectHandle c = Make(100, 50);
  Input(c, PlatTestInput::kMouseMove, 5, 6);
  Input(c, PlatTestInput::kMouseMove, 7, 8);
  Input(c, PlatTestInput::kMouseLeave, 0, 0);
  Input(c, PlatTestInput::kMouseLeave, 0, 0);
  ASSERT_GE(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[2].data.x, 7);
  EXPECT_EQ(gSeen[2].data.y, 8);
  EXPECT_EQ(TakeSubTypes(), (Types{KX_Canvas_MouseEnter, KX_Canvas_MouseMove, KX_Canvas_MouseMove,
                                   KX_Canvas_MouseLeave}));
}

TEST_F(CanvasTest, KeyboardCanvasTakesTheFocusAndReportsKeys) {
  Plat_Activate(static_cast<PlatWindow>(Win_Native(window_)));
  Pump();
  const ObjectHandle c = Make(100, 50, KX_Canvas_Keyboard | KX_Canvas_DrawFocus);
  Input(c, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft);
  EXPECT_EQ(Plat_Focus(), Native(c));
  Input(c, PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft);
  gSeen.clear();
  Input(c, PlatTestInput::kKeyDown, 0, 0, 0, kPlatModShift, 'A', U'A');
  Input(c, PlatTestInput::kKeyUp, 0, 0, 0, 0, 'A');
  Input(c, PlatTestInput::kKeyDown, 0, 0, 0, 0, 0x0D, U'\r');  // no input event
  ASSERT_EQ(gSeen.size(), 4u);
  EXPECT_EQ(gSeen[0].data.key, 'A');
  EXPECT_EQ(gSeen[0].data.modifiers, kPlatModShift);
  EXPECT_EQ(gSeen[1].data.character, 'A');
  EXPECT_EQ(gSeen[3].data.key, 0x0D);
  EXPECT_EQ(TakeSubTypes(),
            (Types{KX_Canvas_KeyDown, KX_Canvas_Input, KX_Canvas_KeyUp, KX_Canvas_KeyDown}));
  Gad_Focus(c);
  EXPECT_EQ(Plat_Focus(), Native(c));
}

TEST_F(CanvasTest, ClipMouseCapturesWhileHeldAndDisablingReleases) {
  const ObjectHandle c = Make(100, 50, KX_Canvas_ClipMouse);
  Input(c, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 1);
  Input(c, PlatTestInput::kMouseDown, 5, 5, kPlatButtonRight);
  Input(c, PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 1) << "the right button is still held";
  Input(c, PlatTestInput::kMouseUp, 5, 5, kPlatButtonRight);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 0);
  Gad_SetAttribute(c, KX_Canvas_Clip, 1);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 1);
  Gad_Disable(c, true);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 0);
  EXPECT_FALSE(Plat_IsEnabled(Native(c)));
}

TEST_F(CanvasTest, CursorAndImageAttributes) {
  const ObjectHandle c = Make(20, 20);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Cursor), 0);
  Gad_SetAttribute(c, KX_Canvas_Cursor, 3);
  Gad_SetAttribute(c, KX_Canvas_Cursor, 12);  // out of range: ignored
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Cursor), 3);
  Gad_SetAttribute(c, KX_Canvas_CustomCursor, 0x1234);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Cursor), -1);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_CustomCursor), 0x1234);

  const ObjectHandle image = Img_Create(KX_Any, 4, 3, 24, Draw_RGBA(255, 0, 0, 255));
  ASSERT_NE(image, 0);
  Gad_SetAttribute(c, KX_Canvas_Image, Img_Handle(image));
  EXPECT_EQ(Pixel(c, 0, 0), kRed);
  EXPECT_EQ(Pixel(c, 3, 2), kRed);
  EXPECT_EQ(Pixel(c, 4, 2), kWhite);
  Img_Free(image);
}

}  // namespace
