#include <gtest/gtest.h>

#include "runtime/data/pack.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

// Every archive test opens with the first registered plugin, so the zip
// plugin must come first, before any test registers another.
const int kZipRegistered = Pack_UseZip();

class PackWalk : public ArchiveTest {
 protected:
  // Made once: deflating the big entry is the slow part.
  static void SetUpTestSuite() {
    // Larger than the 2 MiB extraction buffer, so it takes several rounds.
    big_ = new std::string(NoisyText(5 * 1024 * 1024 + 17, 1));
    ZipBuilder zip;
    zip.AddFolder("tiles/");
    zip.AddFile("tiles/a.xyz", "356000.00,5645000.00,123.45\n");
    zip.AddFile("b.xyz", *big_, ZipBuilder::kDeflated);
    zip.AddFile("empty.xyz", "");
    zip.AddFile("c.xyz", NoisyText(1000, 2), ZipBuilder::kDeflated);
    zip_ = new std::string(zip.Build());
  }
  static void TearDownTestSuite() {
    delete big_;
    delete zip_;
  }

  void SetUp() override {
    ArchiveTest::SetUp();
    ASSERT_EQ(kZipRegistered, 1);
    WriteBytes(Path("tiles.zip"), *zip_);
  }

  static inline std::string* big_ = nullptr;
  static inline std::string* zip_ = nullptr;
};

TEST_F(PackWalk, WalkReportsNamesTypesAndSizesInArchiveOrder) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_NE(pack, 0);
  ASSERT_EQ(Pack_Examine(pack), 1);
  const std::vector<WalkedEntry> expected = {{u"tiles/", 1, 0},
                                             {u"tiles/a.xyz", 0, 28},
                                             {u"b.xyz", 0, static_cast<std::int64_t>(big_->size())},
                                             {u"empty.xyz", 0, 0},
                                             {u"c.xyz", 0, 1000}};
  EXPECT_EQ(WalkRest(pack), expected);
  // At the end there is no current entry.
  EXPECT_EQ(Pack_EntryName(pack), u"");
  EXPECT_EQ(Pack_EntryType(pack), -1);
  EXPECT_EQ(Pack_EntrySize(pack), -1);
  EXPECT_EQ(Pack_NextEntry(pack), 0);

  // Examine again restarts at the first entry, as often as asked.
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(WalkRest(pack), expected);
  ASSERT_EQ(Pack_Examine(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_Examine(pack), 1) << "restart in the middle of a walk";
  EXPECT_EQ(WalkRest(pack), expected);
}

TEST_F(PackWalk, ExamineRestartsEvenWhenTheWalkBeganWithoutIt) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_Examine(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  EXPECT_EQ(Pack_EntryName(pack), u"tiles/");
}

TEST_F(PackWalk, ExtractionIsByteExactForStoredAndDeflatedEntries) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_Examine(pack), 1);
  int files = 0;
  while (Pack_NextEntry(pack)) {
    if (Pack_EntryType(pack) != 0) continue;
    const std::string name = "out" + std::to_string(files++);
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16(name)), Pack_EntrySize(pack));
  }
  EXPECT_EQ(files, 4);
  EXPECT_EQ(ReadBytes(Path("out0")), "356000.00,5645000.00,123.45\n");
  EXPECT_EQ(ReadBytes(Path("out1")), *big_);
  EXPECT_TRUE(std::filesystem::exists(Path("out2")));
  EXPECT_EQ(ReadBytes(Path("out2")), "");
  EXPECT_EQ(ReadBytes(Path("out3")), NoisyText(1000, 2));
  // Only the targets were written: no leftovers beside them.
  EXPECT_EQ(Files(), (std::set<std::string>{"tiles.zip", "out0", "out1", "out2", "out3"}));
}

TEST_F(PackWalk, FolderEntriesAndMissingEntriesExtractNothing) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("none")), -1) << "no current entry yet";
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_EntryType(pack), 1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("folder")), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("folder"), u"tiles/"), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("missing"), u"nothere.xyz"), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("case"), u"B.XYZ"), -1) << "names match exactly";
  EXPECT_EQ(Files(), std::set<std::string>{"tiles.zip"});
}

TEST_F(PackWalk, ExtractByNameFindsTheEntryAndMakesItCurrent) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_Examine(pack), 1);
  WalkRest(pack);  // the lookup must work from the end of a walk as well
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("found"), u"c.xyz"), 1000);
  EXPECT_EQ(ReadBytes(Path("found")), NoisyText(1000, 2));
  EXPECT_EQ(Pack_EntryName(pack), u"c.xyz");
  // An entry before the current one is found too (the walk restarts).
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("a"), u"tiles/a.xyz"), 28);
  EXPECT_EQ(Pack_EntryName(pack), u"tiles/a.xyz");
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  EXPECT_EQ(Pack_EntryName(pack), u"b.xyz");
}

