#include <gtest/gtest.h>

#include "runtime/data/fs.h"

namespace {

TEST(FsFilePart, NameBehindEitherSeparator) {
  EXPECT_EQ(Fs_FilePart(u"C:\\data\\tile.XYZ"), u"tile.XYZ");
  EXPECT_EQ(Fs_FilePart(u"/home/u/tile.xyz"), u"tile.xyz");
  EXPECT_EQ(Fs_FilePart(u"a/b\\c.txt"), u"c.txt");
  EXPECT_EQ(Fs_FilePart(u"plain"), u"plain");
  EXPECT_EQ(Fs_FilePart(u"C:\\data\\"), u"");
  EXPECT_EQ(Fs_FilePart(u"/data/"), u"");
  EXPECT_EQ(Fs_FilePart(u""), u"");
}

TEST(FsFilePart, QuotesBoundTheName) {
  EXPECT_EQ(Fs_FilePart(u"\"C:\\my files\\a.xyz\" -x"), u"a.xyz");
  EXPECT_EQ(Fs_FilePart(u"\"a.xyz\""), u"a.xyz");
  EXPECT_EQ(Fs_FilePart(u"\""), u"");
}

TEST(FsFilePart, DroppingTheExtension) {
  EXPECT_EQ(Fs_FilePart(u"/d/archive.tar.gz", kFilePartNoExtension), u"archive.tar");
  EXPECT_EQ(Fs_FilePart(u"/d/tile.xyz", kFilePartNoExtension), u"tile");
  EXPECT_EQ(Fs_FilePart(u"/d/.profile", kFilePartNoExtension), u".profile");
  EXPECT_EQ(Fs_FilePart(u"/d/name.", kFilePartNoExtension), u"name.");
  EXPECT_EQ(Fs_FilePart(u"/d/a.b c", kFilePartNoExtension), u"a.b c") << "a blank stops the walk";
  EXPECT_EQ(Fs_FilePart(u"/d.old/readme", kFilePartNoExtension), u"readme");
}

TEST(FsExtensionPart, Rules) {
  EXPECT_EQ(Fs_ExtensionPart(u"C:\\data\\tile.XYZ"), u"XYZ");
  EXPECT_EQ(Fs_ExtensionPart(u"archive.tar.gz"), u"gz");
  EXPECT_EQ(Fs_ExtensionPart(u"dir.old\\readme"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"dir.old/readme"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"a b.txt"), u"txt");
  EXPECT_EQ(Fs_ExtensionPart(u"a.b c"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u".profile"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"/home/.profile"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"C:\\x\\.bashrc"), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"name."), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"\"a.zip\""), u"zip");
  EXPECT_EQ(Fs_ExtensionPart(u"\"a.zip\" more"), u"") << "the blank comes first";
  EXPECT_EQ(Fs_ExtensionPart(u""), u"");
  EXPECT_EQ(Fs_ExtensionPart(u"x"), u"");
}

}  // namespace
