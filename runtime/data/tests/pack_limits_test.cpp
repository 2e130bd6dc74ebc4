// Entries whose data disagrees with their declared size, and extractions
// that die half way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "runtime/data/pack.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/bytes_written.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using PackLimits = ArchiveTest;

struct SizeCase {
  const char* what;
  std::string data;
  int method;
  std::uint32_t declared;
};

TEST_F(PackLimits, DataBeyondOrShortOfTheDeclaredSizeFails) {
  const std::string bomb(8 * 1024 * 1024, '0');  // deflates to a few kilobytes
  const SizeCase cases[] = {
      {"inflates far beyond", bomb, ZipBuilder::kDeflated, 10},
      {"one byte beyond", "1,2,3\n", ZipBuilder::kDeflated, 5},
      {"stored beyond", "1,2,3\n", ZipBuilder::kStored, 5},
      {"declares nothing", "1,2,3\n", ZipBuilder::kDeflated, 0},
      {"ends early", "1,2,3\n", ZipBuilder::kDeflated, 7},
      {"stored, ends early", "1,2,3\n", ZipBuilder::kStored, 100},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.what);
    ZipBuilder zip;
    zip.AddFile("lie.xyz", c.data, c.method);
    zip.DeclareSize(c.declared);
    zip.AddFile("next.xyz", "4,5,6\n");
    zip.Write(Path("lie.zip"));
    const ObjectHandle pack = Pack_Open(KX_Any, Path16("lie.zip"));
    ASSERT_NE(pack, 0);
    ASSERT_EQ(Pack_Examine(pack), 1);
    ASSERT_EQ(Pack_NextEntry(pack), 1);
    EXPECT_EQ(Pack_EntrySize(pack), c.declared);

    WriteBytes(Path("kept"), "old");
    const std::int64_t before = BytesWritten();
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16("out")), -1);
    if (before >= 0) {
      EXPECT_LE(BytesWritten() - before, 65536) << "stopped at the declared size";
    }
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16("kept")), -1);
    EXPECT_EQ(ReadBytes(Path("kept")), "old");
    // Buffers larger than, equal to and (where possible) smaller than the
    // data: none may pass for the whole entry.
    std::string buffer(c.data.size() + 16, '\0');
    EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), static_cast<std::int64_t>(buffer.size())),
              -1);
    EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), c.declared), -1);
    if (c.data.size() > 65536) {
      EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 65536), -1);
    }

    // The neighbour is untouched.
    ASSERT_EQ(Pack_NextEntry(pack), 1);
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16("next")), 6);
    char next[16];
    EXPECT_EQ(Pack_ExtractToMemory(pack, next, sizeof next), 6);
    Pack_Close(pack);
    EXPECT_EQ(Files(), (std::set<std::string>{"lie.zip", "kept", "next"}));
    std::filesystem::remove(Path("next"));
  }
}

// Fuzzing corpus seed: a streamed entry (local header only) whose zip64
// extra field declares 2^63 - 1 bytes. The size arithmetic must neither
// overflow nor take the short data for the whole entry.
TEST_F(PackLimits, AnEntryDeclaringTheLargestSizeFailsCleanly) {
  ZipBuilder zip;
  zip.AddFile("huge.xyz", "10,20,5\n11,20,6\n", ZipBuilder::kDeflated);
  zip.DeclareZip64Size(0x7FFFFFFFFFFFFFFFull);
  zip.Write(Path("seed.zip"), false);
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("seed.zip"));
  ASSERT_NE(pack, 0);
  ASSERT_EQ(Pack_Examine(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  EXPECT_EQ(Pack_EntrySize(pack), INT64_MAX);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("out.xyz")), -1);
  char buffer[64];
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer, sizeof buffer), -1);
  Pack_Close(pack);
  EXPECT_EQ(Files(), std::set<std::string>{"seed.zip"});
}

TEST_F(PackLimits, HonestEntriesFillAnyBuffer) {
  const std::string text = NoisyText(100000, 7);
  ZipBuilder zip;
  zip.AddFile("a.xyz", text, ZipBuilder::kDeflated);
  zip.AddFile("empty.xyz", "");
  zip.Write(Path("a.zip"));
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("a.zip"));
  ASSERT_NE(pack, 0);
  std::string buffer(text.size() + 1, '\0');
  for (const std::int64_t size : {std::int64_t{100001}, std::int64_t{100000}, std::int64_t{99999},
                                  std::int64_t{1}, std::int64_t{0}}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), size, u"a.xyz"), std::min<std::int64_t>(size, 100000))
        << "a buffer smaller than the entry takes its start";
    EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(size, 100000))),
              text.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(size, 100000))));
  }
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 8, u"empty.xyz"), 0);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("e"), u"empty.xyz"), 0);
  EXPECT_EQ(ReadBytes(Path("e")), "");
  Pack_Close(pack);
}

// Bytes the process `pid` has written to an open file in `folder` other than
// `except`, or -1 while it has none open.
std::int64_t BytesInOpenFile(pid_t pid, const std::filesystem::path& folder,
                             const std::filesystem::path& except) {
  const std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(fds, error)) {
    std::error_code linkError;
    const std::string target = std::filesystem::read_symlink(item.path(), linkError).string();
    if (linkError || target.rfind(folder.string() + "/", 0) != 0 || target == except.string())
      continue;
    struct stat info;
    if (stat(item.path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_size;
  }
  return -1;
}

// True when `folder` takes anonymous files, which make a kill harmless.
bool TakesAnonymousFiles(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

TEST_F(PackLimits, AKilledExtractionOrArchiveWriteLeavesNothing) {
  if (!TakesAnonymousFiles(dir_)) GTEST_SKIP() << "no O_TMPFILE here";
  const std::string big(256 * 1024 * 1024, '7');
  ZipBuilder zip;
  zip.AddFile("big.xyz", big, ZipBuilder::kDeflated);
  zip.Write(Path("in.zip"));
  WriteBytes(Path("old.xyz"), "old");

  struct KillCase {
    const char* what;
    void (*work)(const std::string& big);
  };
  const KillCase cases[] = {
      {"extraction to a new file",
       [](const std::string&) {
         const ObjectHandle pack = Pack_Open(KX_Any, u"in.zip");
         Pack_ExtractToFile(pack, u"new.xyz", u"big.xyz");
       }},
      {"extraction over a file",
       [](const std::string&) {
         const ObjectHandle pack = Pack_Open(KX_Any, u"in.zip");
         Pack_ExtractToFile(pack, u"old.xyz", u"big.xyz");
       }},
      {"archive writing",
       [](const std::string& bytes) {
         const ObjectHandle pack = Pack_Create(KX_Any, u"out.zip", 0);
         Pack_AddMemory(pack, bytes.data(), static_cast<std::int64_t>(bytes.size()), u"b.xyz");
       }},
  };
  for (const KillCase& c : cases) {
    SCOPED_TRACE(c.what);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Relative paths: the child works inside the scratch folder.
      if (chdir(dir_.c_str()) == 0) c.work(big);
      _exit(0);
    }
    // Kill as soon as the child has written into its new file.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (BytesInOpenFile(child, dir_, Path("in.zip")) <= 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
    EXPECT_EQ(Files(), (std::set<std::string>{"in.zip", "old.xyz"}));
    EXPECT_EQ(ReadBytes(Path("old.xyz")), "old");
  }
}

}  // namespace
