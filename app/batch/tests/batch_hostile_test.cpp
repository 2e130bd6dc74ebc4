// Inputs and outputs that work against the program: links planted by another
// user, inputs that never end, and the file-size limit. Each fails with a
// reason and leaves nothing behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/second_user.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using BatchHostile = BatchTest;

// Points whose greys deflate badly: the PNG is tens of kilobytes.
std::string NoisyTile(int side) {
  std::string text;
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c)
      text += std::to_string(356000 + c) + "," + std::to_string(5645000 - r) + "," +
              std::to_string((c * 7919 + r * 104729 + c * r * 31) % 251) + "\n";
  return text;
}

TEST_F(BatchHostile, LinksAnotherUserPlantedInASharedFolderAreRefused) {
  if (const std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(chmod(scratch_.c_str(), 0755), 0);
  const fs::path shared = Path("shared");
  fs::create_directory(shared);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  Write("precious.txt", "mine");
  Write("good.xyz", "10,20,5\n");
  const fs::path png = shared / "mosaic.png", world = shared / "mosaic.pgw";

  // Both links planted, then only the world file's: nothing is written.
  for (const bool bothPlanted : {true, false}) {
    SCOPED_TRACE(bothPlanted ? "both" : "world file only");
    fs::remove(png);
    fs::remove(world);
    const bool planted = AsOtherUser([&] {
      return (!bothPlanted || symlink(Path("precious.txt").c_str(), png.c_str()) == 0) &&
             symlink(Path("precious.txt").c_str(), world.c_str()) == 0;
    });
    if (!planted) GTEST_SKIP() << "cannot run as uid " << kOtherUser;
    const BatchResult result = Run({"-o", png.string(), "-w", Path("good.xyz")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    const fs::path named = bothPlanted ? png : world;
    EXPECT_EQ(result.err, "relivox-batch: Die Datei " + named.string() +
                              " ist eine symbolische Verknüpfung eines anderen Benutzers in einem"
                              " gemeinsamen Ordner und wird nicht überschrieben.\n");
    EXPECT_EQ(Read(Path("precious.txt")), "mine");
    EXPECT_EQ(fs::is_symlink(png), bothPlanted);
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), bothPlanted ? 2 : 1);
  }
}

TEST_F(BatchHostile, DevicesAreRefusedAndAFifoIsRead) {
  fs::create_symlink("/dev/zero", Path("zero.xyz"));
  fs::create_symlink("/dev/urandom", Path("urandom.xyz"));
  fs::create_symlink("/dev/zero", Path("zero.zip"));
  ASSERT_EQ(mkfifo(Path("fifo.xyz").c_str(), 0600), 0);
  Write("good.xyz", "14,20,9\n");
  // As process substitution gives it: the writer is open before the
  // program starts and closes once the points are taken.
  const int dummyReader = ::open(Path("fifo.xyz").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  const int writerEnd = ::open(Path("fifo.xyz").c_str(), O_WRONLY | O_CLOEXEC);  // not the child's
  ASSERT_GE(writerEnd, 0);
  const std::string points = "10,20,5\n11,20,6\n";
  ASSERT_EQ(::write(writerEnd, points.data(), points.size()), static_cast<ssize_t>(points.size()));
  ::close(dummyReader);
  std::thread writer([writerEnd] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int waiting = 1;
    while (waiting > 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (::ioctl(writerEnd, FIONREAD, &waiting) != 0) break;
    }
    ::close(writerEnd);
  });
  BatchRun run;
  run.args = {"-o",           Path("out.png"),  Path("zero.xyz"), Path("urandom.xyz"),
              Path("zero.zip"), Path("fifo.xyz"), Path("good.xyz")};
  run.tmpdir = Tmp();
  run.cwd = scratch_.string();
  run.timeoutSeconds = 30;
  const BatchResult result = RunBatch(run);
  writer.join();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({FailedLines("zero.xyz"), FailedLines("urandom.xyz"),
                                          LoadedLines("fifo.xyz"), LoadedLines("good.xyz"),
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}, {11, 20, 6}, {14, 20, 9}}),
            "");
  EXPECT_TRUE(fs::is_empty(Tmp()));
}

TEST_F(BatchHostile, TheFileSizeLimitFailsWritesLikeAFullDisk) {
  const std::string tile = NoisyTile(120);  // well under 0.5 MiB, a PNG of tens of KiB
  ZipBuilder zip;
  zip.AddFile("z.xyz", tile, ZipBuilder::kDeflated);
  zip.Write(Path("tiles.zip"));
  Write("big.xyz", tile);
  BatchRun run;
  run.args = {"-o", Path("out.png"), "-w", Path("tiles.zip"), Path("big.xyz")};
  run.tmpdir = Tmp();
  run.cwd = scratch_.string();
  run.fileSizeLimit = 8192;
  const BatchResult result = RunBatch(run);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            JoinLines(Concat({FailedLines("z.xyz"),
                              {"100%"},
                              LoadedLines("big.xyz"),
                              {"Speichern als PNG...", "Fehler beim Export der Datei!"}})));
  // The one reason, and no word of libpng's beside it.
  EXPECT_EQ(result.err, "relivox-batch: Fehler beim Export der Datei " + Path("out.png") + ".\n");
  EXPECT_EQ(Listing(scratch_), (std::map<std::string, std::string>{
                                   {"big.xyz", tile}, {"tiles.zip", Read(Path("tiles.zip"))},
                                   {"tmp", "<folder>"}}));
}

}  // namespace
