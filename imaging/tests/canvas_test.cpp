#include "imaging/canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "platform/platform.h"
#include "platform/platform_test_hooks.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

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

std::vector<std::int64_t> SubTypes() {
  std::vector<std::int64_t> types;
  for (const Seen& s : gSeen) types.push_back(s.subType);
  return types;
}

const Bitmap& Backing(ObjectHandle canvas) {
  static const Bitmap none;
  const Bitmap* b = Bitmap_FromHandle(Gad_GetAttribute(canvas, KX_Canvas_Image));
  EXPECT_NE(b, nullptr);
  return b ? *b : none;
}

// Blue, green, red of a backing-bitmap pixel (y = 0 at the top).
std::vector<int> Pixel(ObjectHandle canvas, int x, int y) {
  const Bitmap& b = Backing(canvas);
  const std::uint8_t* p = Bitmap_PictureRow(b, y) + x * 3;
  return {p[0], p[1], p[2]};
}

const std::vector<int> kWhite{255, 255, 255};
const std::vector<int> kRed{0, 0, 255};

void Pump(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) Evt_Wait(5);
  while (Evt_QueueLength() > 0) Evt_Wait(0);
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
  PlatWindow Native(ObjectHandle canvas) {
    return static_cast<PlatWindow>(Gad_Record(canvas)->handle);
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
  int w = 0, h = 0;
  Gad_RequiredSize(bordered, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);

  const ObjectHandle empty = Make(0, 0);
  EXPECT_EQ(Backing(empty).width, 1);
  EXPECT_EQ(Backing(empty).height, 1);
  DrawingContext* output = Canvas_Output(empty);
  ASSERT_NE(output, nullptr);
  EXPECT_NE(Draw_Start(output), 0);
  Draw_Plot(0, 0, Draw_RGBA(255, 0, 0, 255));
  Draw_Stop();
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
  // Without a gadget list there is nowhere to put a canvas.
  Gad_UseList(nullptr);
  EXPECT_EQ(Canvas_Create(KX_Any, 0, 0, 10, 10), 0);
}

TEST_F(CanvasTest, ResizeKeepsThePictureTopLeft) {
  const ObjectHandle c = Make(40, 30);
  ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
  Draw_Plot(5, 6, Draw_RGBA(255, 0, 0, 255));
  Draw_Plot(39, 29, Draw_RGBA(255, 0, 0, 255));
  Draw_Stop();
  Gad_Resize(c, KX_Unchanged, KX_Unchanged, 80, 70);
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
  std::vector<std::uint8_t> shot;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(Native(c), &shot, &w, &h));
  ASSERT_EQ(w, 56);
  ASSERT_EQ(h, 36);
  EXPECT_EQ(shot[0], 255);
  ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
  Draw_Box(0, 0, 56, 36, Draw_RGBA(0, 0, 255, 255));
  Draw_Box(0, 0, 10, 5, Draw_RGBA(255, 0, 0, 255));  // top-left corner red
  Draw_Stop();
  ASSERT_TRUE(Plat_GrabWindow(Native(c), &shot, &w, &h));
  const int stride = (w * 3 + 3) & ~3;
  // Grabbed rows are bottom-up: the first is the picture's bottom row.
  EXPECT_EQ(shot[0], 255);  // blue
  EXPECT_EQ(shot[2], 0);
  const std::uint8_t* top = shot.data() + static_cast<std::size_t>(h - 1) * stride;
  EXPECT_EQ(top[0], 0);
  EXPECT_EQ(top[2], 255);  // red
}

TEST_F(CanvasTest, DrawingOnAWorkerRepaintsThroughTheMainThread) {
  const ObjectHandle c = Make(30, 20);
  Pump();
  std::thread worker([c] {
    ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
    Draw_Box(0, 0, 30, 20, Draw_RGBA(0, 255, 0, 255));
    Draw_Stop();
  });
  worker.join();
  std::vector<std::uint8_t> shot;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(Native(c), &shot, &w, &h));
  EXPECT_EQ(shot[0], 255);  // still white: the worker painted nothing itself
  Pump();
  ASSERT_TRUE(Plat_GrabWindow(Native(c), &shot, &w, &h));
  EXPECT_EQ(shot[0], 0);
  EXPECT_EQ(shot[1], 255);
}

