// Inputs, outputs and leftovers that work against the program: links planted
// by another user, inputs that never end, the file-size limit, folders of a
// killed run. Each fails with a reason or is cleared, and nothing is left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/second_user.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using BatchHostile = BatchTest;

TEST_F(BatchHostile, AWorldFileLinkPlantedInASharedFolderFailsTheRunBeforeAnyWrite) {
  if (const std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(chmod(scratch_.c_str(), 0755), 0);
  const fs::path shared = Path("shared");
  fs::create_directory(shared);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  Write("precious.txt", "mine");
  Write("good.xyz", "10,20,5\n");
  const std::string victim = Path("precious.txt"), link = Path("shared/m.pgw");
  if (!AsOtherUser([&] { return symlink(victim.c_str(), link.c_str()) == 0; }))
    GTEST_SKIP() << "cannot run as uid " << kOtherUser;
  const BatchResult result = Run({"-o", Path("shared/m.png"), "-w", Path("good.xyz")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "relivox-batch: Die Datei " + link +
                            " ist eine symbolische Verknüpfung eines anderen Benutzers in einem"
                            " gemeinsamen Ordner und wird nicht überschrieben.\n");
  EXPECT_EQ(Read(Path("precious.txt")), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 1) << "no PNG either";
}

TEST_F(BatchHostile, DevicesAreRefusedAndAFifoIsRead) {
  fs::create_symlink("/dev/zero", Path("zero.xyz"));
  fs::create_symlink("/dev/urandom", Path("urandom.xyz"));
  fs::create_symlink("/dev/zero", Path("zero.zip"));
  // As process substitution gives it: the writer is open before the program
  // starts (a reader for a moment lets it open) and closes once it is read.
  ASSERT_EQ(mkfifo(Path("fifo.xyz").c_str(), 0600), 0);
  const int reader = ::open(Path("fifo.xyz").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  const int writer = ::open(Path("fifo.xyz").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(::write(writer, "10,20,5\n11,20,6\n", 16), 16);
  ::close(reader);
  std::thread closer([writer] {
    int waiting = 1;
    for (int i = 0; i < 6000 && waiting > 0 && ::ioctl(writer, FIONREAD, &waiting) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(writer);
  });
  BatchRun run;
  run.args = {"-o",           Path("out.png"), Path("zero.xyz"), Path("urandom.xyz"),
              Path("zero.zip"), Path("fifo.xyz")};
  run.tmpdir = Tmp();
  run.timeoutSeconds = 30;
  const BatchResult result = RunBatch(run);
  closer.join();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("zero.xyz"), FailedLines("urandom.xyz"),
                                          LoadedLines("fifo.xyz"), ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}, {11, 20, 6}}), "");
}

TEST_F(BatchHostile, TheFileSizeLimitFailsWritesLikeAFullDisk) {
  std::string tile;  // greys that deflate badly: a PNG of tens of KiB
  for (int x = 0; x < 120; ++x)
    for (int y = 0; y < 120; ++y)
      tile += std::to_string(x) + "," + std::to_string(y) + "," +
              std::to_string((x * 7919 + y * 104729 + x * y * 31) % 251) + "\n";
  ZipBuilder zip;
  zip.AddFile("z.xyz", tile, ZipBuilder::kDeflated);
  zip.Write(Path("tiles.zip"));
  Write("big.xyz", tile);
  BatchRun run;
  run.args = {"-o", Path("out.png"), Path("tiles.zip"), Path("big.xyz")};
  run.tmpdir = Tmp();
  run.fileSizeLimit = 8192;
  const BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            JoinLines(Concat({FailedLines("z.xyz"), {"100%"}, LoadedLines("big.xyz"),
                              {"Speichern als PNG...", "Fehler beim Export der Datei!"}})));
  // The summary and the one reason, and no word of libpng's beside them.
  EXPECT_EQ(result.err, SummaryLine(1, 0, 0, 1) +
                            FailedInput(Path("tiles.zip") + ": z.xyz", "nicht lesbar") +
                            "relivox-batch: Fehler beim Export der Datei " + Path("out.png") +
                            ".\n");
  EXPECT_EQ(Listing(scratch_).size(), 3u) << "only the inputs and the empty TMPDIR";
  EXPECT_TRUE(fs::is_empty(Tmp()));
}

