#include <gtest/gtest.h>

#include "runtime/data/pack.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

const std::string kLine = "356000.00,5645000.00,123.45\n";

class PackWalk : public ArchiveTest {
 protected:
  // Made once: deflating the big entry is the slow part.
  static void SetUpTestSuite() {
    // Larger than the 2 MiB extraction buffer, so it takes several rounds.
    big_ = new std::string(NoisyText(5 * 1024 * 1024 + 17, 1));
    ZipBuilder zip;
    zip.AddFolder("tiles/");
    zip.AddFile("tiles/a.xyz", kLine);
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
    WriteBytes(Path("tiles.zip"), *zip_);
    pack = Pack_Open(KX_Any, Path16("tiles.zip"));
    ASSERT_NE(pack, 0);
  }
  // Moves `count` entries on from the start of a walk.
  void Skip(int count) {
    ASSERT_EQ(Pack_Examine(pack), 1);
    for (int i = 0; i < count; ++i) ASSERT_EQ(Pack_NextEntry(pack), 1);
  }

  static inline std::string* big_ = nullptr;
  static inline std::string* zip_ = nullptr;
  ObjectHandle pack = 0;
};

TEST_F(PackWalk, WalkReportsNamesTypesAndSizesInArchiveOrderAndRestarts) {
  const std::vector<WalkedEntry> expected = {{u"tiles/", 1, 0},
                                             {u"tiles/a.xyz", 0, 28},
                                             {u"b.xyz", 0, static_cast<std::int64_t>(big_->size())},
                                             {u"empty.xyz", 0, 0},
                                             {u"c.xyz", 0, 1000}};
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(WalkRest(pack), expected);
  // At the end there is no current entry.
  EXPECT_EQ(Pack_EntryName(pack), u"");
  EXPECT_EQ(Pack_EntryType(pack), -1);
  EXPECT_EQ(Pack_EntrySize(pack), -1);
  EXPECT_EQ(Pack_NextEntry(pack), 0);
  // Examine restarts at the first entry, also in the middle of a walk.
  Skip(2);
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(WalkRest(pack), expected);
  // Even when the walk began without it.
  const ObjectHandle again = Pack_Open(KX_Any, Path16("tiles.zip"));
  ASSERT_EQ(Pack_NextEntry(again), 1);
  ASSERT_EQ(Pack_NextEntry(again), 1);
  ASSERT_EQ(Pack_Examine(again), 1);
  ASSERT_EQ(Pack_NextEntry(again), 1);
  EXPECT_EQ(Pack_EntryName(again), u"tiles/");
}

TEST_F(PackWalk, ExtractionIsByteExactRepeatableAndReplacesTheTarget) {
  WriteBytes(Path("out0"), std::string(100000, 'x'));
  ASSERT_EQ(Pack_Examine(pack), 1);
  int files = 0;
  while (Pack_NextEntry(pack)) {
    if (Pack_EntryType(pack) != 0) continue;
    const std::string name = "out" + std::to_string(files++);
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16(name)), Pack_EntrySize(pack));
  }
  EXPECT_EQ(files, 4);
  EXPECT_EQ(ReadBytes(Path("out0")), kLine);
  EXPECT_EQ(ReadBytes(Path("out1")), *big_);
  EXPECT_TRUE(std::filesystem::exists(Path("out2")));
  EXPECT_EQ(ReadBytes(Path("out2")), "");
  EXPECT_EQ(ReadBytes(Path("out3")), NoisyText(1000, 2));
  // Only the targets were written: no leftovers beside them.
  EXPECT_EQ(Files(), (std::set<std::string>{"tiles.zip", "out0", "out1", "out2", "out3"}));

  // The current entry twice; the walk goes on from the same place.
  Skip(3);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("first")), static_cast<std::int64_t>(big_->size()));
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("second")), static_cast<std::int64_t>(big_->size()));
  EXPECT_EQ(ReadBytes(Path("second")), *big_);
  ASSERT_EQ(Pack_NextEntry(pack), 1);
  EXPECT_EQ(Pack_EntryName(pack), u"empty.xyz");
}

TEST_F(PackWalk, ExtractByNameFindsTheEntryAndMakesItCurrent) {
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

TEST_F(PackWalk, FoldersMissingEntriesAndBadTargetsExtractNothing) {
  ASSERT_EQ(Pack_Examine(pack), 1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("none")), -1) << "no current entry yet";
  Skip(1);
  ASSERT_EQ(Pack_EntryType(pack), 1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("folder")), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("folder"), u"tiles/"), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("missing"), u"nothere.xyz"), -1);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("case"), u"B.XYZ"), -1) << "names match exactly";
  // The converter's case: an entry inside a folder the temp dir lacks.
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("tiles/a.xyz"), u"tiles/a.xyz"), -1);
  std::filesystem::create_directory(Path("adir"));
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("adir"), u"tiles/a.xyz"), -1);
  EXPECT_TRUE(std::filesystem::is_empty(Path("adir")));
  EXPECT_EQ(Pack_ExtractToFile(pack, u"", u"tiles/a.xyz"), -1);
  // A NUL would cut the path short and name another file.
  const std::u16string cut = Path16("cut") + std::u16string(1, u'\0') + u"x";
  EXPECT_EQ(Pack_ExtractToFile(pack, cut, u"tiles/a.xyz"), -1);
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
  EXPECT_EQ(Pack_Open(3, Path16("missing.zip")), 0);
  EXPECT_EQ(Pack_Examine(3), 0) << "a failed open still frees the number";

  const ObjectHandle b = Pack_Open(KX_Any, Path16("other.zip"));
  EXPECT_NE(Pack_Open(20, Path16("other.zip")), 0) << "beyond the first 16 slots";
  ASSERT_NE(b, 0);
  EXPECT_NE(pack, b);
  Pack_Close(pack);
  EXPECT_EQ(Pack_Examine(pack), 0);
  Pack_Close(pack);  // twice is harmless
  EXPECT_EQ(Pack_Examine(b), 1);
  Pack_Close(KX_Any);
  EXPECT_EQ(Pack_Examine(b), 0);
  EXPECT_EQ(Pack_Examine(20), 0);
}

TEST_F(PackWalk, EmptyArchiveAndFolderOnlyArchive) {
  ZipBuilder().Write(Path("empty.zip"));
  const ObjectHandle empty = Pack_Open(KX_Any, Path16("empty.zip"));
  ASSERT_NE(empty, 0);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Pack_Examine(empty), 1);
    EXPECT_EQ(Pack_NextEntry(empty), 0);
  }
  EXPECT_EQ(Pack_ExtractToFile(empty, Path16("x")), -1);
  EXPECT_FALSE(std::filesystem::exists(Path("x")));

  ZipBuilder folders;
  folders.AddFolder("a/");
  folders.AddFolder("a/b/");
  folders.Write(Path("folders.zip"));
  const ObjectHandle only = Pack_Open(KX_Any, Path16("folders.zip"));
  ASSERT_EQ(Pack_Examine(only), 1);
  EXPECT_EQ(WalkRest(only), (std::vector<WalkedEntry>{{u"a/", 1, 0}, {u"a/b/", 1, 0}}));
}

}  // namespace
