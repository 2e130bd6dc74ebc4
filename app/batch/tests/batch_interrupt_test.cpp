// Interrupting relivox-batch in the middle of a zip job or of a GDAL write:
// the job's private folder and the half-written output go with the
// process, and nothing of the user's is touched.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "runtime/data/tests/zip_builder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

bool HasJobFolder(const fs::path& tmpdir) {
  for (const auto& entry : fs::directory_iterator(tmpdir))
    if (entry.path().filename().string().rfind("relivox-zip-", 0) == 0) return true;
  return false;
}

// Starts relivox-batch with `args` and TMPDIR, standard output to /dev/null.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& tmp) {
  const std::string tmpdir = "TMPDIR=" + tmp.string();
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
  env.push_back(const_cast<char*>(tmpdir.c_str()));
  env.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

TEST(BatchInterrupt, ASignalDuringAZipJobLeavesNoFolderBehind) {
  const fs::path base = fs::temp_directory_path() / ("interrupt-" + std::to_string(::getpid()));
  fs::create_directories(base / "tmp");
  std::string tile;
  for (int r = 0; r < 400; ++r)
    for (int c = 0; c < 400; ++c)
      tile += std::to_string(356000 + c) + ".00," + std::to_string(5645000 - r) + ".00,1" +
              std::to_string(r % 10) + ".5\n";
  ZipBuilder zip;
  for (int i = 0; i < 40; ++i) zip.AddFile("tiles/t" + std::to_string(i) + ".xyz", tile + std::to_string(i) + ",1,1\n");
  zip.Write((base / "many.zip").string());
  std::ofstream(base / "tmp" / "t0.xyz") << "mine";

  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    const pid_t pid = Spawn({RELIVOX_BATCH, (base / "many.zip").string()}, base / "tmp");
    ASSERT_GT(pid, 0);

    // Wait until the job's folder exists, then interrupt.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!HasJobFolder(base / "tmp") && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(HasJobFolder(base / "tmp"));
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    EXPECT_FALSE(HasJobFolder(base / "tmp"));
    std::ifstream mine(base / "tmp" / "t0.xyz");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(mine)), {}), "mine");
  }
  fs::remove_all(base);
}

// The slowest deflate level keeps GDAL writing long enough to be caught.
TEST(BatchInterrupt, ASignalDuringAGeoTiffWriteKeepsTheOldFileAndLeavesNoOther) {
  const fs::path base = fs::temp_directory_path() / ("interrupt-tif-" + std::to_string(::getpid()));
  fs::create_directories(base / "tmp");
  std::ofstream(base / "corners.xyz") << "1,1,5\n2000,2000,7\n";
  std::ofstream(base / "m.tif") << "old";
  const pid_t pid = Spawn({RELIVOX_BATCH, "-o", (base / "m.tif").string(), "--co", "ZLEVEL=12",
                           (base / "corners.xyz").string()},
                          base / "tmp");
  ASSERT_GT(pid, 0);
  const auto writing = [&] {
    for (const auto& entry : fs::directory_iterator(base))
      if (entry.path().filename().string().rfind(".m.relivox-", 0) == 0) return true;
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!writing() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(writing());
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
  EXPECT_FALSE(writing());
  std::ifstream old(base / "m.tif");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(old)), {}), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(base), fs::directory_iterator()), 3);
  fs::remove_all(base);
}

}  // namespace
