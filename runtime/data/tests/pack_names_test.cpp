// Entry and archive names beyond ASCII, and the plugin registry.
#include <gtest/gtest.h>

#include "runtime/data/pack.h"
#include "runtime/data/pack_plugin.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using PackNames = ArchiveTest;

TEST_F(PackNames, UmlautNamesDecodeWhateverTheToolWroteThem) {
  ZipBuilder zip;
  zip.AddFile("Kacheln/Höhe ß.xyz", "1,1,1\n", ZipBuilder::kStored, true);
  zip.AddFile("Grüße.xyz", "2,2,2\n", ZipBuilder::kDeflated);  // UTF-8, no flag
  zip.AddFile("M\x81hle.xyz", "3,3,3\n");                      // IBM 437, no flag
  zip.AddFile("last.xyz", "4,4,4\n");
  zip.Write(Path("Prüfung.zip"));  // the archive's own path has an umlaut too
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("Prüfung.zip"));
  ASSERT_NE(pack, 0);
  ASSERT_EQ(Pack_Examine(pack), 1);
  // No entry ends the walk early.
  EXPECT_EQ(WalkRest(pack), (std::vector<WalkedEntry>{{u"Kacheln/Höhe ß.xyz", 0, 6},
                                                      {u"Grüße.xyz", 0, 6},
                                                      {u"Mühle.xyz", 0, 6},
                                                      {u"last.xyz", 0, 6}}));
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("a"), u"Kacheln/Höhe ß.xyz"), 6);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("b"), u"Grüße.xyz"), 6);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("c"), u"Mühle.xyz"), 6);
  EXPECT_EQ(ReadBytes(Path("c")), "3,3,3\n");
  // An umlaut in the target path.
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("ä.xyz"), u"Grüße.xyz"), 6);
  EXPECT_EQ(ReadBytes(Path("ä.xyz")), "2,2,2\n");
}

TEST_F(PackNames, NamesWithoutTheFlagThatAreNoUtf8AreIbm437) {
  struct NameCase {
    std::string stored;
    bool utf8Flag;
    std::u16string shown;
  };
  const NameCase cases[] = {
      {"H\x94he.xyz", false, u"Höhe.xyz"},  // what desktop archivers write
      {"\x8E\x99\x9A\xE1\x84\x81\x82.xyz", false, u"ÄÖÜßäüé.xyz"},
      {"\xB0\xC9\xCD\xFE\xFF.xyz", false, u"░╔═■\u00A0.xyz"},
      {"Höhe.xyz", false, u"Höhe.xyz"},  // valid UTF-8 stays UTF-8
      {"Höhe ß.xyz", true, u"Höhe ß.xyz"},
  };
  ZipBuilder zip;
  for (const NameCase& c : cases) zip.AddFile(c.stored, "1,1,1\n", ZipBuilder::kStored, c.utf8Flag);
  zip.Write(Path("437.zip"));
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("437.zip"));
  ASSERT_NE(pack, 0);
  ASSERT_EQ(Pack_Examine(pack), 1);
  for (const NameCase& c : cases) {
    ASSERT_EQ(Pack_NextEntry(pack), 1);
    EXPECT_EQ(Utf16ToUtf8(Pack_EntryName(pack)), Utf16ToUtf8(c.shown));
  }
  EXPECT_EQ(Pack_NextEntry(pack), 0);
  // The decoded name finds the entry again.
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("out"), u"Höhe.xyz"), 6);
  Pack_Close(pack);
}

// A format with nothing but open and close: every other operation must
// answer with its failure value, not crash.
int gBareCloses = 0;
int BareOpen(PackerRecord& record, const std::u16string& path) {
  if (path != u"bare") return 0;
  record.handle = new int(1);
  return 1;
}
void BareClose(PackerRecord& record) {
  delete static_cast<int*>(record.handle);
  record.handle = nullptr;
  ++gBareCloses;
}
PackerOperations MakeBare() {
  PackerOperations operations{};
  operations.close = BareClose;
  operations.openRead = BareOpen;
  return operations;
}
const PackerOperations kBare = MakeBare();

TEST_F(PackNames, PluginsAreFoundByIdAndMissingOperationsFailQuietly) {
  EXPECT_EQ(Pack_UseZip(), 1);
  Pack_RegisterPlugin(0x50001, &kBare);  // low 16 bits taken by the zip plugin: ignored
  Pack_RegisterPlugin(7, &kBare);

  ZipBuilder zip;
  zip.AddFile("a.xyz", "1,2,3\n");
  zip.Write(Path("a.zip"));
  EXPECT_NE(Pack_Open(KX_Any, Path16("a.zip"), 1), 0);
  EXPECT_NE(Pack_Open(KX_Any, Path16("a.zip"), 0x20001), 0) << "ids compare on the low 16 bits";
  EXPECT_NE(Pack_Open(KX_Any, Path16("a.zip")), 0) << "the first plugin is still the zip one";
  EXPECT_EQ(Pack_Open(KX_Any, Path16("a.zip"), 9), 0) << "no such plugin";
  EXPECT_EQ(Pack_Open(KX_Any, Path16("a.zip"), 7), 0) << "the bare plugin refuses it";

  const ObjectHandle bare = Pack_Open(4, u"bare", 7);
  ASSERT_NE(bare, 0);
  ExpectNoReading(4);
  const int closes = gBareCloses;
  Pack_Close(4);
  EXPECT_EQ(gBareCloses, closes + 1);
  Pack_Close(4);
  EXPECT_EQ(gBareCloses, closes + 1);
  EXPECT_EQ(Files(), std::set<std::string>{"a.zip"});
}

}  // namespace
