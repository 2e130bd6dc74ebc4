// relivox-batch on files in the shapes open-data portals publish, without
// options: each read by the separator its first lines show, whatever its
// name; folders and file lists as inputs; and the truth about every input
// that could not be read, on standard error and in the exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

class BatchPortal : public BatchTest {
 protected:
  BatchResult Portal(std::vector<std::string> args, const std::string& input = "/dev/null") const {
    BatchRun run;
    run.args = std::move(args);
    run.tmpdir = Tmp();
    run.cwd = scratch_.string();
    run.windowRules = false;
    run.input = input;
    return RunBatch(run);
  }
};

// A w x h block of points at (x0, north0) going south, in a portal's shape:
// `format` gets easting, northing and z as text.
std::string Block(std::int64_t x0, std::int64_t north0, int w, int h,
                  const std::function<std::string(const std::string&, const std::string&,
                                                  const std::string&)>& format,
                  std::vector<Pt>* points) {
  std::string text;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int grey = (c * 7 + r * 3) % 256;
      points->push_back({x0 + c, north0 - r, grey});
      text += format(std::to_string(x0 + c), std::to_string(north0 - r), std::to_string(grey));
    }
  return text;
}

TEST_F(BatchPortal, EachFileIsReadByTheSeparatorItsFirstLinesShow) {
  std::vector<Pt> points;
  // Blank-separated, CR LF, a header line and a byte-order mark, named .txt.
  Write("DOM1_372_5812.txt",
        "\xEF\xBB\xBFx y z\r\n" +
            Block(372000, 5812000, 6, 4,
                  [](auto& x, auto& y, auto& z) { return x + ".50 " + y + ".50 " + z + ".3\r\n"; },
                  &points));
  // Semicolons with decimal commas and a header: the comma must not cut x.
  Write("export.csv",
        "X;Y;Z\n" + Block(372010, 5812000, 5, 3,
                          [](auto& x, auto& y, auto& z) { return x + ",50;" + y + ",50;" + z + ",12\n"; },
                          &points));
  // Tabs, and no extension at all.
  Write("tabs",
        Block(372020, 5811999, 4, 2,
              [](auto& x, auto& y, auto& z) { return x + ".00\t" + y + ".00\t" + z + "\n"; },
              &points));
  const BatchResult result =
      Portal({"-o", Path("m.png"), Path("DOM1_372_5812.txt"), Path("export.csv"), Path("tabs")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat({LoadedLines("DOM1_372_5812.txt"), LoadedLines("export.csv"),
                              LoadedLines("tabs"), ExportedLines()})));
  EXPECT_EQ(result.err, SummaryLine(3));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("m.png")), points), "");

  // A separator forced by its character reads the same; the wrong one finds nothing.
  EXPECT_EQ(Portal({"-s", ";", Path("export.csv"), "-o", Path("s.png")}).exitCode, 0);
  const BatchResult wrong = Portal({"-s", ",", Path("tabs"), "-o", Path("w.png")});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_NE(wrong.err.find(FailedInput(Path("tabs"), "keine XYZ Daten")), std::string::npos)
      << wrong.err;
}

TEST_F(BatchPortal, ArchivesFoldersAndFileListsAsInputs) {
  std::vector<Pt> zipped, filed;
  const auto blank = [](auto& x, auto& y, auto& z) { return x + " " + y + " " + z + "\n"; };
  const std::string a = Block(100, 900, 3, 3, blank, &zipped), pdf = "%PDF-1.4 not points",
                    b = Block(110, 900, 3, 3, blank, &zipped);
  ZipBuilder zip;
  zip.AddFile("dgm/a.txt", a, ZipBuilder::kDeflated);
  zip.AddFile("Liesmich.pdf", pdf);
  zip.AddFile("dgm/b.TXT", b);
  // A zip by its content: the portal served it without the extension.
  zip.Write(Path("download"));
  const BatchResult archive = Portal({"-o", Path("z.png"), Path("download")});
  EXPECT_EQ(archive.exitCode, 3) << "a part of the archive was skipped";
  const double total = static_cast<double>(a.size() + pdf.size() + b.size());
  EXPECT_EQ(archive.out,
            JoinLines(Concat({LoadedLines("a.txt"), {PercentLine(a.size(), total)},
                              {PercentLine(a.size() + pdf.size(), total)}, LoadedLines("b.TXT"),
                              {"100%"}, ExportedLines()})));
  EXPECT_EQ(archive.err, SummaryLine(2, 0, 1) + SkippedInput(Path("download") + ": Liesmich.pdf",
                                                             "Endung nicht xyz, txt oder csv"));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("z.png")), zipped), "");

  // A folder stands for the tiles below it, in path order, subfolders too.
  Write("kacheln/b.xyz", Block(10, 50, 2, 2, blank, &filed));
  Write("kacheln/a/c.CSV", Block(20, 50, 2, 2, blank, &filed));
  Write("kacheln/notes.pdf", "not read, not counted");
  const BatchResult folder = Portal({"-o", Path("f.png"), Path("kacheln")});
  EXPECT_EQ(folder.exitCode, 0) << folder.err;
  EXPECT_EQ(folder.out,
            JoinLines(Concat({LoadedLines("c.CSV"), LoadedLines("b.xyz"), ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("f.png")), filed), "");

  // 300 paths from standard input, CR LF and blank lines among them, after
  // the one on the command line.
  std::vector<Pt> listed;
  std::string list = "\r\n";
  for (int i = 0; i < 300; ++i) {
    const std::string name = "list/t" + std::to_string(i) + ".xyz";
    Write(name, std::to_string(1000 + i) + " 2000 " + std::to_string(i % 256) + "\n");
    listed.push_back({1000 + i, 2000, i % 256});
    list += Path(name) + (i % 2 ? "\r\n" : "\n") + (i % 50 == 0 ? "\n" : "");
  }
  Write("first.xyz", "999 2000 7\n");
  listed.insert(listed.begin(), {999, 2000, 7});
  const std::string listFile = Write("paths.txt", list);
  const BatchResult many = Portal(
      {"-q", "--input-file-list", "-", Path("first.xyz"), "-o", Path("l.png")}, listFile);
  EXPECT_EQ(many.exitCode, 0) << many.err;
  EXPECT_EQ(many.out, "") << "-q: no status lines";
  EXPECT_EQ(many.err, SummaryLine(301));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("l.png")), listed), "");
}

