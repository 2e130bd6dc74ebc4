// Zip archives: every file entry loads like a file of its own, in archive
// order, with a percentage line after each; extraction stays inside a
// private folder under TMPDIR that is gone afterwards.
#include <gtest/gtest.h>

#include <future>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

class BatchZip : public BatchTest {
 protected:
  // TMPDIR must hold exactly what it held before the run.
  void ExpectTmpUnchanged(const std::map<std::string, std::string>& before) {
    EXPECT_EQ(Listing(Tmp()), before);
  }
};

TEST_F(BatchZip, FileEntriesLoadInArchiveOrderAndFoldersAreSkipped) {
  const std::string a = XyzText({{10, 20, 1}, {11, 21, 2}});
  const std::string b = XyzText({{14, 20, 3}});
  ZipBuilder zip;
  zip.AddFile("a.xyz", a);
  zip.AddFolder("dir/");
  zip.AddFile("b.xyz", b, ZipBuilder::kDeflated);
  zip.Write(Path("two.zip"));
  const BatchResult result = Run({"-o", Path("out.png"), Path("two.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("a.xyz"),
                                          {PercentLine(a.size(), a.size() + b.size())},
                                          LoadedLines("b.xyz"),
                                          {"100%"},
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 1}, {11, 21, 2}, {14, 20, 3}}),
            "");
  ExpectTmpUnchanged({});
}

TEST_F(BatchZip, PercentagesRoundHalvesToEven) {
  // 1, 2 and 5 bytes: 12.5 % and 37.5 % after the first two entries.
  ZipBuilder zip;
  zip.AddFile("p1.xyz", "a");
  zip.AddFile("p2.xyz", "\n\n");
  zip.AddFile("p3.xyz", "1,1,9");
  zip.Write(Path("halves.zip"));
  const BatchResult result = Run({Path("halves.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("p1.xyz"),
                                          {"12%"},
                                          FailedLines("p2.xyz"),
                                          {"38%"},
                                          LoadedLines("p3.xyz"),
                                          {"100%"}})));
}

