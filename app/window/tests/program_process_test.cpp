// The programs as processes: `relivox` without a display, and the scripted
// copy of it closed while a load, a zip job or an export runs.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct ProcessRun {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
  std::int64_t endedNs = 0;  // CLOCK_MONOTONIC when it was reaped
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::int64_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Runs a program with this process's environment changed by `env` (an
// empty value removes the variable).
ProcessRun RunProgram(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
               const fs::path& folder) {
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (!env.count(entry.substr(0, entry.find('=')))) environment.push_back(entry);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) environment.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const fs::path out = folder / "stdout.txt", err = folder / "stderr.txt";

  ProcessRun run;
  const pid_t child = fork();
  if (child == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  run.endedNs = Now();
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("process-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tmp");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The scripted program, with its own temporary directory.
  ProcessRun Drive(const std::string& mode, const fs::path& file, const std::string& last) {
    return RunProgram({RELIVOX_TEST_DRIVER, mode, file.string(), last},
                      {{"QT_QPA_PLATFORM", "offscreen"}, {"TMPDIR", (dir_ / "tmp").string()}},
                      dir_);
  }
  std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Points on a grid of w x h units, greys varying.
  fs::path Tile(const std::string& name, int w, int h) {
    std::ofstream out(dir_ / name, std::ios::binary);
    for (int y = 1; y <= h; ++y)
      for (int x = 1; x <= w; ++x) out << x << ',' << y << ',' << (x * y) % 256 << '\n';
    return dir_ / name;
  }
  // How long the process took to end after the driver asked for the close.
  std::int64_t CloseToEndMs(const ProcessRun& run) {
    long long at = 0, progress = 0;
    if (std::sscanf(run.out.c_str(), "closing %lld %lld", &at, &progress) != 2) return -1;
    return (run.endedNs - at) / 1000000;
  }

  fs::path dir_;
};

TEST_F(ProcessTest, WithoutADisplayTheProgramSaysWhyAndEnds) {
  const ProcessRun none = RunProgram({RELIVOX_PROGRAM},
                              {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}, dir_);
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_NE(none.err.find("relivox: Keine Anzeige"), std::string::npos) << none.err;

  // A display that nobody serves, and the X11 plugin asked for without one.
  const ProcessRun absent = RunProgram(
      {RELIVOX_PROGRAM}, {{"DISPLAY", ":4711"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}},
      dir_);
  EXPECT_EQ(absent.status, 1) << absent.err;
  EXPECT_NE(absent.err.find(":4711 ist nicht erreichbar"), std::string::npos) << absent.err;
  const ProcessRun xcb = RunProgram({RELIVOX_PROGRAM}, {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}}, dir_);
  EXPECT_EQ(xcb.status, 1) << xcb.err;
  EXPECT_NE(xcb.err.find("DISPLAY ist nicht gesetzt"), std::string::npos) << xcb.err;
}

