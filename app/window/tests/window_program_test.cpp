// The window program end to end in this process: the real window and
// bindings, the buttons clicked through the window system, the requesters
// scripted at the platform layer, the real worker.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "app/mosaic.h"
#include "app/window/preview_sampler.h"
#include "app/window/tests/window_test_support.h"
#include "controls/controls.h"
#include "dialog/xml.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/drawing.h"
#include "imaging/image.h"
#include "runtime/data/tests/zip_builder.h"
#include "runtime/data/utf.h"

namespace window_test {
namespace {

const std::u16string kQueueZero = u"0 Aufgaben in der Warteschlange";

// 0xRRGGBB of picture pixel x, y of 24-bit bottom-up rows.
std::uint32_t At(const std::uint8_t* bits, int stride, int height, int x, int y) {
  const std::uint8_t* p = bits + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x;
  return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

struct Grab {
  std::vector<std::uint8_t> pixels;
  int width = 0, height = 0;
  std::uint32_t operator()(int x, int y) const {
    return At(pixels.data(), (width * 3 + 3) & ~3, height, x, y);
  }
};

// What the canvas must show for the mosaic at a canvas size: grey, and the
// copy of the mosaic resized raw at the top-left.
ObjectHandle ExpectedCanvas(int canvasWidth, int canvasHeight, int fromWidth, int fromHeight) {
  const ObjectHandle mosaic = App().core->mosaicImage;
  const PreviewSize size = PreviewSizeFor(Img_Width(mosaic), Img_Height(mosaic), fromWidth, fromHeight);
  const ObjectHandle copy = Img_Copy(mosaic, KX_Any);
  Img_Resize(copy, size.width, size.height, 1);
  const ObjectHandle expected = Img_Create(KX_Any, canvasWidth, canvasHeight, 24, 0xFFFFFF);
  if (Draw_Start(Img_Output(expected))) {
    Draw_Box(0, 0, fromWidth, fromHeight, 0x808080);
    Draw_Image(Img_Handle(copy), 0, 0);
    Draw_Stop();
  }
  Img_Free(copy);
  return expected;
}

// Positions where the backing bitmap of the canvas differs from `expected`.
int Differences(ObjectHandle canvas, ObjectHandle expected) {
  const Bitmap* backing = Bitmap_FromHandle(Gad_GetAttribute(canvas, KX_Canvas_Image));
  const Bitmap* want = Bitmap_FromHandle(Img_Handle(expected));
  if (!backing || !want || backing->width != want->width || backing->height != want->height)
    return -1;
  int differences = 0;
  for (int y = 0; y < want->height; ++y)
    for (int x = 0; x < want->width; ++x)
      differences += At(backing->bits, backing->stride, backing->height, x, y) !=
                     At(want->bits, want->stride, want->height, x, y);
  return differences;
}

class WindowEndToEndTest : public WindowProgramTest {
 protected:
  // Three tiles: a (grey 77) and b (grey 200) side by side with a 200-unit
  // gap, c (grey 30) above a; chosen together, in that order.
  void LoadThreeTiles() {
    WriteText(dir_ / "a.xyz", Block(1001, 1, 400, 100, 77));
    WriteText(dir_ / "b.xyz", Block(1601, 1, 400, 100, 200));
    WriteText(dir_ / "c.xyz", Block(1001, 101, 10, 10, 30));
    Answer({Dir(), u"a.xyz", u"b.xyz", u"c.xyz"});
    Click(u"open");
    FinishJobs();
  }
};

// A name that is not UTF-8 (Latin-1 "ä", as older systems wrote it) comes
// from the requester with its byte carried along: the file named is opened,
// and the status line shows the byte as U+FFFD. So does an archive's.
TEST_F(WindowEndToEndTest, AChosenFileWhoseNameIsNotUtf8Loads) {
  const std::string latin = "lat\xE4in";
  WriteText(dir_ / (latin + ".xyz"), Block(10, 1, 5, 5, 90));
  ZipBuilder zip;
  zip.AddFile(latin + "2.xyz", Block(20, 1, 5, 5, 60));  // no UTF-8 flag: IBM 437
  zip.Write((dir_ / (latin + ".zip")).string());
  Answer({Dir(), PathFromSystem(latin + ".xyz"), PathFromSystem(latin + ".zip")});
  Click(u"open");
  FinishJobs();
  EXPECT_EQ(App().core->tiles->Size(), 2);
  const std::vector<std::u16string>& status = Recorded().status;
  EXPECT_NE(std::find(status.begin(), status.end(), u"Verarbeite lat\uFFFDin.xyz: Erstelle Kachel"),
            status.end());
  EXPECT_NE(std::find(status.begin(), status.end(), u"Verarbeite lat\u03A3in2.xyz: Erstelle Kachel"),
            status.end());
  for (const std::u16string& text : status)
    EXPECT_EQ(text.find(u'\xDCE4'), std::u16string::npos) << "a carried byte in a text";
}

TEST_F(WindowEndToEndTest, ThreeChosenFilesAreQueuedAndLoadedInOrder) {
  LoadThreeTiles();
  Record& r = Recorded();
  ASSERT_EQ(r.asked.size(), 1u);
  const PlatFileDialogSpec& asked = r.asked[0];
  EXPECT_FALSE(asked.save);
  EXPECT_TRUE(asked.multiSelect);
  EXPECT_EQ(asked.title, u"Load XYZ");
  EXPECT_EQ(asked.fileName, u"");
  EXPECT_EQ(asked.filterIndex, 1);
  const std::vector<std::pair<std::u16string, std::u16string>> filters = {
      {u"Unterstützte Formate", u"*.zip;*.xyz"}, {u"zip", u"*.zip"}, {u"xyz", u"*.xyz"}};
  EXPECT_EQ(asked.filters, filters);

  // Rewritten after every enqueue and every dequeue, ending at 0.
  ASSERT_EQ(r.queue.size(), 6u);
  for (const std::u16string& text : r.queue)
    EXPECT_EQ(text.substr(1), u" Aufgaben in der Warteschlange") << Utf16ToUtf8(text);
  EXPECT_EQ(r.queue.back(), kQueueZero);
  EXPECT_EQ(Gad_GetText(Gadget(u"queue")), kQueueZero);

  std::vector<std::u16string> expected;
  for (const char16_t* name : {u"a.xyz", u"b.xyz", u"c.xyz"}) {
    const std::u16string n = name;
    expected.insert(expected.end(), {u"Lese " + n + u" (0 MiB) ...", u"Verarbeite " + n +
                                     u": Bestimme Koordinaten", u"Verarbeite " + n +
                                     u": Erstelle Kachel", u""});
  }
  EXPECT_EQ(r.status, expected);
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"");
  EXPECT_EQ(Gad_GetState(Gadget(u"progress")), 0);
  EXPECT_EQ(App().core->tiles->Size(), 3u);

  // The same content under another name is refused.
  std::filesystem::copy_file(dir_ / "a.xyz", dir_ / "d.xyz");
  Answer({Path("d.xyz")});
  Click(u"open");
  FinishJobs();
  EXPECT_EQ(r.status.back(), u"d.xyz bereits geladen");
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"d.xyz bereits geladen");
  EXPECT_EQ(App().core->tiles->Size(), 3u);
}

TEST_F(WindowEndToEndTest, TheCanvasShowsTheScaledMosaicOnGrey) {
  const ObjectHandle canvas = Gadget(u"image");
  const int cw = Gad_Width(canvas), ch = Gad_Height(canvas);
  LoadThreeTiles();
  ASSERT_EQ(Img_Width(App().core->mosaicImage), 1000);
  ASSERT_EQ(Img_Height(App().core->mosaicImage), 110);
  ASSERT_LT(cw, 1000) << "the mosaic must be shrunk";

  Grab grab;
  ASSERT_TRUE(Plat_GrabWindow(Native(canvas), &grab.pixels, &grab.width, &grab.height));
  ASSERT_EQ(grab.width, cw);
  ASSERT_EQ(grab.height, ch);
  const ObjectHandle expected = ExpectedCanvas(cw, ch, cw, ch);
  const Bitmap* want = Bitmap_FromHandle(Img_Handle(expected));
  int differences = 0;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      differences += grab(x, y) != At(want->bits, want->stride, want->height, x, y);
  EXPECT_EQ(differences, 0) << "the screen shows what copy and raw resize give";
  Img_Free(expected);

  // The factor is cw / 1000: the picture is cw wide and 110 * factor high.
  const double f = cw / 1000.0;
  const int h = static_cast<int>(std::nearbyint(110 * f));
  EXPECT_EQ(grab(cw - 1, h - 1), 0xC8C8C8u) << "b reaches the bottom-right corner";
  EXPECT_EQ(grab(cw - 1, h), 0x808080u) << "grey below the picture";
  EXPECT_EQ(grab(0, ch - 1), 0x808080u);
  EXPECT_EQ(grab(static_cast<int>(200 * f), h / 2), 0x4D4D4Du) << "a";
  EXPECT_EQ(grab(static_cast<int>(500 * f), h / 2), 0x000000u) << "the gap is black";
  EXPECT_EQ(grab(static_cast<int>(800 * f), h / 2), 0xC8C8C8u) << "b";
  EXPECT_EQ(grab(1, 1), 0x1E1E1Eu) << "c, above a";
  EXPECT_EQ(grab(static_cast<int>(500 * f), 1), 0x000000u) << "beside c: transparent, black";
}

// 32000 x 10 on a canvas under 600 wide: the height would round to 0, and
// an unscaled picture must not be drawn instead; it is one row high.
TEST_F(WindowEndToEndTest, AThinMosaicIsShrunkToOneRowNotShownUnscaled) {
  WriteText(dir_ / "thin.xyz", "1,10,50\n32000,1,60\n16000,5,70\n");
  Answer({Path("thin.xyz")});
  Click(u"open");
  FinishJobs();
  ASSERT_EQ(Img_Width(App().core->mosaicImage), 32000);
  ASSERT_EQ(Img_Height(App().core->mosaicImage), 10);
  const ObjectHandle canvas = Gadget(u"image");
  const int cw = Gad_Width(canvas), ch = Gad_Height(canvas);
  const ObjectHandle expected = ExpectedCanvas(cw, ch, cw, ch);
  EXPECT_EQ(Differences(canvas, expected), 0);
  Img_Free(expected);
  const Bitmap* backing = Bitmap_FromHandle(Gad_GetAttribute(canvas, KX_Canvas_Image));
  ASSERT_NE(backing, nullptr);
  for (int x = 0; x < cw; ++x)
    ASSERT_EQ(At(backing->bits, backing->stride, backing->height, x, 1), 0x808080u) << x;
}

// The size handler draws at the canvas size of before the relayout; the
// redraw after it leaves the picture at the new size, with no white area.
TEST_F(WindowEndToEndTest, AResizeEndsWithThePictureAtTheNewCanvasSize) {
  const ObjectHandle canvas = Gadget(u"image");
  const ObjectHandle window = App().mainWindow;
  // Before the first tile the canvas is white, and a resize keeps it white.
  Win_Resize(window, KX_Unchanged, KX_Unchanged, 700, 450);
  DrainEvents();
  const Bitmap* blank = Bitmap_FromHandle(Gad_GetAttribute(canvas, KX_Canvas_Image));
  ASSERT_NE(blank, nullptr);
  for (int y = 0; y < blank->height; ++y)
    for (int x = 0; x < blank->width; ++x)
      ASSERT_EQ(At(blank->bits, blank->stride, blank->height, x, y), 0xFFFFFFu) << x << "," << y;

  LoadThreeTiles();
  int w0 = Gad_Width(canvas);
  for (auto [iw, ih] : {std::pair{900, 600}, std::pair{1000, 700}, std::pair{640, 420}}) {
    SCOPED_TRACE(::testing::Message() << iw << " x " << ih);
    Win_Resize(window, KX_Unchanged, KX_Unchanged, iw, ih);
    DrainEvents();
    const int w1 = Gad_Width(canvas), h1 = Gad_Height(canvas);
    ASSERT_NE(w1, w0);
    const ObjectHandle expected = ExpectedCanvas(w1, h1, w1, h1);
    EXPECT_EQ(Differences(canvas, expected), 0);
    Img_Free(expected);
    w0 = w1;
  }

  // Three resizes in a row, as a drag of the border gives them: one
  // preview each before the relayout, then one redraw, at the last size.
  Recorded().previews = 0;
  for (auto [iw, ih] : {std::pair{760, 480}, std::pair{980, 640}, std::pair{700, 460}})
    Win_Resize(window, KX_Unchanged, KX_Unchanged, iw, ih);
  DrainEvents();
  EXPECT_EQ(Recorded().previews, 3 + 1);
  ASSERT_EQ(Win_InnerWidth(window), 700);
  {
    const int w1 = Gad_Width(canvas), h1 = Gad_Height(canvas);
    const ObjectHandle expected = ExpectedCanvas(w1, h1, w1, h1);
    EXPECT_EQ(Differences(canvas, expected), 0);
    Img_Free(expected);
    w0 = w1;
  }

  // Maximised: what the screen shows of the canvas is the picture at the
  // maximised canvas's scale, grey below it, nowhere white.
  Plat_Show(MainNative(), PlatShow::kMaximized);
  PumpUntil([&] { return Gad_Width(canvas) != w0; }, 3000);
  DrainEvents();
  const int wm = Gad_Width(canvas), hm = Gad_Height(canvas);
  ASSERT_GT(wm, w0) << "maximised";
  Grab grab;
  ASSERT_TRUE(Plat_GrabWindow(Native(canvas), &grab.pixels, &grab.width, &grab.height));
  ASSERT_EQ(grab.width, wm);
  ASSERT_EQ(grab.height, hm);
  const ObjectHandle expected = ExpectedCanvas(wm, hm, wm, hm);
  const Bitmap* want = Bitmap_FromHandle(Img_Handle(expected));
  int differences = 0, white = 0;
  for (int y = 0; y < hm; ++y)
    for (int x = 0; x < wm; ++x) {
      differences += grab(x, y) != At(want->bits, want->stride, want->height, x, y);
      white += grab(x, y) == 0xFFFFFFu;
    }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(white, 0);
  Img_Free(expected);
  const int h = static_cast<int>(std::nearbyint(110 * (wm / 1000.0)));
  EXPECT_EQ(grab(wm - 1, h - 1), 0xC8C8C8u) << "b reaches the right edge";
  EXPECT_EQ(grab(wm - 1, h), 0x808080u) << "grey below the picture";
  EXPECT_EQ(grab(wm - 1, hm - 1), 0x808080u);
}

TEST_F(WindowEndToEndTest, ExportWritesThePngAndOpensIt) {
  // Before any tile an export does nothing and shows nothing.
  Answer({Path("early.png")});
  Click(u"save");
  FinishJobs();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "early.png"));
  EXPECT_TRUE(Recorded().status.empty());

  LoadThreeTiles();
  Record& r = Recorded();
  r.asked.clear();
  r.status.clear();
  // An existing file of that name is replaced (the requester asked).
  WriteText(dir_ / "mosaic.png", "old");
  Answer({Path("mosaic.png")});
  Click(u"save");
  FinishJobs();
  ASSERT_EQ(r.asked.size(), 1u);
  EXPECT_TRUE(r.asked[0].save);
  EXPECT_EQ(r.asked[0].title, u"Save PNG");
  EXPECT_EQ(r.asked[0].fileName, u"test.png");
  EXPECT_EQ(r.asked[0].filterIndex, 1);
  const std::vector<std::pair<std::u16string, std::u16string>> png = {{u"PNG", u"*.png"}};
  EXPECT_EQ(r.asked[0].filters, png);

  std::ifstream in(dir_ / "mosaic.png", std::ios::binary);
  char signature[8] = {};
  in.read(signature, 8);
  EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(r.status, (std::vector<std::u16string>{u"Speichern als PNG...", u"Datei exportiert!"}));
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"Datei exportiert!");
  EXPECT_EQ(Gad_GetState(Gadget(u"progress")), 0);
  PumpUntil([&] { return !r.opened.empty(); }, 2000);
  EXPECT_EQ(r.opened, std::vector<std::u16string>{Path("mosaic.png")});

  // A failed save says so and opens nothing, not even an older file.
  r.opened.clear();
  Answer({Path("missing-folder/mosaic.png")});
  Click(u"save");
  FinishJobs();
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"Fehler beim Export der Datei!");
  for (int i = 0; i < 20; ++i) Evt_Wait(5);
  EXPECT_TRUE(r.opened.empty());
}

