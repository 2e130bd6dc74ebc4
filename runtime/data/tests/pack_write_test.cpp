// Writing archives, extracting into memory and the memory compressor.
#include <gtest/gtest.h>

#include "runtime/data/pack.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

class PackWrite : public ArchiveTest {
 protected:
  using Entries = std::vector<std::pair<std::u16string, std::string>>;

  // Every entry's name and content, read back through the reader.
  Entries Contents(const std::string& zip) {
    Entries contents;
    const ObjectHandle pack = Pack_Open(KX_Any, Path16(zip));
    EXPECT_NE(pack, 0);
    EXPECT_EQ(Pack_Examine(pack), 1);
    while (Pack_NextEntry(pack)) {
      std::string data(static_cast<std::size_t>(Pack_EntrySize(pack)), '\0');
      EXPECT_EQ(Pack_ExtractToMemory(pack, data.data(), static_cast<std::int64_t>(data.size())),
                static_cast<std::int64_t>(data.size()));
      contents.emplace_back(Pack_EntryName(pack), data);
    }
    Pack_Close(pack);
    return contents;
  }
};

TEST_F(PackWrite, WrittenArchivesReadBackExactly) {
  const std::string tile = NoisyText(3 * 1024 * 1024, 7);  // more than one copy round
  WriteBytes(Path("tile.xyz"), tile);
  for (int level : {0, 1}) {
    SCOPED_TRACE(level);
    const ObjectHandle pack = Pack_Create(KX_Any, Path16("out.zip"), level);
    ASSERT_NE(pack, 0);
    EXPECT_EQ(Pack_AddFile(pack, Path16("tile.xyz"), u"Kacheln/Höhe.xyz"), 1);
    EXPECT_EQ(Pack_AddMemory(pack, "1,2,3\n", 6, u"small.xyz"), 1);
    EXPECT_EQ(Pack_AddMemory(pack, nullptr, 0, u"empty.xyz"), 1);
    Pack_Close(pack);

    const std::string bytes = ReadBytes(Path("out.zip"));
    // The name went out as UTF-8 with the flag that says so (bit 11).
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes.substr(30, 17), "Kacheln/H\xC3\xB6he.xyz");
    EXPECT_TRUE(static_cast<unsigned char>(bytes[7]) & 0x08);
    // Level 0 stores the data as it is; level 1 deflates it.
    EXPECT_EQ(bytes.find(tile.substr(1000, 200)) != std::string::npos, level == 0);

    EXPECT_EQ(
        Contents("out.zip"),
        (Entries{{u"Kacheln/Höhe.xyz", tile}, {u"small.xyz", "1,2,3\n"}, {u"empty.xyz", ""}}));
  }
  EXPECT_EQ(Files(), (std::set<std::string>{"tile.xyz", "out.zip"}));
}

TEST_F(PackWrite, TheArchiveReplacesAFileOnlyWhenComplete) {
  WriteBytes(Path("out.zip"), "old");
  const ObjectHandle pack = Pack_Create(5, Path16("out.zip"), 6);
  ASSERT_NE(pack, 0);
  EXPECT_EQ(Pack_AddMemory(5, "abc", 3, u"a.xyz"), 1);
  EXPECT_EQ(ReadBytes(Path("out.zip")), "old") << "still being written";
  Pack_Close(5);
  EXPECT_EQ(Contents("out.zip"), (Entries{{u"a.xyz", "abc"}}));

  // A folder of the same name cannot be replaced: refused at once, and
  // nothing is left behind.
  std::filesystem::create_directory(Path("folder.zip"));
  EXPECT_EQ(Pack_Create(KX_Any, Path16("folder.zip")), 0);
  Pack_Close(KX_Any);
  EXPECT_TRUE(std::filesystem::is_directory(Path("folder.zip")));
  EXPECT_EQ(Pack_Create(KX_Any, Path16("nofolder/x.zip")), 0);
  EXPECT_EQ(Pack_Create(KX_Any, u""), 0);
  EXPECT_EQ(Files(), (std::set<std::string>{"out.zip", "folder.zip"}));
}