TEST_F(BatchZip, EntriesOfTotalSizeZeroShowOneHundredPercent) {
  ZipBuilder zip;
  zip.AddFile("e1.xyz", "");
  zip.AddFolder("f/");
  zip.AddFile("e2.xyz", "");
  zip.Write(Path("empty-entries.zip"));
  const BatchResult result = Run({Path("empty-entries.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat({FailedLines("e1.xyz"), {"100%"}, FailedLines("e2.xyz"), {"100%"}})));
}

TEST_F(BatchZip, ArchivesWithoutFileEntriesOrNotZipAtAllShowNothing) {
  ZipBuilder().Write(Path("empty.zip"));
  ZipBuilder folders;
  folders.AddFolder("a/");
  folders.AddFolder("a/b/");
  folders.Write(Path("folders.zip"));
  Write("text.zip", "10,20,5\n");  // points, but not an archive
  fs::create_directories(Path("folder.zip"));
  Write("good.xyz", "10,20,5\n11,20,6\n");
  const BatchResult result = Run({Path("empty.zip"), Path("folders.zip"), Path("text.zip"),
                                  Path("missing.zip"), Path("folder.zip"), Path("good.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(LoadedLines("good.xyz")));
  ExpectTmpUnchanged({});

  const BatchResult exported = Run({"-o", Path("out.png"), Path("empty.zip"), Path("text.zip")});
  EXPECT_EQ(exported.exitCode, 1);
  EXPECT_EQ(exported.out, "");
  EXPECT_FALSE(fs::exists(Path("out.png")));
}

TEST_F(BatchZip, EntriesAreLoadedWhateverTheirNameSays) {
  ZipBuilder inner;
  inner.AddFile("t.xyz", "abc\n");
  ZipBuilder zip;
  zip.AddFile("readme.txt", "hello\n");
  zip.AddFile("points.bin", "10,20,5\n");
  zip.AddFile("inner.zip", inner.Build());
  zip.Write(Path("mixed.zip"));
  const std::size_t total = 6 + 8 + inner.Build().size();
  const BatchResult result = Run({Path("mixed.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("readme.txt"),
                                          {PercentLine(6, total)},
                                          LoadedLines("points.bin"),
                                          {PercentLine(14, total)},
                                          FailedLines("inner.zip"),
                                          {"100%"}})));
}

TEST_F(BatchZip, DamagedEntryFailsAndTheNextOneLoads) {
  std::string body;
  for (int i = 1; i <= 400; ++i) body += std::to_string(i) + "," + std::to_string(i) + ",7\n";
  ZipBuilder zip;
  zip.AddFile("broken.xyz", body, ZipBuilder::kDeflated);
  zip.AddFile("fine.xyz", "10,20,5\n");
  std::string bytes = zip.Build();
  for (std::size_t i = zip.DataSize(0) / 3; i < zip.DataSize(0) * 2 / 3; ++i)
    bytes[zip.DataOffset(0) + i] = '\xFF';
  Write("damaged.zip", bytes);
  const BatchResult result = Run({"-o", Path("out.png"), Path("damaged.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("broken.xyz"),
                                          {PercentLine(body.size(), body.size() + 8)},
                                          LoadedLines("fine.xyz"),
                                          {"100%"},
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}}), "");
  ExpectTmpUnchanged({});
}

// Entries pass through one scratch file in turn: a shorter entry after a
// longer one, or one after a damaged entry, holds only its own bytes (the
// tail of wide.xyz would give short.xyz a point at 0, 0).
TEST_F(BatchZip, EachEntryIsReadAloneWhateverCameBeforeIt) {
  const std::string wide = XyzText({{1, -1, 1}, {40001, -1, 2}});  // refused, too wide
  const std::string shorter = XyzText({{30, 20, 9}});
  std::string body;
  for (int i = 1; i <= 400; ++i) body += std::to_string(i) + "," + std::to_string(i) + ",7\n";
  ZipBuilder zip;
  zip.AddFile("wide.xyz", wide);
  zip.AddFile("short.xyz", shorter);
  zip.AddFile("broken.xyz", body, ZipBuilder::kDeflated);
  zip.AddFile("again.xyz", shorter);
  std::string bytes = zip.Build();
  for (std::size_t i = zip.DataSize(2) / 3; i < zip.DataSize(2) * 2 / 3; ++i)
    bytes[zip.DataOffset(2) + i] = '\xFF';
  Write("entries.zip", bytes);
  const double total = static_cast<double>(wide.size() + body.size() + 2 * shorter.size());
  const BatchResult result = Run({"-o", Path("out.png"), Path("entries.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(
      result.out,
      JoinLines(Concat({{"Lese wide.xyz (0 MiB) ...", "Verarbeite wide.xyz: Bestimme Koordinaten",
                         "wide.xyz: Kachel zu groß (40001 x 1)"},
                        {PercentLine(wide.size(), total)},
                        LoadedLines("short.xyz"),
                        {PercentLine(wide.size() + shorter.size(), total)},
                        FailedLines("broken.xyz"),
                        {PercentLine(total - shorter.size(), total)},
                        DuplicateLines("again.xyz"),
                        {"100%"},
                        ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{30, 20, 9}}), "");
  ExpectTmpUnchanged({});
}

TEST_F(BatchZip, EntriesInsideFoldersLoadUnderTheirLastNamePart) {
  const std::string one = XyzText({{10, 20, 1}});
  const std::string two = XyzText({{12, 20, 2}});
  ZipBuilder zip;
  zip.AddFolder("d1/");
  zip.AddFile("d1/deep/t.xyz", one);
  zip.AddFile("d2/t.xyz", two);
  zip.AddFile("t.xyz", one);
  zip.Write(Path("folders.zip"));
  const double total = static_cast<double>(2 * one.size() + two.size());
  const BatchResult result = Run({"-o", Path("out.png"), Path("folders.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("t.xyz"),
                                          {PercentLine(one.size(), total)},
                                          LoadedLines("t.xyz"),
                                          {PercentLine(one.size() + two.size(), total)},
                                          DuplicateLines("t.xyz"),
                                          {"100%"},
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 1}, {12, 20, 2}}), "");
  ExpectTmpUnchanged({});
}

TEST_F(BatchZip, AFileOfTheSameNameInTmpdirIsLeftAlone) {
  const auto before = std::map<std::string, std::string>{{"a.xyz", "the user's own a.xyz\n"},
                                                         {"b.xyz", "the user's own b.xyz\n"}};
  for (const auto& [name, content] : before) Write("tmp/" + name, content);
  ZipBuilder zip;
  zip.AddFile("a.xyz", "10,20,5\n");
  zip.AddFile("sub/b.xyz", "11,20,6\n");
  zip.Write(Path("same-name.zip"));
  const BatchResult result = Run({"-o", Path("out.png"), Path("same-name.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat(
                {LoadedLines("a.xyz"), {"50%"}, LoadedLines("b.xyz"), {"100%"}, ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}, {11, 20, 6}}), "");
  ExpectTmpUnchanged(before);
}

TEST_F(BatchZip, NamesThatClimbOutNeverWriteOrDeleteOutsideThePrivateFolder) {
  // Every name an unchecked join would resolve outside the private folder,
  // each guarded by a file of the user's that must survive untouched.
  const std::string victim = Path("victim.xyz");
  const struct {
    std::string name, shown;
  } entries[] = {
      {"../up1.xyz", "up1.xyz"},
      {"../../up2.xyz", "up2.xyz"},
      {"../../../up3.xyz", "up3.xyz"},
      {victim, "victim.xyz"},
      {"/tmp/../" + victim.substr(1), "victim.xyz"},
      {"sub\\back.xyz", "back.xyz"},
      {"..\\..\\bs.xyz", "bs.xyz"},
      {"./../dot.xyz", "dot.xyz"},
  };
  const std::map<std::string, std::string> userFiles = {
      {"tmp/up1.xyz", "user 1\n"}, {"up2.xyz", "user 2\n"},       {"tmp/back.xyz", "user 3\n"},
      {"bs.xyz", "user 4\n"},      {"tmp/bs.xyz", "user 5\n"},    {"victim.xyz", "user 6\n"},
      {"tmp/dot.xyz", "user 7\n"}, {"tmp/victim.xyz", "user 8\n"}};
  for (const auto& [name, content] : userFiles) Write(name, content);
  Write("../up3.xyz", "user 9\n");  // the folder above the scratch folder

  ZipBuilder zip;
  std::vector<std::string> expected;
  std::vector<Pt> points;
  std::size_t total = 0, done = 0;
  std::vector<std::string> contents;
  int column = 1;
  for (const auto& entry : entries) {
    const Pt point{column, 5, 10 * column};
    ++column;
    points.push_back(point);
    contents.push_back(XyzText({point}));
    zip.AddFile(entry.name, contents.back());
    total += contents.back().size();
  }
  for (std::size_t i = 0; i < std::size(entries); ++i) {
    for (const auto& line : LoadedLines(entries[i].shown)) expected.push_back(line);
    done += contents[i].size();
    expected.push_back(PercentLine(done, total));
  }
  zip.Write(Path("climb.zip"));
  const auto before = Listing(scratch_);
  const std::string above = Read(Path("../up3.xyz"));

  const BatchResult result = Run({"-o", Path("out.png"), Path("climb.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  for (const auto& line : ExportedLines()) expected.push_back(line);
  EXPECT_EQ(result.out, JoinLines(expected));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), points), "");

  auto after = Listing(scratch_);
  after.erase("out.png");
  EXPECT_EQ(after, before);
  EXPECT_EQ(Read(Path("../up3.xyz")), above);
  fs::remove(Path("../up3.xyz"));
}

TEST_F(BatchZip, EntrySizeFigureIsThatOfTheExtractedFile) {
  // 2.5 MiB also takes more than one read of the archive's data to extract.
  const auto fileOf = [](std::size_t bytes, int grey) {
    std::string text = "10,20," + std::to_string(grey) + "\n";
    return text + std::string(bytes - text.size() - 1, '#') + "\n";
  };
  ZipBuilder zip;
  zip.AddFile("half.xyz", fileOf(512 * 1024, 1), ZipBuilder::kDeflated);
  zip.AddFile("big.xyz", fileOf(5 * 512 * 1024, 2), ZipBuilder::kDeflated);
  zip.Write(Path("sizes.zip"));
  const BatchResult result = Run({Path("sizes.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat(
                {LoadedLines("half.xyz", 1), {"17%"}, LoadedLines("big.xyz", 3), {"100%"}})));
}

TEST_F(BatchZip, PercentagesCountUncompressedBytes) {
  // Equal sizes, very unequal once deflated.
  std::string plain = "10,20,5\n" + std::string(3992, '0') + "\n";
  std::string noisy = "11,20,6\n";
  unsigned state = 12345;
  while (noisy.size() < plain.size() - 1) {
    state = state * 1103515245 + 12345;
    noisy += static_cast<char>('a' + (state >> 16) % 26);
  }
  noisy += "\n";
  ASSERT_EQ(noisy.size(), plain.size());
  ZipBuilder zip;
  zip.AddFile("plain.xyz", plain, ZipBuilder::kDeflated);
  zip.AddFile("noisy.xyz", noisy, ZipBuilder::kDeflated);
  zip.Write(Path("unequal.zip"));
  const BatchResult result = Run({Path("unequal.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(
      result.out,
      JoinLines(Concat({LoadedLines("plain.xyz"), {"50%"}, LoadedLines("noisy.xyz"), {"100%"}})));
}

TEST_F(BatchZip, SymbolicLinkEntriesNeverReachOutside) {
  // A link entry pointing at a file of the user's, then a file entry of the
  // same name: extracting the second through the first would overwrite it.
  const std::string victim = Write("victim.xyz", "50,60,7\n");
  fs::create_directories(Path("pack/d"));
  fs::create_symlink(victim, Path("pack/link.xyz"));
  Write("pack/d/link.xyz", "10,20,5\n");
  ASSERT_EQ(std::system(
                ("cd '" + Path("pack") + "' && zip -qy ../links.zip link.xyz d/link.xyz").c_str()),
            0);
  const auto before = Listing(scratch_);
  const BatchResult result = Run({"-o", Path("out.png"), Path("links.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string loaded =
      JoinLines(Concat({LoadedLines("link.xyz"), {"100%"}, ExportedLines()}));
  ASSERT_GE(result.out.size(), loaded.size()) << result.out;
  EXPECT_EQ(result.out.substr(result.out.size() - loaded.size()), loaded);
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}}), "");
  auto after = Listing(scratch_);
  after.erase("out.png");
  EXPECT_EQ(after, before);
}

TEST_F(BatchZip, EntriesNamedOnlyByDotsLoadNothingAndHarmNothing) {
  // Their last name part names a folder, never a file of their own.
  ZipBuilder zip;
  for (const char* name : {"..", "sub/..", ".", "sub/."}) zip.AddFile(name, "1,2,3\n");
  zip.AddFile("ok.xyz", "7,8,9\n");
  zip.Write(Path("dots.zip"));
  const auto before = Listing(scratch_);
  const BatchResult result = Run({"-o", Path("out.png"), Path("dots.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string tail = JoinLines(Concat({LoadedLines("ok.xyz"), {"100%"}, ExportedLines()}));
  ASSERT_GE(result.out.size(), tail.size()) << result.out;
  EXPECT_EQ(result.out.substr(result.out.size() - tail.size()), tail);
  EXPECT_EQ(result.out.find("Verarbeite .."), std::string::npos) << result.out;
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{7, 8, 9}}), "");
  auto after = Listing(scratch_);
  after.erase("out.png");
  EXPECT_EQ(after, before);
}

TEST_F(BatchZip, AnyTmpdirPathWorks) {
  ZipBuilder zip;
  zip.AddFile("a.xyz", "10,20,5\n");
  zip.Write(Path("a.zip"));
  for (const std::string& tmpdir : {Path("tmp dir \xC3\xA4/"), Path("tmp//nested/./")}) {
    SCOPED_TRACE(tmpdir);
    fs::create_directories(tmpdir);
    const BatchResult result = RunBatch({Path("a.zip")}, tmpdir, scratch_.string());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("a.xyz"), {"100%"}})));
    EXPECT_TRUE(fs::is_empty(tmpdir));
  }
}

TEST_F(BatchZip, TwoRunsAtOnceEachHaveTheirOwnFolder) {
  // Same entry names, different contents, one TMPDIR: a folder shared
  // between the runs would hand one run the other's points.
  std::vector<Pt> points[2];
  std::string expected[2];
  for (int run = 0; run < 2; ++run) {
    ZipBuilder zip;
    std::vector<std::string> contents;
    for (int i = 1; i <= 40; ++i) {
      const Pt point{i, 10 + run, 100 * run + i};
      points[run].push_back(point);
      contents.push_back(XyzText({point}));
      zip.AddFile("d" + std::to_string(i) + "/t.xyz", contents.back());
    }
    std::size_t total = 0, done = 0;
    for (const auto& content : contents) total += content.size();
    std::vector<std::string> lines;
    for (const auto& content : contents) {
      done += content.size();
      lines = Concat({lines, LoadedLines("t.xyz"), {PercentLine(done, total)}});
    }
    zip.Write(Path("run" + std::to_string(run) + ".zip"));
    expected[run] = JoinLines(Concat({lines, ExportedLines()}));
  }
  auto start = [this](int run) {
    return std::async(std::launch::async, [this, run] {
      const std::string name = "run" + std::to_string(run);
      return Run({"-o", Path(name + ".png"), Path(name + ".zip")});
    });
  };
  auto first = start(0), second = start(1);
  const BatchResult results[2] = {first.get(), second.get()};
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(results[run].exitCode, 0) << results[run].err;
    EXPECT_EQ(results[run].out, expected[run]);
    EXPECT_EQ(MosaicMismatch(DecodePng(Path("run" + std::to_string(run) + ".png")), points[run]),
              "");
  }
  ExpectTmpUnchanged({});
}

TEST_F(BatchZip, DamagedEntryHeaderEndsTheWalkThere) {
  // Damaged first, the walk cannot start and the archive shows nothing.
  Write("after.xyz", "13,20,8\n");
  const struct {
    std::size_t damaged;
    std::vector<std::string> lines;
    std::vector<Pt> points;
  } cases[] = {
      {0, {}, {}},
      {1, Concat({LoadedLines("a.xyz"), {"100%"}}), {{10, 20, 5}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.damaged);
    ZipBuilder zip;
    zip.AddFile("a.xyz", "10,20,5\n");
    zip.AddFile("b.xyz", "11,20,6\n");
    zip.AddFile("c.xyz", "12,20,7\n");
    std::string bytes = zip.Build();
    bytes[zip.DataOffset(c.damaged) - 30 - 5] = 'X';  // the local header's signature
    const std::string archive = Write("damaged" + std::to_string(c.damaged) + ".zip", bytes);
    const BatchResult result = Run({"-o", Path("out.png"), archive, Path("after.xyz")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, JoinLines(Concat({c.lines, LoadedLines("after.xyz"), ExportedLines()})));
    EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), Concat({c.points, {{13, 20, 8}}})), "");
    ExpectTmpUnchanged({});
  }
}

}  // namespace
