// Private folders: made fresh every time, and deleted with everything in
// them but nothing outside.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <string>

#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

TEST(FsFolder, EveryFolderIsNewAndPrivate) {
  std::set<std::u16string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::u16string dir = Fs_CreateUniqueDirectory(Fs_TempDirectory(), u"relivox-t-");
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), u'/');
    EXPECT_TRUE(seen.insert(dir).second);
    struct stat info;
    ASSERT_EQ(::stat(Utf16ToUtf8(dir).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }
  for (const auto& dir : seen) EXPECT_EQ(Fs_DeleteDirectory(dir), 1);
  EXPECT_EQ(Fs_CreateUniqueDirectory(u"/nonexistent-folder/", u"x"), u"");
  EXPECT_EQ(Fs_CreateUniqueDirectory(u"", u"x"), u"");
}

TEST(FsFolder, DeletesTheTreeButNothingALinkPointsTo) {
  const std::string outside = Utf16ToUtf8(Fs_TempDirectory()) + "relivox-keep-" +
                              std::to_string(::getpid());
  ASSERT_EQ(::mkdir(outside.c_str(), 0700), 0);
  std::ofstream(outside + "/precious") << "keep";

  const std::u16string dir = Fs_CreateUniqueDirectory(Fs_TempDirectory(), u"relivox-t-");
  const std::string native = Utf16ToUtf8(dir);
  ASSERT_EQ(::mkdir((native + "sub").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((native + "sub/deeper").c_str(), 0700), 0);
  std::ofstream(native + "a.xyz") << "1,2,3";
  std::ofstream(native + "sub/deeper/b.xyz") << "1,2,3";
  ASSERT_EQ(::symlink(outside.c_str(), (native + "link").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/precious").c_str(), (native + "sub/file-link").c_str()), 0);

  EXPECT_EQ(Fs_DeleteDirectory(dir), 1);
  EXPECT_FALSE(Exists(native));
  EXPECT_TRUE(Exists(outside + "/precious")) << "links are removed, not followed";
  EXPECT_EQ(Fs_DeleteDirectory(dir), 0) << "already gone";
  EXPECT_EQ(Fs_DeleteDirectory(u""), 0);

  // A link to a folder is not a folder to empty.
  ASSERT_EQ(::symlink(outside.c_str(), (outside + "-link").c_str()), 0);
  EXPECT_EQ(Fs_DeleteDirectory(Utf8ToUtf16(outside + "-link")), 0);
  EXPECT_TRUE(Exists(outside + "/precious"));
  ::unlink((outside + "-link").c_str());
  ::unlink((outside + "/precious").c_str());
  ::rmdir(outside.c_str());
}

}  // namespace
