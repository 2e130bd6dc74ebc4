// Tiles composed on one grid, and the mosaic saved as a PNG.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/export_png.h"
#include "app/tests/core_test_support.h"
#include "app/xyz_loader.h"
#include "imaging/tests/png_test_util.h"
#include "runtime/data/hash.h"
#include "runtime/data/map.h"

namespace {

using Events = std::vector<std::string>;

// A square tile of side `n` at (x0, northing0) going south, one grey.
std::string Square(int x0, int northing0, int n, int grey) {
  std::string text;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      text += std::to_string(x0 + c) + "," + std::to_string(northing0 - r) + "," +
              std::to_string(grey) + "\n";
  return text;
}

TEST_F(CoreTest, TilesWithAGapExportBlackBetween) {
  // Boxes (1, -10, 10, -1) and (21, -10, 30, -1): a 30 x 10 mosaic.
  ASSERT_EQ(LoadXyzFile(Core(), Write("w.xyz", Square(1, 10, 10, 100))), LoadOutcome::kLoaded);
  ASSERT_EQ(LoadXyzFile(Core(), Write("e.xyz", Square(21, 10, 10, 200))), LoadOutcome::kLoaded);
  const ObjectHandle mosaic = Core().mosaicImage;
  ASSERT_EQ(Img_Width(mosaic), 30);
  ASSERT_EQ(Img_Height(mosaic), 10);
  EXPECT_EQ(PixelOf(mosaic, 0, 0), Grey(100));
  EXPECT_EQ(PixelOf(mosaic, 15, 5), 0u) << "between the tiles: transparent";
  EXPECT_EQ(PixelOf(mosaic, 29, 9), Grey(200));
  EXPECT_EQ(Core().mosaicMinX, 1);
  EXPECT_EQ(Core().mosaicMinY, -10);

  Recorder::Get().Take();
  const std::u16string out = Utf8ToUtf16(Folder() + "out");  // no ".png": saved as named
  ExportPngJob(Core(), out);
  EXPECT_EQ(Recorder::Get().Take(), (Events{"status:Speichern als PNG...", "status:Datei exportiert!",
                                            Exported(ExportOutcome::kWritten)}));
  const DecodedPng png = DecodePng(ReadBytes(Folder() + "out"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 30u);
  EXPECT_EQ(png.height, 10u);
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
  for (int x : {0, 9, 10, 19, 20, 29}) {
    const int expected = x < 10 ? 100 : x < 20 ? 0 : 200;
    for (int c = 0; c < 3; ++c) EXPECT_EQ(png.rows[4][x * 3 + c], expected) << "x " << x;
  }
}

// Two tiles with the same box: the one later in the registry's walk
// (buckets ascending, newest first in a bucket) decides shared pixels.
TEST_F(CoreTest, OverlapsFollowTheRegistryWalk) {
  const std::u16string first = Write("first.xyz", Square(1, 5, 5, 11));
  std::string secondText = Square(1, 5, 5, 22);
  const std::u16string second = Write("second.xyz", secondText.substr(0, secondText.size() - 8) +
                                                        "\n");  // one point fewer
  const auto bucket = [](const std::u16string& path) { return Map_Hash(Hash_File(path), false) % 512; };
  ASSERT_NE(bucket(first), bucket(second)) << "pick other greys if the keys share a bucket";
  const int later = bucket(first) > bucket(second) ? 11 : 22;
  ASSERT_EQ(LoadXyzFile(Core(), first), LoadOutcome::kLoaded);
  ASSERT_EQ(LoadXyzFile(Core(), second), LoadOutcome::kLoaded);
  EXPECT_EQ(PixelOf(Core().mosaicImage, 0, 0), Grey(later));
  // The missing last point of the second tile leaves the first's grey there.
  EXPECT_EQ(PixelOf(Core().mosaicImage, 4, 4), Grey(11));
}

TEST_F(CoreTest, ExportRefusalsAndFailures) {
  ExportPngJob(Core(), Utf8ToUtf16(Folder() + "early.png"));
  EXPECT_EQ(Recorder::Get().Take(), (Events{Exported(ExportOutcome::kNothingLoaded)}))
      << "nothing loaded: nothing shown";
  EXPECT_EQ(Fs_FileSize(Utf8ToUtf16(Folder() + "early.png")), -1);

  ASSERT_EQ(LoadXyzFile(Core(), Write("t.xyz", "1,1,1\n")), LoadOutcome::kLoaded);
  Recorder::Get().Take();
  ExportPngJob(Core(), u"");
  EXPECT_EQ(Recorder::Get().Take(), (Events{Exported(ExportOutcome::kNoPath)}));

  ::mkdir((Folder() + "locked").c_str(), 0500);
  for (const std::string& bad : {Folder() + "missing/out.png", Folder() + "locked/out.png", Folder()}) {
    if (bad.find("locked") != std::string::npos && ::geteuid() == 0) continue;  // root writes anyway
    SetProgress(Core(), 5);
    Recorder::Get().Take();
    ExportPngJob(Core(), Utf8ToUtf16(bad));
    EXPECT_EQ(Recorder::Get().Take(),
              (Events{"status:Speichern als PNG...", "progress:0", "status:Fehler beim Export der Datei!",
                      Exported(ExportOutcome::kFailed)}))
        << bad;
  }
}

}  // namespace
