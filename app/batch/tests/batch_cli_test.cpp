// The command line: options, usage errors, exit status, which inputs are
// loaded, the world file, and that nothing is ever opened.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

TEST_F(BatchTest, UsageErrorsExitTwoAndLoadNothing) {
  Write("a.xyz", "10,20,5\n");
  const std::string a = Path("a.xyz"), out = Path("out.png");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-o", out},
      {"-w"},
      {"-o", out, "-w"},
      {"-x", a},
      {"--bogus", a},
      {"-o", out, "--outputs=x", a},
      {a, "-o"},
      {"-o"},
      {a, "--output"},
      {"--output"},
  };
  for (const auto& args : cases) {
    std::string label;
    for (const auto& arg : args) label += " " + arg;
    SCOPED_TRACE("arguments:" + label);
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(BatchTest, HelpAndVersionExitZero) {
  for (const char* option : {"--help", "--version"}) {
    SCOPED_TRACE(option);
    const BatchResult result = Run({option});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out, "");
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(BatchTest, OptionFormsAllReachTheSameExport) {
  const std::vector<Pt> points = {{10, 20, 5}, {12, 21, 6}};
  Write("a.xyz", XyzText(points));
  Write("-w.xyz", XyzText(points));
  const std::string a = Path("a.xyz");
  const struct {
    std::vector<std::string> args;
    const char* loaded;
    bool world;
  } cases[] = {
      {{"-o", "out.png", a}, "a.xyz", false},
      {{"--output", "out.png", a}, "a.xyz", false},
      {{"--output=out.png", a}, "a.xyz", false},
      {{"-o", "out.png", "-w", a}, "a.xyz", true},
      {{"-w", "-o", "out.png", a}, "a.xyz", true},
      {{"--world-file", "--output=out.png", a}, "a.xyz", true},
      {{a, "-o", "out.png", "-w"}, "a.xyz", true},
      {{"-o", "out.png", "--", "-w.xyz", "-w"}, "-w.xyz", false},
  };
  for (const auto& c : cases) {
    std::string label;
    for (const auto& arg : c.args) label += " " + arg;
    SCOPED_TRACE("arguments:" + label);
    // An earlier output is replaced; a world file is not left from before.
    Write("out.png", "not a picture");
    fs::remove(Path("out.pgw"));
    const BatchResult result = Run(c.args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // After "--", "-w" is an input too: a name without an extension, skipped.
    const std::string summary = c.loaded == std::string("-w.xyz")
                                    ? SummaryLine(1, 0, 1) +
                                          SkippedInput("-w", "Endung nicht xyz oder zip")
                                    : SummaryLine(1);
    EXPECT_EQ(result.err, summary);
    EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines(c.loaded), ExportedLines()})));
    EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), points), "");
    EXPECT_EQ(fs::exists(Path("out.pgw")), c.world);
  }
}

TEST_F(BatchTest, WithoutOutputTheExitIsZeroWhateverLoaded) {
  Write("bad.xyz", "no points\n");
  const BatchResult result = Run({Path("bad.xyz"), Path("missing.xyz")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("bad.xyz"), FailedLines("missing.xyz")})));
  EXPECT_EQ(result.err, SummaryLine(0, 0, 0, 2) + FailedInput(Path("bad.xyz"), "keine XYZ Daten") +
                            FailedInput(Path("missing.xyz"), "nicht gefunden"));
}

TEST_F(BatchTest, OnlyXyzAndZipExtensionsInAnyCaseAreLoaded) {
  ZipBuilder zip;
  zip.AddFile("c.xyz", XyzText({{13, 20, 3}}));
  zip.Write(Path("b.Zip"));
  const struct {
    const char* name;
    Pt point;
    bool loaded;
  } inputs[] = {
      {"a.XYZ", {11, 20, 1}, true},       {"notes.txt", {20, 20, 20}, false},
      {"noext", {21, 20, 21}, false},     {"e.xyz.bak", {22, 20, 22}, false},
      {"f.xyzz", {23, 20, 23}, false},    {".xyz", {24, 20, 24}, false},
      {"dir.xyz/g", {25, 20, 25}, false}, {"d.XyZ", {14, 20, 4}, true},
  };
  std::vector<std::string> args = {"-o", Path("out.png")};
  std::vector<std::string> expected;
  std::vector<Pt> points;
  for (const auto& input : inputs) {
    args.push_back(Write(input.name, XyzText({input.point})));
    if (input.name == std::string("notes.txt")) {
      args.push_back(Path("b.Zip"));
      expected = Concat({expected, LoadedLines("c.xyz"), {"100%"}});
      points.push_back({13, 20, 3});
    }
    if (input.loaded) {
      expected = Concat({expected, LoadedLines(input.name)});
      points.push_back(input.point);
    }
  }
  const BatchResult result = Run(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({expected, ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), points), "");
}

