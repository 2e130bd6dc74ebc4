// Files that give no tile, tiles and mosaics too large for an image, reads
// that fail part-way, and exports that cannot be written: each is reported,
// registers nothing, and the files after it load as usual.
#include <gtest/gtest.h>

#include "app/batch/tests/batch_fixture.h"

namespace {

// Standard error of a failed export: the summary of the inputs, then one
// line with the reason.
void ExpectSummaryAndOneLine(const std::string& err, const std::string& summary) {
  ASSERT_EQ(err.rfind(summary, 0), 0u) << err;
  const std::string reason = err.substr(summary.size());
  EXPECT_EQ(reason.rfind("relivox-batch: ", 0), 0u) << reason;
  EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << reason;
  EXPECT_EQ(reason.back(), '\n') << reason;
}

std::vector<std::string> RefusedLines(const std::string& name, const std::string& refusal) {
  return {"Lese " + name + " (0 MiB) ...", "Verarbeite " + name + ": Bestimme Koordinaten",
          name + ": " + refusal};
}

TEST_F(BatchTest, FilesWithoutPointsOrThatCannotBeReadGiveNoTile) {
  const struct {
    const char* name;
    std::string bytes;
  } noPoints[] = {
      {"empty.xyz", ""},
      {"blanks.xyz", "356 845 95\n357 846 96\n"},
      {"zeros.xyz", "0,845,1\n356,0,2\n0,0,3\n"},
      {"header.xyz", "x,y,z\n"},
      {"blank-lines.xyz", "\n\r\n\n"},
      {"semicolons.xyz", "356;845;95\n"},
  };
  std::vector<std::string> args = {"-o", Path("out.png")}, expected;
  for (const auto& file : noPoints) {
    args.push_back(Write(file.name, file.bytes));
    for (const auto& line : FailedLines(file.name)) expected.push_back(line);
  }
  fs::create_directories(Path("folder.xyz"));
  fs::create_symlink("/proc/self/mem", Path("mem.xyz"));
  for (const char* name : {"missing.xyz", "folder.xyz", "mem.xyz"}) {
    args.push_back(Path(name));
    for (const auto& line : FailedLines(name)) expected.push_back(line);
  }
  args.push_back(Write("good.xyz", "10,20,5\n"));
  for (const auto& line : Concat({LoadedLines("good.xyz"), ExportedLines()}))
    expected.push_back(line);

  const BatchResult result = Run(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(expected));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}}), "");
}

TEST_F(BatchTest, TileTooLargeForAnImageIsRefusedAndLaterFilesLoad) {
  Write("wide.xyz", XyzText({{1, 1, 1}, {32768, 1, 2}}));
  Write("tall.xyz", XyzText({{1, 1, 1}, {1, 32768, 2}}));
  Write("both.xyz", XyzText({{1, 1, 3}, {40000, 40000, 4}}));
  Write("normal.xyz", XyzText({{5, 5, 9}}));
  Write("wide-again.xyz", XyzText({{1, 1, 1}, {32768, 1, 2}}));
  const std::vector<Pt> edge = {{1, 2, 5}, {32767, 2, 6}};
  Write("edge.xyz", XyzText(edge));
  const BatchResult result =
      Run({"-o", Path("out.png"), Path("wide.xyz"), Path("tall.xyz"), Path("both.xyz"),
           Path("normal.xyz"), Path("wide-again.xyz"), Path("edge.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat({RefusedLines("wide.xyz", "Kachel zu groß (32768 x 1)"),
                              RefusedLines("tall.xyz", "Kachel zu groß (1 x 32768)"),
                              RefusedLines("both.xyz", "Kachel zu groß (40000 x 40000)"),
                              LoadedLines("normal.xyz"),
                              RefusedLines("wide-again.xyz", "Kachel zu groß (32768 x 1)"),
                              LoadedLines("edge.xyz"), ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{5, 5, 9}, {1, 2, 5}, {32767, 2, 6}}), "");
}

