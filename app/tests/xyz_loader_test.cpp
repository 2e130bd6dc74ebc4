// The one-pass loader as the faces see it: status texts, the progress
// figures that reach the face, duplicates and unreadable files.
#include "app/xyz_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/converter.h"
#include "app/indicators.h"
#include "app/tests/xyz_oracle.h"
#include "app/xyz_read_pass.h"
#include "runtime/data/hash.h"
#include "runtime/data/utf.h"

namespace {

// What reached the face, in order: texts as they are, figures as "#n".
std::vector<std::string> gSeen;

const ConverterFace kRecorder = {
    .status = [](void*, const std::u16string& text) { gSeen.push_back(Utf16ToUtf8(text)); },
    .progress = [](void*, std::int64_t value) { gSeen.push_back("#" + std::to_string(value)); },
};

class XyzLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    core_ = StartConverter();
    ASSERT_NE(core_, nullptr);
    SetConverterFace(*core_, kRecorder);
    gSeen.clear();
  }
  void TearDown() override { StopConverter(core_); }
  Converter& Core() { return *core_; }

 private:
  Converter* core_ = nullptr;
};

// Tiles of n lines of "x,y,z" (or with another separator).
std::string Tile(int n, int seed, const char* separator = ",", const char* end = "\n") {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += std::to_string(1000 + i % 40) + ".50" + separator +
            std::to_string(2000 + i / 40 + seed) + ".25" + separator + std::to_string(i % 300) +
            end;
  return text;
}

std::string Name(const TempFile& file) { return Utf16ToUtf8(Fs_FilePart(file.path())); }

TEST_F(XyzLoader, ReadsOnceWithTheLineRulesFiguresAndDigest) {
  // Several chunks through the digest thread, and one chunk without it.
  const std::string text = Tile(3000, 0, ",", "\r\n") +
                           "junk line\n\xEF\xBB\xBF"
                           "5,5,5\n7,7";
  const TempFile file(text);
  const XyzReading oracle = OracleRead(file.path(), XyzSeparator::kComma);
  for (const std::size_t chunk :
       {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 20}) {
    XyzReadResult read;
    ASSERT_TRUE(ReadXyzOnce(file.path(), {XyzSeparator::kComma}, &read, nullptr, chunk)) << chunk;
    EXPECT_EQ(read.key, Hash_File(file.path(), kHashMd5)) << chunk;
    EXPECT_TRUE(read.scan.points == oracle.points) << chunk;
    EXPECT_EQ(read.scan.progress, oracle.progress) << chunk;
    EXPECT_EQ(read.scan.box.minX, oracle.box.minX);
    EXPECT_EQ(read.scan.box.minY, oracle.box.minY);
    EXPECT_EQ(read.scan.box.maxX, oracle.box.maxX);
    EXPECT_EQ(read.scan.box.maxY, oracle.box.maxY);
  }
  // The chunk size the file's length picks: a quarter of 400 KB, threaded.
  const TempFile large(Tile(20000, 5, ";", "\r") + "\n\n1;2");
  const XyzReading wanted = OracleRead(large.path(), XyzSeparator::kSemicolon);
  XyzReadResult read;
  static std::vector<std::int64_t> shown;
  shown.clear();
  const XyzFigureSink sink{[](void*, std::int64_t figure) { shown.push_back(figure); }, nullptr};
  ASSERT_TRUE(ReadXyzOnce(large.path(), {XyzSeparator::kSemicolon}, &read, &sink));
  EXPECT_EQ(read.key, Hash_File(large.path(), kHashMd5));
  EXPECT_TRUE(read.scan.points == wanted.points);
  EXPECT_EQ(read.scan.progress, wanted.progress);
  EXPECT_EQ(shown, wanted.progress) << "shown as they came";
  EXPECT_EQ(read.shown, shown.size());

  XyzReadResult empty;
  const TempFile none("");
  ASSERT_TRUE(ReadXyzOnce(none.path(), {XyzSeparator::kComma}, &empty, nullptr, 4));
  EXPECT_EQ(empty.key, Hash_File(none.path(), kHashMd5));
  EXPECT_TRUE(empty.scan.points.empty());
}

TEST_F(XyzLoader, AReadErrorGivesNeitherKeyNorPoints) {
  XyzReadResult read;
  // Reading a process's memory at address 0 fails with an I/O error.
  EXPECT_FALSE(ReadXyzOnce(u"/proc/self/mem", {XyzSeparator::kComma}, &read));
  EXPECT_TRUE(read.key.empty());
  EXPECT_FALSE(ReadXyzOnce(u"/nonexistent/tile.xyz", {XyzSeparator::kComma}, &read));

  EXPECT_NE(LoadXyzFile(Core(), u"/proc/self/mem"), LoadOutcome::kLoaded);
  EXPECT_EQ(gSeen, (std::vector<std::string>{"Lese mem (0 MiB) ...",
                                             "Konnte keine XYZ Daten lesen (mem)"}))
      << "progress stays 0; nothing registered";
  EXPECT_EQ(Core().tiles->Size(), 0);
}

