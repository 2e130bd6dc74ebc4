// Archives and handles that are wrong in every way the converter may meet.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "runtime/data/pack.h"
#include "runtime/data/tests/file_size_limit.h"
#include "runtime/data/tests/pack_test_util.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

class PackDamage : public ArchiveTest {
 protected:
  // Walks to entry `name` and extracts it to `target`.
  std::int64_t ExtractNamed(const std::string& zip, const std::u16string& name,
                            const std::string& target) {
    const ObjectHandle pack = Pack_Open(KX_Any, Path16(zip));
    if (!pack) return -2;
    const std::int64_t result = Pack_ExtractToFile(pack, Path16(target), name);
    Pack_Close(pack);
    return result;
  }
};

TEST_F(PackDamage, UnknownNumbersGiveTheFailureValues) {
  for (ObjectHandle number : {ObjectHandle{0}, ObjectHandle{5}, ObjectHandle{1000},
                              ObjectHandle{123456789}, ObjectHandle{-7}}) {
    ExpectNoReading(number);
    Pack_Close(number);
  }
  EXPECT_EQ(Files(), std::set<std::string>{});
}

TEST_F(PackDamage, FilesThatAreNoZipArchiveDoNotOpen) {
  EXPECT_EQ(Pack_Open(KX_Any, Path16("missing.zip")), 0);
  EXPECT_EQ(Pack_Open(KX_Any, u""), 0);
  WriteBytes(Path("text.zip"), "356000.00,5645000.00,123.45\n");
  EXPECT_EQ(Pack_Open(KX_Any, Path16("text.zip")), 0);
  WriteBytes(Path("zero.zip"), "");
  EXPECT_EQ(Pack_Open(KX_Any, Path16("zero.zip")), 0);
  EXPECT_EQ(Pack_Open(KX_Any, Utf8ToUtf16(dir_.string())), 0) << "a folder";
  // A gzip stream: no other format or filter is enabled.
  WriteBytes(Path("gz.zip"), std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10));
  EXPECT_EQ(Pack_Open(KX_Any, Path16("gz.zip")), 0);
  EXPECT_EQ(Pack_Open(2, Path16("text.zip")), 0);
  EXPECT_EQ(Pack_Examine(2), 0);
}

TEST_F(PackDamage, DamagedBodiesFailAndLeaveNoFile) {
  ZipBuilder zip;
  zip.AddFile("stored.xyz", NoisyText(4000, 3));
  zip.AddFile("deflated.xyz", NoisyText(300000, 4), ZipBuilder::kDeflated);
  zip.AddFile("intact.xyz", "1,2,3\n");
  std::string bytes = zip.Build();
  WriteBytes(Path("good.zip"), bytes);

  // Stored: one changed byte is caught by the CRC.
  std::string badCrc = bytes;
  badCrc[zip.DataOffset(0) + 2000] ^= 0x01;
  WriteBytes(Path("crc.zip"), badCrc);
  // Deflated: garbage in the middle of the compressed stream.
  std::string badDeflate = bytes;
  for (std::size_t i = 0; i < 64; ++i)
    badDeflate[zip.DataOffset(1) + zip.DataSize(1) / 2 + i] ^= 0x5A;
  WriteBytes(Path("deflate.zip"), badDeflate);

  EXPECT_EQ(ExtractNamed("good.zip", u"stored.xyz", "s"), 4000);
  EXPECT_EQ(ExtractNamed("good.zip", u"deflated.xyz", "d"), 300000);
  EXPECT_EQ(ExtractNamed("crc.zip", u"stored.xyz", "crc-out"), -1);
  EXPECT_EQ(ExtractNamed("deflate.zip", u"deflated.xyz", "deflate-out"), -1);
  // A damaged entry does not spoil its neighbours.
  EXPECT_EQ(ExtractNamed("deflate.zip", u"intact.xyz", "intact-out"), 6);
  EXPECT_EQ(ReadBytes(Path("intact-out")), "1,2,3\n");

  // An existing target survives a failed extraction unchanged.
  WriteBytes(Path("keep"), "old content");
  EXPECT_EQ(ExtractNamed("deflate.zip", u"deflated.xyz", "keep"), -1);
  EXPECT_EQ(ReadBytes(Path("keep")), "old content");

  EXPECT_EQ(Files(), (std::set<std::string>{"good.zip", "crc.zip", "deflate.zip", "s", "d",
                                            "intact-out", "keep"}));
}

