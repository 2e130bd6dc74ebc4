// Interrupting relivox-batch in the middle of a zip job: the job's private
// folder goes with the process, and nothing of the user's is touched.
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
    const std::string tmpdir = "TMPDIR=" + (base / "tmp").string();
    const std::string zipPath = (base / "many.zip").string();
    const char* argv[] = {RELIVOX_BATCH, zipPath.c_str(), nullptr};
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
    env.push_back(const_cast<char*>(tmpdir.c_str()));
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

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

}  // namespace
