// Files dropped onto the main window, delivered as the window system
// delivers a drag from the file manager.
#include <gtest/gtest.h>

#include "app/window/tests/window_test_support.h"

namespace window_test {
namespace {

std::vector<std::u16string> ReadingLines() {
  std::vector<std::u16string> lines;
  for (const std::u16string& text : Recorded().status)
    if (text.rfind(u"Lese ", 0) == 0) lines.push_back(text);
  return lines;
}

TEST_F(WindowProgramTest, FilesDroppedOntoTheWindowLoadInTheOrderGiven) {
  WriteText(dir_ / "z.xyz", Block(1001, 1, 40, 10, 77));
  WriteText(dir_ / "a.xyz", Block(1101, 1, 40, 10, 200));
  // Onto the canvas, which hands the drop up to the window.
  const PlatRect canvas = Plat_OuterRect(Native(Gadget(u"image")));
  ASSERT_TRUE(Plat_TestDropFiles(MainNative(), {Path("z.xyz"), Path("a.xyz")},
                                 canvas.x + canvas.width / 2, canvas.y + canvas.height / 2));
  FinishJobs();
  EXPECT_EQ(ReadingLines(),
            (std::vector<std::u16string>{u"Lese z.xyz (0 MiB) ...", u"Lese a.xyz (0 MiB) ..."}));
  EXPECT_EQ(App().core->tiles->Size(), 2u);
  // The queue line as for chosen files: after each enqueue and each take.
  ASSERT_EQ(Recorded().queue.size(), 4u);
  EXPECT_EQ(Gad_GetText(Gadget(u"queue")), u"0 Aufgaben in der Warteschlange");
  EXPECT_TRUE(Recorded().asked.empty()) << "no requester";

  // The same file again is refused as a chosen one would be; a drag that
  // carries no file is not taken and queues nothing.
  ASSERT_TRUE(Plat_TestDropFiles(MainNative(), {Path("a.xyz")}, 20, 20));
  FinishJobs();
  EXPECT_EQ(Recorded().status.back(), u"a.xyz bereits geladen");
  Recorded().queue.clear();
  EXPECT_FALSE(Plat_TestDropFiles(MainNative(), {}, 20, 20));
  FinishJobs();
  EXPECT_TRUE(Recorded().queue.empty());
}

}  // namespace
}  // namespace window_test
