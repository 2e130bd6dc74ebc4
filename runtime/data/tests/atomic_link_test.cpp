// Writing through symbolic links: followed where the kernel's
// protected_symlinks rule would follow them, refused where another user
// planted one in a shared folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "runtime/data/atomic_file.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/second_user.h"

namespace {

namespace fs = std::filesystem;

using AtomicLinks = ArchiveTest;

TEST_F(AtomicLinks, OnlyLinksTheKernelWouldFollowAreFollowed) {
  if (const std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);  // the other user must reach the folders
  const auto folder = [&](const char* name, mode_t mode, uid_t owner) {
    const fs::path path = dir_ / name;
    fs::create_directory(path);
    EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    return path;
  };
  const fs::path shared = folder("shared", 01777, 0), theirs = folder("theirs", 01777, kOtherUser),
                 open = folder("open", 0777, 0);
  struct Case {
    fs::path link;
    bool plantedByOther, followed;
  };
  const Case cases[] = {
      {shared / "planted.png", true, false},
      {shared / "own.png", false, true},
      {theirs / "owner.png", true, true},  // the folder's owner's link
      {open / "plain.png", true, true},    // not sticky
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    const fs::path target = Path(c.link.filename().string() + ".target");
    WriteBytes(target, "old");
    const auto plant = [&] { return symlink(target.c_str(), c.link.c_str()) == 0; };
    if (!(c.plantedByOther ? AsOtherUser(plant) : plant()))
      GTEST_SKIP() << "cannot run as uid " << kOtherUser;
    // Directly, and at the end of a chain that starts with a link of our own.
    const fs::path chain = Path("chain-" + c.link.filename().string());
    fs::create_symlink(c.link, chain);
    for (const fs::path& path : {c.link, chain}) {
      EXPECT_EQ(AtomicFile::RefusesLink(Utf8ToUtf16(path.string())), !c.followed);
      AtomicFile file(Utf8ToUtf16(path.string()));
      EXPECT_EQ(file.Write("new", 3) && file.Commit(), c.followed);
    }
    EXPECT_EQ(ReadBytes(target), c.followed ? "new" : "old");
    EXPECT_TRUE(fs::is_symlink(c.link));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 2) << "nothing else written";
}

}  // namespace