TEST_F(CanvasTest, ResizeWaitsForAWorkersDrawing) {
  const ObjectHandle c = Make(30, 20);
  std::atomic<bool> drawing{false};
  std::thread worker([c, &drawing] {
    ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
    drawing = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    Draw_Plot(29, 19, Draw_RGBA(255, 0, 0, 255));
    Draw_Stop();
  });
  while (!drawing) std::this_thread::yield();
  Gad_Resize(c, KX_Unchanged, KX_Unchanged, 50, 40);  // blocks until Draw_Stop
  worker.join();
  EXPECT_EQ(Backing(c).width, 50);
  EXPECT_EQ(Pixel(c, 29, 19), kRed);
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
    for (int i = 0; i < 200; ++i) {
      if (!Win_IsWindow(window)) break;
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

TEST_F(CanvasTest, FreedWhileAWorkerDrawsStaysValidUntilDrawStop) {
  const ObjectHandle c = Make(30, 20);
  std::atomic<bool> drawing{false}, freed{false};
  std::thread worker([c, &drawing, &freed] {
    ASSERT_NE(Draw_Start(Canvas_Output(c)), 0);
    drawing = true;
    while (!freed) std::this_thread::yield();
    Draw_Box(0, 0, 30, 20, Draw_RGBA(1, 2, 3, 255));
    Draw_Stop();
  });
  while (!drawing) std::this_thread::yield();
  Gad_Free(c);
  freed = true;
  worker.join();
  EXPECT_FALSE(Gad_IsGadget(c));
  Pump();
}

TEST_F(CanvasTest, ClickOnlyWhenReleasedInside) {
  const ObjectHandle c = Make(100, 50);
  PlatWindow n = Native(c);
  Plat_TestInput(n, PlatTestInput::kMouseDown, 10, 10, kPlatButtonLeft, 0);
  Plat_TestInput(n, PlatTestInput::kMouseUp, 150, 10, kPlatButtonLeft, 0);
  EXPECT_EQ(SubTypes(),
            (std::vector<std::int64_t>{KX_Canvas_LeftButtonDown, KX_Canvas_LeftButtonUp}));
  gSeen.clear();
  Plat_TestInput(n, PlatTestInput::kMouseDown, 10, 10, kPlatButtonLeft, kPlatModControl);
  Plat_TestInput(n, PlatTestInput::kMouseUp, 12, 14, kPlatButtonLeft, kPlatModControl);
  ASSERT_EQ(SubTypes(), (std::vector<std::int64_t>{KX_Canvas_LeftButtonDown, KX_Canvas_LeftButtonUp,
                                                   KX_Canvas_LeftClick}));
  EXPECT_EQ(gSeen[0].data.buttons, kPlatButtonLeft);
  const CanvasEventData& click = gSeen[2].data;
  EXPECT_EQ(click.x, 12);
  EXPECT_EQ(click.y, 14);
  EXPECT_EQ(click.buttons, 0);
  EXPECT_EQ(click.modifiers, kPlatModControl);
  EXPECT_EQ(gSeen[2].mouseX, 12);
  // Attributes read 0 outside the canvas's own event.
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_MouseX), 0);

  gSeen.clear();
  Plat_TestInput(n, PlatTestInput::kMouseDown, 99, 49, kPlatButtonRight, 0);
  Plat_TestInput(n, PlatTestInput::kMouseUp, 99, 49, kPlatButtonRight, 0);
  Plat_TestInput(n, PlatTestInput::kMouseDown, 1, 1, kPlatButtonMiddle, 0);
  Plat_TestInput(n, PlatTestInput::kMouseUp, 1, 1, kPlatButtonMiddle, 0);
  EXPECT_EQ(SubTypes(),
            (std::vector<std::int64_t>{KX_Canvas_RightButtonDown, KX_Canvas_RightButtonUp,
                                       KX_Canvas_RightClick, KX_Canvas_MiddleButtonDown,
                                       KX_Canvas_MiddleButtonUp}));
  // Released on the edge just outside: no click.
  gSeen.clear();
  Plat_TestInput(n, PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
  Plat_TestInput(n, PlatTestInput::kMouseUp, 100, 5, kPlatButtonLeft, 0);
  EXPECT_EQ(gSeen.size(), 2u);
}

TEST_F(CanvasTest, DoubleClickFollowsItsDownEvent) {
  const ObjectHandle c = Make(100, 50);
  Plat_TestInput(Native(c), PlatTestInput::kMouseDouble, 3, 4, kPlatButtonLeft, 0);
  Plat_TestInput(Native(c), PlatTestInput::kMouseUp, 3, 4, kPlatButtonLeft, 0);
  EXPECT_EQ(SubTypes(),
            (std::vector<std::int64_t>{KX_Canvas_LeftButtonDown, KX_Canvas_LeftDoubleClick,
                                       KX_Canvas_LeftButtonUp, KX_Canvas_LeftClick}));
}

TEST_F(CanvasTest, WheelReportsWholeNotchesAndCarriesTheRest) {
  const ObjectHandle c = Make(100, 50);
  for (int i = 0; i < 3; ++i) {
    Plat_TestInput(Native(c), PlatTestInput::kWheel, 5, 5, 0, 0, 40);
    EXPECT_EQ(gSeen.size(), i < 2 ? 0u : 1u);
  }
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].subType, KX_Canvas_MouseWheel);
  EXPECT_EQ(gSeen[0].data.wheel, 1);
  gSeen.clear();
  Plat_TestInput(Native(c), PlatTestInput::kWheel, 5, 5, 0, 0, -300);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].data.wheel, -2);
  gSeen.clear();
  Plat_TestInput(Native(c), PlatTestInput::kWheel, 5, 5, 0, 0, -60);  // -60 carried: -120
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].data.wheel, -1);
}

