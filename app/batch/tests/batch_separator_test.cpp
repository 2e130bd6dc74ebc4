// relivox-batch --separator, run as a process on generated tiles; the PNGs
// it writes are decoded with libpng.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/tests/batch_run.h"
#include "app/batch/tests/png_decode.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (const char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A folder of its own per test, under TMPDIR.
class BatchSeparator : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/batch-separator-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + Quoted(dir_)).c_str()); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }

  BatchResult Batch(const std::vector<std::string>& args) const {
    BatchRun run;
    run.args = args;
    return RunBatch(run);
  }

  std::string dir_;
};

// The decoded picture: width, height and one grey byte per pixel (the
// three channels must agree).
struct Grey {
  int width = 0;
  int height = 0;
  std::vector<int> pixels;
};

Grey GreyPng(const std::string& path) {
  Grey grey;
  const DecodedPng png = DecodePng(path);
  EXPECT_TRUE(png.ok) << png.error;
  EXPECT_EQ(png.bitDepth, 8);
  EXPECT_EQ(png.colorType, PNG_COLOR_TYPE_RGB);
  if (!png.ok || png.channels != 3) return grey;
  grey.width = static_cast<int>(png.width);
  grey.height = static_cast<int>(png.height);
  for (std::size_t i = 0; i + 2 < png.samples.size(); i += 3) {
    EXPECT_EQ(png.samples[i], png.samples[i + 1]);
    EXPECT_EQ(png.samples[i], png.samples[i + 2]);
    grey.pixels.push_back(png.samples[i]);
  }
  return grey;
}

// A 4 x 3 grid: easting 356000.50 + column, northing 5645002.50 - row, z as
// written (its integer part is the grey value).
const char* const kZ[3][4] = {
    {"17.5", "200", "255.9", "3"}, {"0", "44.44", "99", "1"}, {"128", "7.25", "300", "-1"}};
const int kGrey[3][4] = {{17, 200, 255, 3}, {0, 44, 99, 1}, {128, 7, 44, 255}};

void ExpectGrid(const Grey& grey) {
  ASSERT_EQ(grey.width, 4);
  ASSERT_EQ(grey.height, 3);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_EQ(grey.pixels[row * 4 + col], kGrey[row][col]) << "row " << row << " col " << col;
}

// The blank-separated grid as portals publish it: CR LF, runs of blanks and
// tabs, leading blanks, a trailing blank.
std::string BlankGrid() {
  std::string text;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col)
      text += std::string(col % 2 ? "  " : "") + std::to_string(356000 + col) + ".50" +
              (row == 1 ? " \t " : " ") + std::to_string(5645002 - row) + ".50\t\t" + kZ[row][col] +
              (col == 3 ? " " : "") + "\r\n";
  return text;
}

// The grid from a German spreadsheet: ";" between fields, decimal commas.
std::string SemicolonGrid() {
  std::string text = "Rechtswert;Hochwert;Hoehe\r\n";
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 4; ++col) {
      std::string z = kZ[row][col];
      for (char& c : z)
        if (c == '.') c = ',';
      text +=
          std::to_string(356000 + col) + ",50;" + std::to_string(5645002 - row) + ",50;" + z + "\n";
    }
  return text;
}

TEST_F(BatchSeparator, BlankTileWithCrLfRunsAndEdges) {
  const std::string tile = Write("dgm1.xyz", BlankGrid());
  const BatchResult run = Batch({"-s", "blank", "-o", Path("out.png"), tile});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Lese dgm1.xyz (0 MiB) ...\nVerarbeite dgm1.xyz: Bestimme Koordinaten\n"
            "Verarbeite dgm1.xyz: Erstelle Kachel\nSpeichern als PNG...\nDatei exportiert!\n");
  ExpectGrid(GreyPng(Path("out.png")));

  // The same bytes under the comma rule: no point at all.
  const BatchResult comma = Batch({"-o", Path("comma.png"), tile});
  EXPECT_EQ(comma.exitCode, 1);
  EXPECT_NE(comma.out.find("Konnte keine XYZ Daten lesen (dgm1.xyz)\n"), std::string::npos)
      << comma.out;
  EXPECT_NE(::access(Path("comma.png").c_str(), F_OK), 0);
}

TEST_F(BatchSeparator, SemicolonTileWithDecimalCommas) {
  const std::string tile = Write("export.xyz", SemicolonGrid());
  const BatchResult run = Batch({"--separator", "semicolon", "--output", Path("out.png"), tile});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectGrid(GreyPng(Path("out.png")));
  const BatchResult joined = Batch({"--separator=semicolon", "-o", Path("joined.png"), tile});
  ASSERT_EQ(joined.exitCode, 0) << joined.err;
  ExpectGrid(GreyPng(Path("joined.png")));

  // The comma rule reads "356000,50;5645000,50;..." as x 356000, y -50.
  const BatchResult comma = Batch({"-s", "comma", "-o", Path("comma.png"), tile});
  ASSERT_EQ(comma.exitCode, 0);
  const Grey flat = GreyPng(Path("comma.png"));
  EXPECT_EQ(flat.width, 4);
  EXPECT_EQ(flat.height, 1);
}

TEST_F(BatchSeparator, ZipEntriesUseTheSeparator) {
  ZipBuilder zip;
  zip.AddFile("kacheln/dgm1_356_5645.txt", BlankGrid(), ZipBuilder::kDeflated);
  zip.Write(Path("portal.zip"));
  const BatchResult run = Batch({"-s", "blank", "-o", Path("out.png"), Path("portal.zip")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Lese dgm1_356_5645.txt (0 MiB) ...\n"), std::string::npos) << run.out;
  ExpectGrid(GreyPng(Path("out.png")));

  const BatchResult comma = Batch({"-o", Path("comma.png"), Path("portal.zip")});
  EXPECT_EQ(comma.exitCode, 1);
  EXPECT_NE(comma.out.find("Konnte keine XYZ Daten lesen (dgm1_356_5645.txt)\n"), std::string::npos)
      << comma.out;
}

TEST_F(BatchSeparator, DuplicatesGoByBytesWhateverTheSeparator) {
  const std::string blank = Write("a.xyz", BlankGrid());
  const std::string copy = Write("b.xyz", BlankGrid());
  const BatchResult run = Batch({"-s", "blank", blank, copy});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("b.xyz bereits geladen\n"), std::string::npos) << run.out;
}

TEST_F(BatchSeparator, UsageErrors) {
  const std::string tile = Write("t.xyz", "1,2,3\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-s", "tabs", tile},
                                               {"--separator=", tile},
                                               {"-s", "Blank", tile},
                                               {tile, "-s"}}) {
    const BatchResult run = Batch(args);
    EXPECT_EQ(run.exitCode, 2) << args[0] << " " << args[1];
    EXPECT_NE(run.err.find("Usage: relivox-batch"), std::string::npos);
    EXPECT_EQ(run.out, "") << "nothing was loaded";
  }
  const BatchResult help = Batch({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* example : {"--separator", "356000.50,5645000.50,123.45",
                              "356000,50;5645000,50;123,45", "371999.50 5806917.50 41.21"})
    EXPECT_NE(help.out.find(example), std::string::npos) << example;
}

}  // namespace
