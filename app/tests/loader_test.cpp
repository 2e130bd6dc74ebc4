// Loading one file: what the user is shown, in order, and what is registered.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "app/tests/core_test_support.h"
#include "app/xyz_loader.h"

namespace {

using Events = std::vector<std::string>;

// The distinct progress values of a load, as the lastProgress rule lets
// them through: 0..50 while reading, 50..100 while drawing, then 0.
void ExpectProgressRuns(const std::vector<std::string>& values) {
  ASSERT_FALSE(values.empty());
  std::vector<int> v;
  for (const auto& s : values) v.push_back(std::stoi(s));
  for (std::size_t i = 1; i < v.size(); ++i) EXPECT_NE(v[i], v[i - 1]) << "repeat at " << i;
  EXPECT_EQ(v.back(), 0);
  const auto top = std::find(v.begin(), v.end(), 100);
  ASSERT_NE(top, v.end());
  EXPECT_TRUE(std::is_sorted(v.begin(), top + 1)) << "the bar only climbs until 100";
  EXPECT_NE(std::find(v.begin(), v.end(), 50), v.end());
}

TEST_F(CoreTest, ATileIsAnnouncedReadDrawnAndComposed) {
  std::string text;
  for (int i = 0; i < 400; ++i)
    text += std::to_string(1000 + i % 20) + ".5," + std::to_string(2000 + i / 20) + ".9," +
            std::to_string(i) + "\r\n";
  const std::u16string path = Write("tile.xyz", text);
  EXPECT_EQ(LoadXyzFile(Core(), path), LoadOutcome::kLoaded);
  const Events events = Recorder::Get().Take();
  Events statuses, progress;
  for (const auto& e : events) {
    if (e.rfind("status:", 0) == 0) statuses.push_back(e.substr(7));
    if (e.rfind("progress:", 0) == 0) progress.push_back(e.substr(9));
  }
  EXPECT_EQ(statuses, (Events{"Lese tile.xyz (0 MiB) ...", "Verarbeite tile.xyz: Bestimme Koordinaten",
                              "Verarbeite tile.xyz: Erstelle Kachel", ""}));
  ExpectProgressRuns(progress);
  EXPECT_EQ(events.back(), "preview") << "the mosaic is shown last";

  ASSERT_EQ(Core().tiles->Size(), 1);
  const TileRecord* tile = Core().tiles->Find(u"");  // no record under the empty key
  EXPECT_EQ(tile, nullptr);
  Core().tiles->Reset();
  const TileRecord t = *Core().tiles->Next();
  EXPECT_EQ((std::vector<std::int64_t>{t.box.minX, t.box.minY, t.box.maxX, t.box.maxY, t.width, t.height}),
            (std::vector<std::int64_t>{1000, -2019, 1019, -2000, 20, 20}));
  // Row 0 is the northernmost line (y = -2019, northing 2019): points 380..399.
  EXPECT_EQ(PixelOf(t.image, 0, 0), Grey(380 % 256));
  EXPECT_EQ(PixelOf(t.image, 19, 19), Grey(19));
  EXPECT_EQ(PixelOf(Core().mosaicImage, 5, 19), Grey(5));
}

TEST_F(CoreTest, TheSmallestTileAndLaterPointsWinTheirPixel) {
  EXPECT_EQ(LoadXyzFile(Core(), Write("one.xyz", "10,20,7\n")), LoadOutcome::kLoaded);
  Core().tiles->Reset();
  const TileRecord one = *Core().tiles->Next();
  EXPECT_EQ(one.width, 1);
  EXPECT_EQ(one.height, 1);
  EXPECT_EQ(PixelOf(one.image, 0, 0), Grey(7));

  // (10, -20, grey 7) and (12, -25, grey 9): a 3 x 6 tile; the same pixel
  // twice keeps the later grey.
  EXPECT_EQ(LoadXyzFile(Core(), Write("two.xyz", "110,20,7\n112,25,1\n112,25,9\n")), LoadOutcome::kLoaded);
  const TileRecord* two = nullptr;
  Core().tiles->Reset();
  while (const TileRecord* t = Core().tiles->Next())
    if (t->box.minX == 110) two = t;
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->width, 3);
  EXPECT_EQ(two->height, 6);
  EXPECT_EQ(PixelOf(two->image, 0, 5), Grey(7));
  EXPECT_EQ(PixelOf(two->image, 2, 0), Grey(9));
  EXPECT_EQ(PixelOf(two->image, 1, 1), 0u) << "no point: transparent";
}