TEST_F(BatchTest, TileThatWouldMakeTheMosaicTooLargeIsRefused) {
  const std::vector<Pt> a = {{1, 1, 1}, {20000, 1, 2}};
  const std::vector<Pt> d = {{32767, 2, 6}};
  const std::vector<Pt> f = {{20, 10, 8}};
  Write("a.xyz", XyzText(a));
  Write("b.xyz", XyzText({{20001, 1, 3}, {40000, 1, 4}}));
  Write("c.xyz", XyzText({{32768, 2, 5}}));
  Write("d.xyz", XyzText(d));
  Write("e.xyz", XyzText({{5, 32768, 7}}));
  Write("g.xyz", XyzText({{1, 1, 9}, {1, 40000, 10}}));
  Write("f.xyz", XyzText(f));
  const BatchResult result =
      Run({"-o", Path("out.png"), Path("a.xyz"), Path("b.xyz"), Path("c.xyz"), Path("d.xyz"),
           Path("e.xyz"), Path("g.xyz"), Path("f.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(
      result.out,
      JoinLines(Concat({LoadedLines("a.xyz"), RefusedLines("b.xyz", "Mosaik zu groß (40000 x 1)"),
                        RefusedLines("c.xyz", "Mosaik zu groß (32768 x 2)"), LoadedLines("d.xyz"),
                        RefusedLines("e.xyz", "Mosaik zu groß (32767 x 32768)"),
                        RefusedLines("g.xyz", "Kachel zu groß (1 x 40000)"), LoadedLines("f.xyz"),
                        ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), Concat({a, d, f})), "");
}

TEST_F(BatchTest, SizesThatOverflowSixtyFourBitsAreRefusedToo) {
  // Differences of these coordinates wrap around in 64-bit arithmetic.
  Write("span.xyz", "9223372036854775807,1,1\n-9223372036854775808,1,2\n");
  Write("east.xyz", "9223372036854775807,5,3\n");
  Write("near.xyz", "1,5,4\n");
  Write("west.xyz", "-9223372036854775808,5,5\n");
  Write("normal.xyz", "9223372036854775800,6,6\n");
  const BatchResult result = Run({"-o", Path("out.png"), Path("span.xyz"), Path("east.xyz"),
                                  Path("near.xyz"), Path("west.xyz"), Path("normal.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  // The figures of a wrapped size are not pinned down, only the refusal.
  std::vector<std::string> lines;
  std::istringstream out(result.out);
  for (std::string line; std::getline(out, line);) {
    const std::string marker = " zu gro\xC3\x9F (";
    const auto figures = line.find(marker);
    const bool wrapped = line.starts_with("span.xyz:") || line.starts_with("west.xyz:");
    lines.push_back(
        wrapped && figures != std::string::npos ? line.substr(0, figures + marker.size()) : line);
  }
  EXPECT_EQ(lines,
            Concat({{"Lese span.xyz (0 MiB) ...", "Verarbeite span.xyz: Bestimme Koordinaten",
                     "span.xyz: Kachel zu gro\xC3\x9F ("},
                    LoadedLines("east.xyz"),
                    RefusedLines("near.xyz", "Mosaik zu gro\xC3\x9F (9223372036854775807 x 1)"),
                    {"Lese west.xyz (0 MiB) ...", "Verarbeite west.xyz: Bestimme Koordinaten",
                     "west.xyz: Mosaik zu gro\xC3\x9F ("},
                    LoadedLines("normal.xyz"),
                    ExportedLines()}));
  const DecodedPng png = DecodePng(Path("out.png"));
  EXPECT_EQ(png.width, 8u);
  EXPECT_EQ(png.height, 2u);
}

// Runs with the read fault preloaded for files whose path ends in `name`.
BatchResult RunWithReadFault(const std::vector<std::string>& args, const std::string& cwd,
                             const std::string& tmpdir, const std::string& name, long long offset,
                             long long minRequest, const std::string& mark) {
  BatchRun run;
  run.args = args;
  run.cwd = cwd;
  run.tmpdir = tmpdir;
  const char* asan = std::getenv("ASAN_OPTIONS");
  run.env = {{"LD_PRELOAD", RELIVOX_READ_FAULT},
             {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"},
             {"RELIVOX_FAULT_NAME", "/" + name},
             {"RELIVOX_FAULT_OFFSET", std::to_string(offset)},
             {"RELIVOX_FAULT_MIN_REQUEST", std::to_string(minRequest)},
             {"RELIVOX_FAULT_MARK", mark}};
  return RunBatch(run);
}

TEST_F(BatchTest, FileWhoseLinesFailToReadPartWayGivesNoTile) {
  std::vector<Pt> points;
  for (int x = 1; x <= 100; ++x)
    for (int y = 1; y <= 80; ++y) points.push_back({x, y, (x * 7 + y) % 256});
  const std::string bytes = XyzText(points);
  ASSERT_GT(bytes.size(), 2u * 32768);
  Write("good.xyz", "200,50,9\n");
  Write("mid-read.xyz", bytes);
  Write("copy.xyz", bytes);  // the same content under a name that reads fine
  const BatchResult result = RunWithReadFault(
      {"-o", Path("out.png"), Path("good.xyz"), Path("mid-read.xyz"), Path("copy.xyz")},
      scratch_.string(), Tmp(), "mid-read.xyz", 32768, 0, Path("injected"));
  ASSERT_TRUE(fs::exists(Path("injected"))) << "the program's reads did not pass the preload";
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("good.xyz"), FailedLines("mid-read.xyz"),
                                          LoadedLines("copy.xyz"), ExportedLines()})));
  points.push_back({200, 50, 9});
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), points), "");
}