TEST_F(BatchTest, WorldFilePlacesTheTopLeftPixel) {
  const struct {
    const char* output;
    const char* world;
    std::vector<std::vector<Pt>> tiles;
    const char* text;
  } cases[] = {
      {"w0/out.png",
       "w0/out.pgw",
       {{{356000, 5645000, 1}, {356002, 5645003, 2}}},
       "1\n0\n0\n-1\n356000\n5645003\n"},
      {"w1/out", "w1/out.pgw", {{{-12, -3, 5}, {-10, -1, 6}}}, "1\n0\n0\n-1\n-12\n-1\n"},
      {"w2/a.b.png", "w2/a.b.pgw", {{{7, 9, 1}}}, "1\n0\n0\n-1\n7\n9\n"},
      {"w3/dir.d/out", "w3/dir.d/out.pgw", {{{8, 9, 1}}}, "1\n0\n0\n-1\n8\n9\n"},
      {"w4/OUT.PNG", "w4/OUT.pgw", {{{9, -9, 1}}, {{30, 40, 2}}}, "1\n0\n0\n-1\n9\n40\n"},
      {"w5/.png", "w5/.png.pgw", {{{3, 4, 1}}}, "1\n0\n0\n-1\n3\n4\n"},
      {"w7/H\xC3\xB6he \xC3\x9F.png",
       "w7/H\xC3\xB6he \xC3\x9F.pgw",
       {{{5, 6, 1}}},
       "1\n0\n0\n-1\n5\n6\n"},
      {"w6/big.png",
       "w6/big.pgw",
       {{{9007199254740993, 9007199254740993, 1}}},
       "1\n0\n0\n-1\n9007199254740993\n9007199254740993\n"},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    std::vector<std::string> args = {"-o", Path(c.output), "-w"};
    std::vector<Pt> points;
    for (const auto& tile : c.tiles) {
      args.push_back(Write("in" + std::to_string(index++) + ".xyz", XyzText(tile)));
      points.insert(points.end(), tile.begin(), tile.end());
    }
    const fs::path folder = fs::path(Path(c.output)).parent_path();
    fs::create_directories(folder);
    const BatchResult result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(MosaicMismatch(DecodePng(Path(c.output)), points), "");
    EXPECT_EQ(Read(Path(c.world)), c.text);
    // Written atomically: nothing else is left beside the two files.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().string());
    EXPECT_EQ(names, (std::set<std::string>{Path(c.output), Path(c.world)}));
  }
}

TEST_F(BatchTest, TheWrittenFileIsNeverOpened) {
  // Stand-ins for every usual opener note that they were called.
  const std::string bin = Path("bin"), mark = Path("opened");
  fs::create_directories(bin);
  for (const char* opener : {"xdg-open", "gio", "gvfs-open", "kde-open", "kde-open5", "kioclient5",
                             "gnome-open", "exo-open", "mimeopen", "see", "run-mailcap",
                             "sensible-browser", "x-www-browser", "firefox", "display", "eog"}) {
    const std::string path = bin + "/" + opener;
    Write("bin/" + std::string(opener), "#!/bin/sh\necho \"$0 $*\" >> '" + mark + "'\n");
    ::chmod(path.c_str(), 0755);
  }
  Write("a.xyz", "10,20,5\n");
  for (const std::string& output : {Path("out.png"), Path("no-folder/out.png")}) {
    SCOPED_TRACE(output);
    BatchRun run;
    run.args = {"-o", output, Path("a.xyz")};
    run.cwd = scratch_.string();
    run.tmpdir = Tmp();
    const char* path = std::getenv("PATH");
    run.env = {{"PATH", bin + ":" + (path ? path : "/usr/bin:/bin")},
               {"BROWSER", bin + "/xdg-open"}};
    const BatchResult result = RunBatch(run);
    EXPECT_NE(result.exitCode, -1);
    // An opener started in the background gets a moment to show itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(mark)) << Read(mark);
  }
}

TEST_F(BatchTest, ProgressGoesToStandardErrorOnlyWhenItIsATerminal) {
  // Large enough that reading it takes a while, with points on every line.
  std::string bytes;
  for (int y = 1; bytes.size() < (1u << 20); ++y)
    for (int x = 1; x <= 100; ++x) bytes += std::to_string(x) + "," + std::to_string(y) + ",7\n";
  Write("slow.xyz", bytes);
  const std::string expected = JoinLines(LoadedLines("slow.xyz", 1));

  const BatchResult piped = Run({Path("slow.xyz")});
  EXPECT_EQ(piped.exitCode, 0);
  EXPECT_EQ(piped.out, expected);
  EXPECT_EQ(piped.err, SummaryLine(1)) << "no bar";

  BatchRun run;
  run.args = {Path("slow.xyz")};
  run.cwd = scratch_.string();
  run.tmpdir = Tmp();
  run.stderrTerminal = true;
  const BatchResult shown = RunBatch(run);
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_EQ(shown.out, expected);
  EXPECT_NE(shown.err.find("slow.xyz"), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find('%'), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find('\r'), std::string::npos) << "not redrawn in place: " << shown.err;
}

TEST_F(BatchTest, EmptyOutputPathWritesNothing) {
  Write("a.xyz", "10,20,5\n");
  const BatchResult result = Run({"--output=", Path("a.xyz")});
  EXPECT_TRUE(result.exitCode == 1 || result.exitCode == 2) << result.exitCode;
  EXPECT_EQ(result.out.find("Speichern als PNG..."), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("Datei exportiert!"), std::string::npos) << result.out;
  EXPECT_NE(result.err, "");
}

TEST_F(BatchTest, ConvertingGoesOnWhenNobodyReadsStandardOutput) {
  std::string bytes;
  for (int i = 1; i <= 2000; ++i) bytes += std::to_string(i) + ",5,7\n";
  std::vector<std::string> args = {"-o", Path("out.png"), "-w"};
  // Status lines both before and after the one that loads.
  for (int i = 0; i < 3; ++i) args.push_back(Write("no-points" + std::to_string(i) + ".xyz", "x"));
  args.push_back(Write("a.xyz", bytes));
  BatchRun run;
  run.args = args;
  run.cwd = scratch_.string();
  run.tmpdir = Tmp();
  run.outputClosed = true;
  const BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<Pt> points;
  for (int i = 1; i <= 2000; ++i) points.push_back({i, 5, 7});
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), points), "");
  EXPECT_EQ(Read(Path("out.pgw")), "1\n0\n0\n-1\n1\n5\n");
}

}  // namespace