// `relivox a.xyz b.zip`, as "Open with" in a file manager starts it: both
// are loaded at start-up in that order, as if chosen in "Load XYZ".
TEST_F(ProcessTest, FilesNamedOnTheCommandLineAreLoadedInOrder) {
  Tile("a.xyz", 30, 20);
  std::ofstream(dir_ / "b.xyz") << "500,1,40\n510,9,50\n";
  ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && zip -q b.zip b.xyz && rm b.xyz").c_str()),
            0);
  const ProcessRun run = RunProgram(
      {RELIVOX_TEST_DRIVER, "open", (dir_ / "a.xyz").string(), "--", (dir_ / "b.zip").string()},
      {{"QT_QPA_PLATFORM", "offscreen"}, {"TMPDIR", (dir_ / "tmp").string()}}, dir_);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::size_t a = run.out.find("status Lese a.xyz");
  const std::size_t b = run.out.find("status Lese b.xyz");
  ASSERT_NE(a, std::string::npos) << run.out;
  ASSERT_NE(b, std::string::npos) << run.out;
  EXPECT_LT(a, b) << run.out;
  EXPECT_NE(run.out.find("loaded 2\n"), std::string::npos) << run.out;

  // The program itself: help and version need no display, a wrong option
  // is a usage error, and files keep it running (it ends when the window
  // is closed, which nobody does here).
  const std::map<std::string, std::string> noDisplay = {
      {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};
  const ProcessRun help = RunProgram({RELIVOX_PROGRAM, "--help"}, noDisplay, dir_);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: relivox [FILE...]\n", 0), 0u) << help.out;
  const ProcessRun version = RunProgram({RELIVOX_PROGRAM, "--version"}, noDisplay, dir_);
  EXPECT_EQ(version.out.rfind("relivox ", 0), 0u) << version.out;
  const ProcessRun wrong = RunProgram({RELIVOX_PROGRAM, "-x", "a.xyz"}, noDisplay, dir_);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err.rfind("relivox: unknown option -x\n", 0), 0u) << wrong.err;
  const ProcessRun files =
      RunProgram({"/usr/bin/timeout", "3", RELIVOX_PROGRAM, (dir_ / "a.xyz").string(),
                  (dir_ / "b.zip").string()},
                 {{"QT_QPA_PLATFORM", "offscreen"}, {"TMPDIR", (dir_ / "tmp").string()}}, dir_);
  EXPECT_EQ(files.status, 124) << "still running after 3 s: " << files.err;
}

TEST_F(ProcessTest, ClosingDuringALargeLoadEndsAtOnceTwentyTimesOver) {
  const fs::path file = Tile("large.xyz", 600, 500);
  const char* moments[] = {"taken", "1", "25", "50", "75"};
  std::int64_t slowest = 0;
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    const ProcessRun run = Drive("load", file, moments[i % 5]);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.rfind("closing ", 0), 0u) << run.out;
    slowest = std::max(slowest, CloseToEndMs(run));
    EXPECT_TRUE(Entries(dir_ / "tmp").empty() ||
                Entries(dir_ / "tmp") == std::vector<std::string>{"runtime-root"});
  }
  std::printf("slowest end after the close: %lld ms\n", static_cast<long long>(slowest));
}

TEST_F(ProcessTest, ClosingDuringAZipJobLeavesNoFolderBehind) {
  const fs::path tile = Tile("large.xyz", 600, 500);
  ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && zip -q tiles.zip large.xyz").c_str()), 0);
  for (const char* moment : {"taken", "5", "30", "60", "95"}) {
    SCOPED_TRACE(moment);
    const ProcessRun run = Drive("load", dir_ / "tiles.zip", moment);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& name : Entries(dir_ / "tmp"))
      EXPECT_EQ(name.find("relivox-zip-"), std::string::npos) << name;
  }
}

TEST_F(ProcessTest, ClosingDuringAnExportLeavesTheOldFileAlone) {
  // Three points far apart: a mosaic of 3000 x 3000 takes a while to save.
  std::ofstream(dir_ / "sparse.xyz") << "1,1,10\n3000,3000,20\n1500,1500,30\n";
  fs::create_directories(dir_ / "out");
  int untouched = 0;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    std::ofstream(dir_ / "out" / "mosaic.png") << "old";
    const ProcessRun run = Drive("export", dir_ / "sparse.xyz", (dir_ / "out" / "mosaic.png").string());
    ASSERT_EQ(run.status, 0) << run.err;
    // Nothing but the file itself: no temporary file beside it.
    EXPECT_EQ(Entries(dir_ / "out"), std::vector<std::string>{"mosaic.png"});
    const std::string content = ReadAll(dir_ / "out" / "mosaic.png");
    if (content == "old") {
      ++untouched;
    } else {  // the save ended before the close came: then it is whole
      EXPECT_EQ(content.substr(0, 4), "\x89PNG");
      EXPECT_EQ(content.substr(content.size() - 8, 4), "IEND");
    }
  }
  std::printf("closed before the save ended: %d of 4\n", untouched);
}

}  // namespace