TEST_F(BatchTest, FileWhoseDigestFailsPartWayGivesNoTile) {
  // Only the digest reads a mebibyte at once: the failure hits it alone when
  // the lines are read in smaller pieces.
  constexpr long long kMiB = 1 << 20;
  std::string bytes = "10,20,5\n";
  const std::string filler = std::string(99, '#') + "\n";
  while (static_cast<long long>(bytes.size()) < kMiB + kMiB / 8) bytes += filler;
  Write("mid-hash.xyz", bytes);
  Write("copy.xyz", bytes);
  const BatchResult result =
      RunWithReadFault({Path("mid-hash.xyz"), Path("copy.xyz")}, scratch_.string(), Tmp(),
                       "mid-hash.xyz", kMiB, kMiB, Path("injected"));
  ASSERT_TRUE(fs::exists(Path("injected"))) << "the program's reads did not pass the preload";
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat({FailedLines("mid-hash.xyz", 1), LoadedLines("copy.xyz", 1)})));
}

TEST_F(BatchTest, ExportWithNothingLoadedWritesNothing) {
  Write("notes.txt", "10,20,5\n");
  const struct {
    const char* label;
    std::vector<std::string> inputs;
    std::vector<std::string> out;
    std::string summary;
  } cases[] = {
      {"unknown extension", {Path("notes.txt")}, {},
       SummaryLine(0, 0, 1, 0) + SkippedInput(Path("notes.txt"), "Endung nicht xyz oder zip")},
      {"missing file", {Path("missing.xyz")}, FailedLines("missing.xyz"),
       SummaryLine(0, 0, 0, 1) + FailedInput(Path("missing.xyz"), "nicht gefunden")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> args = {"-o", Path("out.png"), "-w"};
    args.insert(args.end(), c.inputs.begin(), c.inputs.end());
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, JoinLines(c.out));
    ExpectSummaryAndOneLine(result.err, c.summary);
    EXPECT_FALSE(fs::exists(Path("out.png")));
    EXPECT_FALSE(fs::exists(Path("out.pgw")));
  }
}

TEST_F(BatchTest, ExportThatCannotBeSavedIsReported) {
  Write("good.xyz", "10,20,5\n");
  fs::create_directories(Path("folder.png"));
  const struct {
    const char* label;
    std::string output, world;
  } cases[] = {
      {"folder missing", Path("no-such-folder/out.png"), Path("no-such-folder/out.pgw")},
      {"output is a folder", Path("folder.png"), Path("folder.pgw")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const BatchResult result = Run({"-o", c.output, "-w", Path("good.xyz")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              JoinLines(Concat({LoadedLines("good.xyz"),
                                {"Speichern als PNG...", "Fehler beim Export der Datei!"}})));
    ExpectSummaryAndOneLine(result.err, SummaryLine(1));
    EXPECT_FALSE(fs::exists(c.world));
  }
  EXPECT_TRUE(fs::is_directory(Path("folder.png")));
  EXPECT_TRUE(fs::is_empty(Path("folder.png")));
}

}  // namespace