TEST_F(WindowEndToEndTest, ASaveBeyondTheFileSizeLimitFailsAndTheProgramGoesOn) {
  LoadThreeTiles();
  Record& r = Recorded();
  r.opened.clear();
  // The limit stops the PNG just after its header.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Answer({Path("limited.png")});
  Click(u"save");
  FinishJobs();
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"Fehler beim Export der Datei!");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "limited.png"));
  EXPECT_TRUE(r.opened.empty());
  Answer({Path("limited.png")});
  Click(u"save");
  FinishJobs();
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u"Datei exportiert!");
}

TEST_F(WindowEndToEndTest, CancelledRequestersQueueNothing) {
  Click(u"open");  // nothing prepared: the chooser cancels
  Click(u"save");
  FinishJobs();
  EXPECT_EQ(Recorded().asked.size(), 2u);
  EXPECT_TRUE(Recorded().queue.empty());
  EXPECT_EQ(Gad_GetText(Gadget(u"queue")), u" ");
  EXPECT_EQ(Gad_GetText(Gadget(u"text")), u" ");
}

TEST_F(WindowEndToEndTest, ProgressRepeatsReachTheBarOnce) {
  std::thread([] {
    SetProgress(*App().core, 37);
    SetProgress(*App().core, 37);
  }).join();
  DrainEvents();
  EXPECT_EQ(Recorded().progress, std::vector<std::int64_t>{37});
  EXPECT_EQ(Gad_GetState(Gadget(u"progress")), 37);
  SetProgress(*App().core, 0);
}