TEST_F(PackDamage, TruncatedArchivesNeverYieldPartialFiles) {
  ZipBuilder zip;
  zip.AddFile("first.xyz", NoisyText(5000, 5));
  zip.AddFile("second.xyz", NoisyText(200000, 6), ZipBuilder::kDeflated);
  const std::string bytes = zip.Build();
  // Cut inside the second entry's data, inside the directory at the end, ...
  const std::size_t cuts[] = {zip.DataOffset(1) + zip.DataSize(1) / 2, bytes.size() - 30,
                              zip.DataOffset(0) + 10, 3};
  for (std::size_t cut : cuts) {
    SCOPED_TRACE(cut);
    WriteBytes(Path("cut.zip"), bytes.substr(0, cut));
    const ObjectHandle pack = Pack_Open(KX_Any, Path16("cut.zip"));
    ASSERT_TRUE(pack != 0 || cut != cuts[0]) << "the entries before the cut are readable";
    if (pack == 0) continue;  // refused outright: fine
    ASSERT_EQ(Pack_Examine(pack), 1);
    int extracted = 0;
    for (int index = 0; Pack_NextEntry(pack); ++index) {
      const std::string target = "out" + std::to_string(index);
      const std::int64_t written = Pack_ExtractToFile(pack, Path16(target));
      if (written < 0) {
        EXPECT_EQ(written, -1);
        EXPECT_FALSE(std::filesystem::exists(Path(target)));
      } else {
        // Whatever is extracted is complete and correct.
        ++extracted;
        EXPECT_EQ(written, Pack_EntrySize(pack));
        EXPECT_EQ(ReadBytes(Path(target)),
                  Pack_EntryName(pack) == u"first.xyz" ? NoisyText(5000, 5) : NoisyText(200000, 6));
      }
    }
    EXPECT_TRUE(extracted == 1 || cut != cuts[0]) << extracted;
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16("after-end")), -1);
    Pack_Close(pack);
    for (const auto& name : Files()) std::filesystem::remove(Path(name));
  }
}

TEST_F(PackDamage, AFullDiskFailsExtractionAndWritingWithoutHarm) {
  const std::string big = NoisyText(3 * 1024 * 1024, 10);
  ZipBuilder zip;
  zip.AddFile("big.xyz", big, ZipBuilder::kDeflated);
  zip.Write(Path("in.zip"));
  WriteBytes(Path("big.xyz"), big);
  WriteBytes(Path("target"), "old target");
  WriteBytes(Path("out.zip"), "old archive");

  const ObjectHandle reader = Pack_Open(KX_Any, Path16("in.zip"));
  ASSERT_NE(reader, 0);
  {
    FileSizeLimit limit(1024 * 1024);
    EXPECT_EQ(Pack_ExtractToFile(reader, Path16("target"), u"big.xyz"), -1);
    const ObjectHandle writer = Pack_Create(KX_Any, Path16("out.zip"), 0);
    ASSERT_NE(writer, 0);
    EXPECT_EQ(Pack_AddFile(writer, Path16("big.xyz"), u"big.xyz"), 0);
    EXPECT_EQ(Pack_AddMemory(writer, "x", 1, u"after.xyz"), 0) << "the archive is spoilt";
    Pack_Close(writer);
  }
  EXPECT_EQ(ReadBytes(Path("target")), "old target");
  EXPECT_EQ(ReadBytes(Path("out.zip")), "old archive");
  EXPECT_EQ(Files(), (std::set<std::string>{"in.zip", "big.xyz", "target", "out.zip"}));
  // With room again the same calls succeed.
  EXPECT_EQ(Pack_ExtractToFile(reader, Path16("target"), u"big.xyz"), 3 * 1024 * 1024);
  EXPECT_EQ(ReadBytes(Path("target")), big);
}

}  // namespace