TEST_F(CanvasTest, EnterMoveLeave) {
  const ObjectHandle c = Make(100, 50);
  Plat_TestInput(Native(c), PlatTestInput::kMouseMove, 5, 6, 0, 0);
  Plat_TestInput(Native(c), PlatTestInput::kMouseMove, 7, 8, 0, 0);
  Plat_TestInput(Native(c), PlatTestInput::kMouseLeave, 0, 0, 0, 0);
  Plat_TestInput(Native(c), PlatTestInput::kMouseLeave, 0, 0, 0, 0);
  EXPECT_EQ(SubTypes(), (std::vector<std::int64_t>{KX_Canvas_MouseEnter, KX_Canvas_MouseMove,
                                                   KX_Canvas_MouseMove, KX_Canvas_MouseLeave}));
  EXPECT_EQ(gSeen[2].data.x, 7);
  EXPECT_EQ(gSeen[2].data.y, 8);
}

TEST_F(CanvasTest, KeyboardCanvasTakesTheFocusAndReportsKeys) {
  Plat_Activate(static_cast<PlatWindow>(Win_Native(window_)));
  Pump();
  const ObjectHandle c = Make(100, 50, KX_Canvas_Keyboard | KX_Canvas_DrawFocus);
  Plat_TestInput(Native(c), PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
  EXPECT_EQ(Plat_Focus(), Native(c));
  Plat_TestInput(Native(c), PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft, 0);
  gSeen.clear();
  Plat_TestInput(Native(c), PlatTestInput::kKeyDown, 0, 0, 0, kPlatModShift, 'A', U'A');
  Plat_TestInput(Native(c), PlatTestInput::kKeyUp, 0, 0, 0, 0, 'A');
  Plat_TestInput(Native(c), PlatTestInput::kKeyDown, 0, 0, 0, 0, 0x0D, U'\r');  // no input event
  ASSERT_EQ(SubTypes(), (std::vector<std::int64_t>{KX_Canvas_KeyDown, KX_Canvas_Input,
                                                   KX_Canvas_KeyUp, KX_Canvas_KeyDown}));
  EXPECT_EQ(gSeen[0].data.key, 'A');
  EXPECT_EQ(gSeen[0].data.modifiers, kPlatModShift);
  EXPECT_EQ(gSeen[1].data.character, 'A');
  EXPECT_EQ(gSeen[3].data.key, 0x0D);
  Gad_Focus(c);
  EXPECT_EQ(Plat_Focus(), Native(c));
}

TEST_F(CanvasTest, ClipMouseCapturesWhileHeldAndDisablingReleases) {
  const ObjectHandle c = Make(100, 50, KX_Canvas_ClipMouse);
  Plat_TestInput(Native(c), PlatTestInput::kMouseDown, 5, 5, kPlatButtonLeft, 0);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 1);
  Plat_TestInput(Native(c), PlatTestInput::kMouseDown, 5, 5, kPlatButtonRight, 0);
  Plat_TestInput(Native(c), PlatTestInput::kMouseUp, 5, 5, kPlatButtonLeft, 0);
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Clip), 1);  // the right button is still held
  Plat_TestInput(Native(c), PlatTestInput::kMouseUp, 5, 5, kPlatButtonRight, 0);
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
  EXPECT_EQ(Gad_GetAttribute(c, KX_Canvas_Cursor), 3);
  Gad_SetAttribute(c, KX_Canvas_Cursor, 12);
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

TEST_F(CanvasTest, ResizeOfAShownCanvasRaisesItsResizeEvent) {
  const ObjectHandle c = Make(20, 20);
  Pump();
  gSeen.clear();
  Gad_Resize(c, KX_Unchanged, KX_Unchanged, 30, 25);
  ASSERT_FALSE(gSeen.empty());
  EXPECT_EQ(gSeen.back().subType, KX_Canvas_Resize);
}

}  // namespace
