// A canvas on the screen: opens a window with a drawn canvas and checks what
// the window system shows of it. With RELIVOX_SCREENSHOT_DIR set (see
// scripts/xvfb-canvas-check) the window stays up until an outside screenshot
// has been taken: the test writes "ready" (the canvas's screen rectangle and
// the expected colours) there and waits for "done".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/canvas.h"
#include "imaging/drawing.h"
#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

TEST(CanvasOnScreen, DrawnPictureReachesTheScreen) {
  const ObjectHandle window = Win_Open(KX_Any, 40, 30, 320, 240, u"Relivox Leinwand");
  ASSERT_NE(window, 0);
  const ObjectHandle canvas = Canvas_Create(KX_Any, 20, 20, 280, 200, KX_Canvas_Border);
  ASSERT_NE(canvas, 0);
  for (int i = 0; i < 20; ++i) Evt_Wait(10);

  // Mid grey, a red left half, a blue right half and a green box across.
  ASSERT_NE(Draw_Start(Canvas_Output(canvas)), 0);
  Draw_Box(0, 0, 276, 196, Draw_RGBA(128, 128, 128, 255));
  Draw_Box(10, 10, 123, 176, Draw_RGBA(255, 0, 0, 255));
  Draw_Box(143, 10, 123, 176, Draw_RGBA(0, 0, 255, 255));
  Draw_Box(60, 80, 156, 36, Draw_RGBA(0, 255, 0, 255));
  Draw_Stop();
  for (int i = 0; i < 10; ++i) Evt_Wait(10);

  auto native = static_cast<PlatWindow>(Gad_Record(canvas)->handle);
  std::vector<std::uint8_t> shot;
  int w = 0, h = 0;
  ASSERT_TRUE(Plat_GrabWindow(native, &shot, &w, &h));
  ASSERT_EQ(w, 276);
  ASSERT_EQ(h, 196);
  // Probe points: x, y, red, green, blue.
  const int probes[4][5] = {
      {2, 2, 128, 128, 128}, {30, 30, 255, 0, 0}, {240, 170, 0, 0, 255}, {138, 98, 0, 255, 0}};
  for (const auto& p : probes) {
    const std::uint8_t* at =
        shot.data() + std::size_t(h - 1 - p[1]) * ((w * 3 + 3) & ~3) + p[0] * 3;
    EXPECT_EQ((std::vector<int>{at[2], at[1], at[0]}), (std::vector<int>{p[2], p[3], p[4]}))
        << p[0] << "," << p[1];
  }

  if (const char* dir = std::getenv("RELIVOX_SCREENSHOT_DIR")) {
    const PlatRect r = Plat_ClientRect(native);
    const std::string ready = std::string(dir) + "/ready";
    {
      std::ofstream out(ready + ".tmp");
      out << r.x << ' ' << r.y << ' ' << r.width << ' ' << r.height << '\n';
      for (const auto& p : probes)
        out << p[0] << ' ' << p[1] << ' ' << p[2] << ' ' << p[3] << ' ' << p[4] << '\n';
    }
    std::rename((ready + ".tmp").c_str(), ready.c_str());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(std::string(dir) + "/done") &&
           std::chrono::steady_clock::now() < until)
      Evt_Wait(20);
  }
  Win_Close(window);
  Gad_Free(canvas);
}

}  // namespace