// Every way a file can yield nothing: the status texts and the bar.
TEST_F(CoreTest, RefusalsShowTheirTextAndRegisterNothing) {
  ASSERT_EQ(LoadXyzFile(Core(), Write("first.xyz", "5,5,5\n")), LoadOutcome::kLoaded);
  Recorder::Get().Take();
  ::mkdir((Folder() + "folder.xyz").c_str(), 0700);
  ::symlink("/proc/self/mem", (Folder() + "mem.xyz").c_str());  // reads fail with an I/O error
  const struct {
    std::u16string path;
    Events expected;
  } cases[] = {
      {Write("same.xyz", "5,5,5\n"), {"status:Lese same.xyz (0 MiB) ...", "status:same.xyz bereits geladen"}},
      {Write("empty.xyz", ""),
       {"status:Lese empty.xyz (0 MiB) ...", "status:Konnte keine XYZ Daten lesen (empty.xyz)"}},
      {Write("blank.xyz", "356 845 95\n357 845 95\n"),
       {"status:Lese blank.xyz (0 MiB) ...", "progress:25", "progress:50",
        "status:Konnte keine XYZ Daten lesen (blank.xyz)"}},
      {Utf8ToUtf16(Folder() + "missing.xyz"),
       {"status:Lese missing.xyz (0 MiB) ...", "status:Konnte keine XYZ Daten lesen (missing.xyz)"}},
      {Utf8ToUtf16(Folder() + "folder.xyz"),
       {"status:Lese folder.xyz (0 MiB) ...", "status:Konnte keine XYZ Daten lesen (folder.xyz)"}},
      {Utf8ToUtf16(Folder() + "mem.xyz"),
       {"status:Lese mem.xyz (0 MiB) ...", "status:Konnte keine XYZ Daten lesen (mem.xyz)"}},
  };
  for (const auto& c : cases) {
    SetProgress(Core(), 33);  // so that the reset to 0 shows
    Recorder::Get().Take();
    EXPECT_NE(LoadXyzFile(Core(), c.path), LoadOutcome::kLoaded);
    Events expected = c.expected;
    if (expected.back().find("Konnte") != std::string::npos) expected.push_back("progress:0");
    EXPECT_EQ(Recorder::Get().Take(), expected);
  }
  EXPECT_EQ(Core().tiles->Size(), 1);
}

// The size figure: MiB rounded half away from zero.
TEST_F(CoreTest, SizeFiguresRoundAtTheHalves) {
  const struct {
    std::size_t bytes;
    const char* figure;
  } sizes[] = {{3 * 512 * 1024, "2"}, {3 * 512 * 1024 - 1, "1"}, {512 * 1024 - 1, "0"},
               {512 * 1024, "1"},     {700 * 1024, "1"},         {400 * 1024, "0"}};
  for (const auto& s : sizes) {
    std::string bytes(s.bytes, '\n');
    bytes.replace(0, 6, "9,9,9\n");
    LoadXyzFile(Core(), Write("size.xyz", bytes));
    const Events statuses = Recorder::Get().Take("status:");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses[0], std::string("Lese size.xyz (") + s.figure + " MiB) ...") << s.bytes;
  }
}

TEST_F(CoreTest, TilesBeyondWhatAnImageHoldsAreRefused) {
  const struct {
    std::string text;
    std::string refusal;
  } cases[] = {
      {"1,1,1\n40000,1,1\n", "wide.xyz: Kachel zu groß (40000 x 1)"},
      {"1,1,1\n1,32768,1\n", "wide.xyz: Kachel zu groß (1 x 32768)"},
      {"-9223372036854775807,1,1\n9223372036854775807,1,1\n",
       "wide.xyz: Kachel zu groß (18446744073709551615 x 1)"},
  };
  for (const auto& c : cases) {
    SetProgress(Core(), 10);
    Recorder::Get().Take();
    EXPECT_NE(LoadXyzFile(Core(), Write("wide.xyz", c.text)), LoadOutcome::kLoaded);
    const Events events = Recorder::Get().Take();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 3], "status:Verarbeite wide.xyz: Bestimme Koordinaten");
    EXPECT_EQ(events[events.size() - 2], "status:" + c.refusal);
    EXPECT_EQ(events.back(), "progress:0");
  }
  EXPECT_EQ(Core().tiles->Size(), 0);
  EXPECT_EQ(Core().mosaicImage, 0);

  // A tile of its own fits, but not together with the one before it.
  ASSERT_EQ(LoadXyzFile(Core(), Write("west.xyz", "1,1,1\n")), LoadOutcome::kLoaded);
  const ObjectHandle mosaic = Core().mosaicImage;
  Recorder::Get().Take();
  EXPECT_NE(LoadXyzFile(Core(), Write("east.xyz", "32768,1,1\n32768,3,1\n")), LoadOutcome::kLoaded);
  EXPECT_EQ(Recorder::Get().Take("status:").back(), "east.xyz: Mosaik zu groß (32768 x 3)");
  EXPECT_EQ(Core().tiles->Size(), 1);
  EXPECT_EQ(Core().mosaicImage, mosaic) << "the mosaic stays as it was";
  EXPECT_EQ(LoadXyzFile(Core(), Write("next.xyz", "2,2,2\n")), LoadOutcome::kLoaded) << "later files load normally";
  EXPECT_EQ(Img_Width(Core().mosaicImage), 2);
}

}  // namespace