TEST_F(PackWrite, RefusedAddsLeaveTheArchiveUsable) {
  std::filesystem::create_directory(Path("adir"));
  const ObjectHandle pack = Pack_Create(KX_Any, Path16("out.zip"));
  ASSERT_NE(pack, 0);
  EXPECT_EQ(Pack_AddFile(pack, Path16("missing.xyz"), u"m.xyz"), 0);
  EXPECT_EQ(Pack_AddFile(pack, Path16("adir"), u"d.xyz"), 0);
  EXPECT_EQ(Pack_AddMemory(pack, nullptr, 5, u"n.xyz"), 0);
  EXPECT_EQ(Pack_AddMemory(pack, "x", -1, u"n.xyz"), 0);
  EXPECT_EQ(Pack_AddMemory(pack, "x", 1, u""), 0);
  EXPECT_EQ(Pack_AddMemory(pack, "kept", 4, u"k.xyz"), 1);
  // Reading operations on an archive being written fail quietly.
  ExpectNoReading(pack);
  EXPECT_EQ(Pack_ExtractToFile(pack, Path16("x"), u"k.xyz"), -1);
  char buffer[8];
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer, 8, u"k.xyz"), -1);
  Pack_Close(pack);
  EXPECT_EQ(Contents("out.zip"), (Entries{{u"k.xyz", "kept"}}));

  // And the reverse: writing to an archive being read.
  const ObjectHandle reader = Pack_Open(KX_Any, Path16("out.zip"));
  ASSERT_NE(reader, 0);
  EXPECT_EQ(Pack_AddMemory(reader, "x", 1, u"x.xyz"), 0);
  EXPECT_EQ(Pack_AddFile(reader, Path16("out.zip"), u"x.xyz"), 0);
  EXPECT_EQ(Pack_AddMemory(777, "x", 1, u"x.xyz"), 0);
}

TEST_F(PackWrite, ExtractToMemoryReportsWhatFitsAndCatchesDamage) {
  ZipBuilder zip;
  zip.AddFile("a.xyz", "0123456789");
  zip.AddFolder("f/");
  zip.AddFile("b.xyz", NoisyText(50000, 8), ZipBuilder::kDeflated);
  std::string bytes = zip.Build();
  WriteBytes(Path("good.zip"), bytes);
  bytes[zip.DataOffset(0) + 4] = 'X';  // the CRC no longer matches
  WriteBytes(Path("bad.zip"), bytes);

  const ObjectHandle pack = Pack_Open(KX_Any, Path16("good.zip"));
  std::string buffer(20, '\0');
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 20, u"a.xyz"), 10);
  EXPECT_EQ(buffer.substr(0, 10), "0123456789");
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 4), 4) << "the current entry, cut short";
  EXPECT_EQ(buffer.substr(0, 4), "0123");
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 20, u"f/"), -1);
  EXPECT_EQ(Pack_ExtractToMemory(pack, buffer.data(), 20, u"none"), -1);
  EXPECT_EQ(Pack_ExtractToMemory(pack, nullptr, 20, u"a.xyz"), -1);
  std::string big(50000, '\0');
  EXPECT_EQ(Pack_ExtractToMemory(pack, big.data(), 50000, u"b.xyz"), 50000);
  EXPECT_EQ(big, NoisyText(50000, 8));

  const ObjectHandle bad = Pack_Open(KX_Any, Path16("bad.zip"));
  EXPECT_EQ(Pack_ExtractToMemory(bad, buffer.data(), 20, u"a.xyz"), -1);
  // A buffer exactly the entry's size must not hide the damage either.
  EXPECT_EQ(Pack_ExtractToMemory(bad, buffer.data(), 10, u"a.xyz"), -1);
}

TEST_F(PackWrite, MemoryBlocksCompressAndUncompress) {
  const std::string text = NoisyText(100000, 9);
  std::string packed(text.size() + 1000, '\0');
  const std::int64_t packedSize = Pack_CompressMemory(text.data(), 100000, packed.data(),
                                                      static_cast<std::int64_t>(packed.size()));
  ASSERT_GT(packedSize, 0);
  EXPECT_LT(packedSize, 100000);
  std::string unpacked(100000, '\0');
  EXPECT_EQ(Pack_UncompressMemory(packed.data(), packedSize, unpacked.data(), 100000), 100000);
  EXPECT_EQ(unpacked, text);

  EXPECT_EQ(Pack_CompressMemory(text.data(), 100000, packed.data(), 10), 0) << "no room";
  EXPECT_EQ(Pack_CompressMemory(text.data(), 100000, packed.data(), 200000, 42), 0) << "level";
  EXPECT_EQ(Pack_CompressMemory(nullptr, 10, packed.data(), 200000), 0);
  EXPECT_EQ(Pack_UncompressMemory(packed.data(), packedSize, unpacked.data(), 99999), -1);
  EXPECT_EQ(Pack_UncompressMemory(text.data(), 1000, unpacked.data(), 100000), -1) << "no zlib";
  EXPECT_EQ(Pack_UncompressMemory(packed.data(), packedSize / 2, unpacked.data(), 100000), -1);
  EXPECT_EQ(Pack_UncompressMemory(packed.data(), -5, unpacked.data(), 100000), -1);
  EXPECT_EQ(Pack_CompressMemory(text.data(), 10, packed.data(), 200000, 9, 42), 0) << "plugin";
}

}  // namespace