TEST_F(PackWalk, TheCurrentEntryCanBeExtractedTwice) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_Examine(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  ASSERT_EQ(Pack_EntryName(pack), u"b.xyz");
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("first")), static_cast<std::int64_t>(big_->size()));
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("second")), static_cast<std::int64_t>(big_->size()));
  EXPECT_EQ(ReadBytes(Path("second")), *big_);
  // The walk goes on from the same place.
  EXPECT_EQ(Pack_EntryName(pack), u"b.xyz");
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  EXPECT_EQ(Pack_EntryName(pack), u"empty.xyz");
}

TEST_F(PackWalk, ExtractionReplacesAnExistingTarget) {
  WriteBytes(Path("target"), std::string(100000, 'x'));
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_ExtractToFile(pack, Path16("target"), u"tiles/a.xyz"), 28);
  EXPECT_EQ(ReadBytes(Path("target")), "356000.00,5645000.00,123.45\n");
}

TEST_F(PackWalk, TargetsThatCannotBeWrittenFailWithoutCreatingAnything) {
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("tiles.zip"));
  // The converter's case: an entry inside a folder the temp dir lacks.
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("tiles/a.xyz"), u"tiles/a.xyz"), -1);
  EXPECT_FALSE(std::filesystem::exists(Path("tiles")));
  std::filesystem::create_directory(Path("adir"));
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("adir"), u"tiles/a.xyz"), -1);
  EXPECT_TRUE(std::filesystem::is_directory(Path("adir")));
  EXPECT_TRUE(std::filesystem::is_empty(Path("adir")));
  EXPECT_EQ(Pack_ExtractToFile(pack, u"", u"tiles/a.xyz"), -1);
  // A NUL would cut the path short and name another file.
  EXPECT_EQ(
      Pack_ExtractToFile(pack, Path16("cut") + std::u16string(1, u'\0') + u"x", u"tiles/a.xyz"),
      -1);
  EXPECT_EQ(Files(), (std::set<std::string>{"tiles.zip", "adir"}));
}

TEST_F(PackWalk, FixedNumbersAreReusedAndCloseAllEndsEveryArchive) {
  ZipBuilder other;
  other.AddFile("only.xyz", "1,2,3\n");
  other.Write(Path("other.zip"));

  EXPECT_NE(Pack_Open(3, Path16("tiles.zip")), 0);
  ASSERT_EQ(Pack_Examine(3), 1);
  ASSERT_EQ(Pack_NextEntry(3), 1);
  // Opening a live number closes the old archive first.
  EXPECT_NE(Pack_Open(3, Path16("other.zip")), 0);
  EXPECT_EQ(Pack_EntryName(3), u"") << "a fresh archive has no current entry";
  ASSERT_EQ(Pack_Examine(3), 1);
  EXPECT_EQ(WalkRest(3), (std::vector<WalkedEntry>{{u"only.xyz", 0, 6}}));
  // A failed open still frees the number.
  EXPECT_EQ(Pack_Open(3, Path16("missing.zip")), 0);
  EXPECT_EQ(Pack_Examine(3), 0);

  const ObjectHandle a = Pack_Open(KX_Any, Path16("tiles.zip"));
  const ObjectHandle b = Pack_Open(KX_Any, Path16("other.zip"));
  EXPECT_NE(Pack_Open(20, Path16("other.zip")), 0) << "beyond the first 16 slots";
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  Pack_Close(a);
  EXPECT_EQ(Pack_Examine(a), 0);
  Pack_Close(a);  // twice is harmless
  EXPECT_EQ(Pack_Examine(b), 1);
  Pack_Close(KX_Any);
  EXPECT_EQ(Pack_Examine(b), 0);
  EXPECT_EQ(Pack_Examine(20), 0);
}

TEST_F(PackWalk, EmptyArchiveAndFolderOnlyArchive) {
  ZipBuilder().Write(Path("empty.zip"));
  const ObjectHandle empty = Pack_Open(KX_Any, Path16("empty.zip"));
  ASSERT_NE(empty, 0);
  EXPECT_EQ(Pack_Examine(empty), 1);
  EXPECT_EQ(Pack_NextEntry(empty), 0);
  EXPECT_EQ(Pack_Examine(empty), 1);
  EXPECT_EQ(Pack_NextEntry(empty), 0);
  EXPECT_EQ(Pack_ExtractToFile(empty, Path16("x")), -1);

  ZipBuilder folders;
  folders.AddFolder("a/");
  folders.AddFolder("a/b/");
  folders.Write(Path("folders.zip"));
  const ObjectHandle pack = Pack_Open(KX_Any, Path16("folders.zip"));
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(WalkRest(pack), (std::vector<WalkedEntry>{{u"a/", 1, 0}, {u"a/b/", 1, 0}}));
  EXPECT_FALSE(std::filesystem::exists(Path("x")));
}

}  // namespace
