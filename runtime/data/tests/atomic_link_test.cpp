// Writing through symbolic links: followed as the kernel's protected_symlinks
// rule would, refused where another user planted one in a shared folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "runtime/data/atomic_file.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/second_user.h"

namespace {

namespace fs = std::filesystem;

class AtomicLinks : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    if (const std::string why = WhyNoOtherUser(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);  // the other user must reach the folders
  }
  // A folder of `mode` owned by `owner`.
  fs::path Folder(const std::string& name, mode_t mode, uid_t owner = 0) {
    const fs::path path = dir_ / name;
    fs::create_directory(path);
    EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
    EXPECT_EQ(chmod(path.c_str(), mode), 0);
    return path;
  }
  static bool PlantAsOtherUser(const fs::path& target, const fs::path& link) {
    return AsOtherUser([&] { return symlink(target.c_str(), link.c_str()) == 0; });
  }
  // Writes "new" through `path`; true when committed.
  static bool Save(const fs::path& path) {
    AtomicFile file(Utf8ToUtf16(path.string()));
    return file.Write("new", 3) && file.Commit();
  }
};

TEST_F(AtomicLinks, AnotherUsersLinkInASharedFolderIsRefused) {
  const fs::path shared = Folder("shared", 01777);
  WriteBytes(Path("precious.txt"), "mine");
  if (!PlantAsOtherUser(Path("precious.txt"), shared / "mosaic.png"))
    GTEST_SKIP() << "cannot run as uid " << kOtherUser;
  // Also at the end of a chain that starts with a link of our own.
  fs::create_symlink(shared / "mosaic.png", Path("mine.png"));

  for (const fs::path& path : {shared / "mosaic.png", Path("mine.png")}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(AtomicFile::RefusesLink(Utf8ToUtf16(path.string())));
    AtomicFile file(Utf8ToUtf16(path.string()));
    EXPECT_EQ(file.fd(), -1);
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(ReadBytes(Path("precious.txt")), "mine");
  EXPECT_TRUE(fs::is_symlink(shared / "mosaic.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 1) << "nothing else written";
}

TEST_F(AtomicLinks, LinksTheKernelWouldFollowAreFollowed) {
  const fs::path shared = Folder("shared", 01777);
  const fs::path theirs = Folder("theirs", 01777, kOtherUser);
  const fs::path open = Folder("open", 0777);
  struct Case {
    const char* what;
    fs::path link;
    bool ours;
  };
  const Case cases[] = {
      {"our own link in a shared folder", shared / "own.png", true},
      {"the folder owner's link", theirs / "owner.png", false},
      {"another user's link in a folder that is not sticky", open / "plain.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path target = Path(c.link.filename().string() + ".target");
    WriteBytes(target, "old");
    if (c.ours)
      fs::create_symlink(target, c.link);
    else if (!PlantAsOtherUser(target, c.link))
      GTEST_SKIP() << "cannot run as uid " << kOtherUser;
    EXPECT_FALSE(AtomicFile::RefusesLink(Utf8ToUtf16(c.link.string())));
    ASSERT_TRUE(Save(c.link));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_TRUE(fs::is_symlink(c.link));
  }
  // A plain name and a dangling link of our own are no links to refuse.
  EXPECT_FALSE(AtomicFile::RefusesLink(Utf8ToUtf16((shared / "plain.png").string())));
  fs::create_symlink(Path("nowhere"), shared / "dangling.png");
  ASSERT_TRUE(Save(shared / "dangling.png"));
  EXPECT_EQ(ReadBytes(shared / "dangling.png"), "new");
}

}  // namespace
