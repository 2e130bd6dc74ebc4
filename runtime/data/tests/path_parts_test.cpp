#include <gtest/gtest.h>

#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

namespace {

// Both separators split; quotes bound the name; a blank stops the walk for
// the extension; a leading dot is no extension.
// clang-format off
TEST(FsPathParts, NameNameWithoutExtensionAndExtension) {
  const struct { std::u16string path, name, stem, extension; } cases[] = {
      {u"C:\\data\\tile.XYZ", u"tile.XYZ", u"tile", u"XYZ"},
      {u"/home/u/tile.xyz", u"tile.xyz", u"tile", u"xyz"},
      {u"a/b\\c.txt", u"c.txt", u"c", u"txt"}, {u"plain", u"plain", u"plain", u""},
      {u"C:\\data\\", u"", u"", u""}, {u"/data/", u"", u"", u""}, {u"", u"", u"", u""},
      {u"\"C:\\my files\\a.xyz\" -x", u"a.xyz", u"a", u""}, {u"\"a.zip\"", u"a.zip", u"a", u"zip"},
      {u"\"", u"", u"", u""}, {u"/d/archive.tar.gz", u"archive.tar.gz", u"archive.tar", u"gz"},
      {u"/d/.profile", u".profile", u".profile", u""},
      {u"C:\\x\\.bashrc", u".bashrc", u".bashrc", u""},
      {u"/d/name.", u"name.", u"name.", u""}, {u"/d/a.b c", u"a.b c", u"a.b c", u""},
      {u"a b.txt", u"a b.txt", u"a b", u"txt"}, {u"/d.old/readme", u"readme", u"readme", u""},
      {u"dir.old\\readme", u"readme", u"readme", u""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path));
    EXPECT_EQ(Fs_FilePart(c.path), c.name);
    EXPECT_EQ(Fs_FilePart(c.path, kFilePartNoExtension), c.stem);
    EXPECT_EQ(Fs_ExtensionPart(c.path), c.extension);
  }
}
// clang-format on

}  // namespace