TEST_F(XyzLoader, StatusTextsAndFiguresInOrder) {
  const TempFile file(Tile(2000, 0) + "0,1,1\n");
  const TempFile copy(file.Read());
  std::vector<std::string> want = {"Lese " + Name(file) + " (0 MiB) ..."};
  for (const std::int64_t v : OracleRead(file.path(), XyzSeparator::kComma).progress)
    if (v != 0) want.push_back("#" + std::to_string(v));  // 0 is the bar's value already
  want.push_back("Verarbeite " + Name(file) + ": Bestimme Koordinaten");
  ASSERT_EQ(LoadXyzFile(Core(), file.path()), LoadOutcome::kLoaded);
  ASSERT_GE(gSeen.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(gSeen.begin(), gSeen.begin() + want.size()), want);
  EXPECT_EQ(gSeen.back(), "#0");

  // The same bytes under another name: refused, the bar untouched.
  gSeen.clear();
  EXPECT_NE(LoadXyzFile(Core(), copy.path()), LoadOutcome::kLoaded);
  EXPECT_EQ(gSeen, (std::vector<std::string>{"Lese " + Name(copy) + " (0 MiB) ...",
                                             Name(copy) + " bereits geladen"}));
  EXPECT_EQ(Core().tiles->Size(), 1);

  // Other bytes of the same length: its figures wait for the digest, and
  // come all the same.
  std::string other = file.Read();
  other[0] = '2';
  const TempFile twin(other);
  gSeen.clear();
  EXPECT_EQ(LoadXyzFile(Core(), twin.path()), LoadOutcome::kLoaded);
  want[0] = "Lese " + Name(twin) + " (0 MiB) ...";
  want.back() = "Verarbeite " + Name(twin) + ": Bestimme Koordinaten";
  ASSERT_GE(gSeen.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(gSeen.begin(), gSeen.begin() + want.size()), want);
}

// Drawing moves the bar from 50 to 100 by points drawn: counter * 50 / n + 50.
TEST_F(XyzLoader, DrawingFiguresPerPoint) {
  for (const int n : {1, 7, 49, 50, 51, 2001}) {
    const TempFile file(Tile(n, 100 + n));
    gSeen.clear();
    ASSERT_EQ(LoadXyzFile(Core(), file.path()), LoadOutcome::kLoaded);
    const auto drawing =
        std::find(gSeen.begin(), gSeen.end(), "Verarbeite " + Name(file) + ": Erstelle Kachel");
    ASSERT_NE(drawing, gSeen.end());
    std::vector<std::string> want;
    std::int64_t last = 50;
    for (std::int64_t counter = 1; counter <= n; ++counter) {
      const std::int64_t figure = counter * 50 / n + 50;
      if (figure != last) want.push_back("#" + std::to_string(last = figure));
    }
    want.push_back("");  // the status line cleared, then the bar
    want.push_back("#0");
    EXPECT_EQ(std::vector<std::string>(drawing + 1, gSeen.end()), want) << n << " points";
  }
}

TEST_F(XyzLoader, NoAcceptedLineAfterTheFigures) {
  const TempFile file(Tile(500, 1, " "));
  EXPECT_NE(LoadXyzFile(Core(), file.path()), LoadOutcome::kLoaded);
  ASSERT_GE(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[gSeen.size() - 3], "#50") << "read to its end first";
  EXPECT_EQ(gSeen[gSeen.size() - 2], "Konnte keine XYZ Daten lesen (" + Name(file) + ")");
  EXPECT_EQ(gSeen.back(), "#0");
  EXPECT_EQ(Core().tiles->Size(), 0);
}

TEST_F(XyzLoader, TheSeparatorSettingReachesTheLoader) {
  const TempFile blank(Tile(300, 2, " \t "));
  const TempFile semicolon(Tile(300, 3, ";"));
  Core().readOptions.separator = XyzSeparator::kBlank;
  EXPECT_EQ(LoadXyzFile(Core(), blank.path()), LoadOutcome::kLoaded);
  EXPECT_NE(LoadXyzFile(Core(), semicolon.path()), LoadOutcome::kLoaded);
  Core().readOptions.separator = XyzSeparator::kSemicolon;
  EXPECT_EQ(LoadXyzFile(Core(), semicolon.path()), LoadOutcome::kLoaded);
  Core().readOptions.separator = XyzSeparator::kComma;
  EXPECT_NE(LoadXyzFile(Core(), blank.path()), LoadOutcome::kLoaded) << "known content is refused whatever the separator";
  EXPECT_EQ(gSeen.back(), Name(blank) + " bereits geladen");
  EXPECT_EQ(Core().tiles->Size(), 2);
}

}  // namespace