// Beyond the address-space limit (ulimit -v) the tile whose mosaic cannot
// be had is refused with that mosaic's size and not kept: the export saves
// the tiles before it, or, when no tile got a mosaic, says memory was short.
TEST_F(BatchHostile, ATileWhoseMosaicExceedsTheMemoryLimitIsRefusedAndSaid) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than the limit allows";
#endif
  Write("a.xyz", XyzText({{1, -1, 5}}));
  Write("b.xyz", XyzText({{32767, -32767, 7}}));  // with a.xyz: 32767 x 32767, 4 GiB
  Write("both.xyz", XyzText({{1, -1, 5}, {32767, -32767, 7}}));
  const std::vector<std::string> refused = {
      "Lese b.xyz (0 MiB) ...", "Verarbeite b.xyz: Bestimme Koordinaten",
      "Verarbeite b.xyz: Erstelle Kachel",
      "b.xyz: Zu wenig Speicher für das Mosaik (32767 x 32767)"};
  BatchRun run;
  run.tmpdir = Tmp();
  run.addressSpaceLimit = rlim_t{1} << 30;
  run.args = {"-o", Path("out.png"), Path("a.xyz"), Path("b.xyz"), Path("a.xyz")};
  BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(
      result.out,
      JoinLines(Concat({LoadedLines("a.xyz"), refused, DuplicateLines("a.xyz"), ExportedLines()})));
  EXPECT_EQ(result.err, SummaryLine(1, 1, 0, 1) + FailedInput(Path("b.xyz"), "zu wenig Speicher"));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{1, -1, 5}}), "");

  run.args = {"-o", Path("none.png"), Path("both.xyz")};
  result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            JoinLines({"Lese both.xyz (0 MiB) ...", "Verarbeite both.xyz: Bestimme Koordinaten",
                       "Verarbeite both.xyz: Erstelle Kachel",
                       "both.xyz: Zu wenig Speicher für das Mosaik (32767 x 32767)"}));
  EXPECT_EQ(result.err, SummaryLine(0, 0, 0, 1) +
                            FailedInput(Path("both.xyz"), "zu wenig Speicher") +
                            "relivox-batch: Zu wenig Speicher für das Bild, " + Path("none.png") +
                            " wurde nicht geschrieben.\n");
  EXPECT_FALSE(fs::exists(Path("none.png")));
}

TEST_F(BatchHostile, AZipJobRemovesTheFoldersOfOurEndedRunsOnly) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::string gone = "relivox-zip-" + std::to_string(ended) + "-k1ll3d";
  Write("tmp/" + gone + "/t.xyz", "left by kill -9");
  // A live process's folder, a name without a process and another user's stay.
  const std::string theirs = "relivox-zip-" + std::to_string(ended) + "-other1";
  std::set<std::string> kept = {"relivox-zip-" + std::to_string(getpid()) + "-live01",
                                "relivox-zip-Qx3k9a"};
  if (geteuid() == 0) kept.insert(theirs);
  for (const std::string& name : kept) fs::create_directory(Path("tmp/" + name));
  if (geteuid() == 0) {
    ASSERT_EQ(chown(Path("tmp/" + theirs).c_str(), kOtherUser, kOtherUser), 0);
  }
  ZipBuilder zip;
  zip.AddFile("a.xyz", "1,1,1\n");
  zip.Write(Path("one.zip"));
  EXPECT_EQ(Run({Path("one.zip")}).exitCode, 0);
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(Tmp())) left.insert(entry.path().filename());
  EXPECT_EQ(left, kept);
}

}  // namespace