// A missing file, a folder, an unreadable file and one without points beside
// good ones: each is named with its reason and the PNG is written. Under the
// window's rules the exit status stays 0 as it always was; without, it is 3.
TEST_F(BatchPortal, EveryInputThatGaveNothingIsNamedAndTheStatusSaysSo) {
  Write("good.xyz", "10,20,5\n");
  Write("blank.xyz", "\n   \n");
  fs::create_directories(Path("folder.xyz"));
  // Reading a process's memory at address 0 fails with an I/O error.
  fs::create_symlink("/proc/self/mem", Path("unreadable.xyz"));
  Write("notes.txt", "no points here\n");
  const std::vector<std::string> inputs = {Path("good.xyz"),       Path("missing.xyz"),
                                           Path("folder.xyz"),     Path("unreadable.xyz"),
                                           Path("blank.xyz"),      Path("notes.txt")};
  std::vector<std::string> args = {"-o", Path("out.png")};
  args.insert(args.end(), inputs.begin(), inputs.end());

  const BatchResult window = Run(args);  // --window-rules
  EXPECT_EQ(window.exitCode, 0);
  EXPECT_EQ(window.out,
            JoinLines(Concat({LoadedLines("good.xyz"), FailedLines("missing.xyz"),
                              FailedLines("folder.xyz"), FailedLines("unreadable.xyz"),
                              FailedLines("blank.xyz"), ExportedLines()})));
  EXPECT_EQ(window.err, SummaryLine(1, 0, 2, 3) +
                            FailedInput(Path("missing.xyz"), "nicht gefunden") +
                            SkippedInput(Path("folder.xyz"), "keine reguläre Datei") +
                            FailedInput(Path("unreadable.xyz"), "nicht lesbar") +
                            FailedInput(Path("blank.xyz"), "keine XYZ Daten") +
                            SkippedInput(Path("notes.txt"), "Endung nicht xyz oder zip"));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}}), "");

  fs::remove(Path("out.png"));
  const BatchResult portal = Portal(args);
  EXPECT_EQ(portal.exitCode, 3);
  // The folder stands for the tiles in it (none); the note is read as points.
  EXPECT_EQ(portal.err, SummaryLine(1, 0, 0, 5) +
                            FailedInput(Path("folder.xyz"), "keine XYZ Daten") +
                            FailedInput(Path("missing.xyz"), "nicht gefunden") +
                            FailedInput(Path("unreadable.xyz"), "nicht lesbar") +
                            FailedInput(Path("blank.xyz"), "keine XYZ Daten") +
                            FailedInput(Path("notes.txt"), "keine XYZ Daten"));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}}), "");
}

// A name that is not UTF-8 (Latin-1 "ä") is opened as named, in a folder and
// as an archive; the texts show the byte as U+FFFD.
TEST_F(BatchPortal, NamesThatAreNotUtf8AreOpenedAsNamed) {
  const std::string latin = "lat\xE4in";
  Write("alt/" + latin + ".xyz", "5 6 7\n");
  ZipBuilder zip;
  zip.AddFile(latin + "2.xyz", "8 6 9\n");  // no UTF-8 flag: the entry's name is IBM 437
  zip.Write(Path(latin + ".zip"));
  const BatchResult result = Portal({"-o", Path("n.png"), Path("alt"), Path(latin + ".zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("lat\uFFFDin.xyz"),
                                          LoadedLines("lat\u03A3in2.xyz"), {"100%"},
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("n.png")), {{5, 6, 7}, {8, 6, 9}}), "");
  // Named directly, and missing: the reason names it readably.
  const BatchResult missing = Portal({Path("gone-" + latin + ".xyz")});
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_NE(missing.err.find("gone-lat\uFFFDin.xyz (nicht gefunden)"), std::string::npos)
      << missing.err;
}

}  // namespace