TEST_F(WindowEndToEndTest, ClosingEndsTheProgramAndLaterCallsDoNothing) {
  LoadThreeTiles();
  const ObjectHandle window = App().mainWindow, dialog = App().mainDialog;
  Plat_TestRequestClose(MainNative());
  DrainEvents();
  EXPECT_EQ(Recorded().exits, 1);
  EXPECT_FALSE(Win_IsWindow(window));
  EXPECT_EQ(Dlg_IsDialog(dialog), 0);
  EXPECT_FALSE(Xml_IsXml(App().xmlDocument));
  // From the worker's side, and from the main thread's size handler.
  std::thread([] {
    Converter& core = *App().core;
    SetStatusText(core, u"spät");
    SetProgress(core, 55);
    SetQueueText(core, u"spät");
    LockMosaic(core);
    UpdatePreview(core, core.mosaicImage);
    UnlockMosaic(core);
  }).join();
  EXPECT_EQ(OnWindowResized(), 0);
  DrainEvents();
  EXPECT_EQ(App().core->lastProgress, 55) << "recorded although the bar is gone";
}

TEST_F(WindowProgramTest, AWindowThatCannotBeBuiltSaysWhy) {
  AppState& app = App();
  // The real window first goes, as at the end of the program.
  OnCloseWindow();
  ASSERT_EQ(Recorded().exits, 1);
  app.mainWindow = 0;
  const struct {
    const char16_t* description;
    const char* contains;
  } cases[] = {
      {u"<dialogs><window name='other' /></dialogs>", "not found"},
      {u"<dialogs><window name='main'><vbox></window></dialogs>", "Zeile 1"},
      {u"", "Fensterbeschreibung"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.contains);
    std::u16string error;
    EXPECT_FALSE(CreateMainWindowFrom(c.description, &CanCloseMainWindow, &TestExit,
                                      &OnOpenClicked, &OnSaveClicked, &error));
    EXPECT_EQ(app.mainWindow, 0);
    EXPECT_NE(Utf16ToUtf8(error).find(c.contains), std::string::npos) << Utf16ToUtf8(error);
    Dlg_Free(app.mainDialog);
    Xml_Free(app.xmlDocument);
  }
  std::u16string error = u"stale";
  EXPECT_TRUE(CreateMainWindow(&CanCloseMainWindow, &TestExit, &OnOpenClicked, &OnSaveClicked,
                               &error));
  EXPECT_NE(app.mainWindow, 0);
  EXPECT_EQ(error, u"");
}

}  // namespace
}  // namespace window_test
