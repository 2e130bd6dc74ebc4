// The registry seen from outside: content decides what is new, the walk
// order of its 512 buckets decides overlaps, and what no tile covers is black.
#include <gtest/gtest.h>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/hash.h"
#include "runtime/data/map.h"
#include "runtime/data/md5.h"
#include "runtime/data/tests/zip_builder.h"
#include "runtime/data/utf.h"

namespace {

constexpr std::uint32_t kBuckets = 512;

std::uint32_t BucketOfFile(const std::string& path) {
  Hash_UseMd5();
  const std::u16string key = Hash_File(Utf8ToUtf16(path));
  EXPECT_EQ(key.size(), 32u) << path;
  return Map_Hash(key, false) % kBuckets;
}

std::uint32_t BucketOfBytes(const std::string& bytes) {
  Md5 md5;
  md5.Add(bytes.data(), bytes.size());
  const auto digest = md5.Finish();
  static const char digits[] = "0123456789abcdef";
  std::u16string key;
  for (auto byte : digest) {
    key += static_cast<char16_t>(digits[byte >> 4]);
    key += static_cast<char16_t>(digits[byte & 15]);
  }
  return Map_Hash(key, false) % kBuckets;
}

TEST_F(BatchTest, SameContentIsLoadedOnceWhateverItsNameOrArchive) {
  const std::string first = XyzText({{10, 20, 1}, {12, 22, 2}});
  const std::string second = XyzText({{30, 20, 3}});
  const std::string third = XyzText({{40, 25, 4}});
  Write("a.xyz", first);
  Write("copy/b.xyz", first);
  ZipBuilder zip;
  zip.AddFile("c.xyz", first);
  zip.AddFile("d.xyz", second, ZipBuilder::kDeflated);
  zip.AddFile("e.xyz", second);
  zip.Write(Path("pack.zip"));
  Write("f.xyz", second);
  ZipBuilder later;
  later.AddFile("g.xyz", third);
  later.Write(Path("later.zip"));
  Write("h.xyz", third);

  const BatchResult result =
      Run({"-o", Path("out.png"), Path("a.xyz"), Path("copy/b.xyz"), Path("pack.zip"),
           Path("f.xyz"), Path("later.zip"), Path("h.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::size_t packTotal = first.size() + 2 * second.size();
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("a.xyz"),
                                          DuplicateLines("b.xyz"),
                                          DuplicateLines("c.xyz"),
                                          {PercentLine(first.size(), packTotal)},
                                          LoadedLines("d.xyz"),
                                          {PercentLine(first.size() + second.size(), packTotal)},
                                          DuplicateLines("e.xyz"),
                                          {"100%"},
                                          DuplicateLines("f.xyz"),
                                          LoadedLines("g.xyz"),
                                          {"100%"},
                                          DuplicateLines("h.xyz"),
                                          ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")),
                           {{10, 20, 1}, {12, 22, 2}, {30, 20, 3}, {40, 25, 4}}),
            "");
}

TEST_F(BatchTest, ContentDifferingOnlyPastTheFirstMebibyteIsNew) {
  // The digest reads a mebibyte at a time: both chunks must count.
  const std::string head = "10,20,5\n" + std::string((1 << 20) - 9, '#') + "\n";
  Write("one.xyz", head + "11,20,6\n");
  Write("two.xyz", head + "12,20,7\n");
  Write("three.xyz", head + "12,20,7\n");
  const BatchResult result =
      Run({"-o", Path("out.png"), Path("one.xyz"), Path("two.xyz"), Path("three.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines("one.xyz", 1), LoadedLines("two.xyz", 1),
                                          DuplicateLines("three.xyz", 1), ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{10, 20, 5}, {11, 20, 6}, {12, 20, 7}}),
            "");
}

// Two tiles share the pixel (10, 10); each has one pixel of its own. Blank
// lines at the end change the digest, and so the bucket, but no point.
std::string TileA(int padding) {
  return XyzText({{10, 10, 100}, {12, 12, 101}}) + std::string(padding, '\n');
}
std::string TileB(int padding) {
  return XyzText({{10, 10, 200}, {11, 11, 201}}) + std::string(padding, '\n');
}

// The smallest padding of A whose bucket stands to B's bucket as `relation`
// (-1 lower, 0 same, 1 higher).
int PaddingFor(int relation, std::uint32_t bucketB) {
  for (int padding = 0; padding < 100000; ++padding) {
    const std::uint32_t bucketA = BucketOfBytes(TileA(padding));
    const int got = bucketA < bucketB ? -1 : bucketA > bucketB ? 1 : 0;
    if (got == relation) return padding;
  }
  return -1;
}

TEST_F(BatchTest, OverlapIsDecidedByTheRegistryWalkNotByLoadOrder) {
  const std::uint32_t bucketB = BucketOfBytes(TileB(0));
  const struct {
    const char* label;
    int relation;
  } cases[] = {
      {"A in a higher bucket, loaded first", 1},
      {"A in a lower bucket, loaded first", -1},
      {"A in the same bucket, loaded first", 0},
  };
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const int padding = PaddingFor(c.relation, bucketB);
    ASSERT_GE(padding, 0);
    const std::string a = Write("a" + std::to_string(run) + ".xyz", TileA(padding));
    const std::string b = Write("b" + std::to_string(run) + ".xyz", TileB(0));
    const std::string out = Path("out" + std::to_string(run++) + ".png");
    const BatchResult result = Run({"-o", out, a, b});
    EXPECT_EQ(result.exitCode, 0) << result.err;

    // Buckets ascending, newest first within one: the tile drawn last wins.
    const std::uint32_t fileBucketA = BucketOfFile(a), fileBucketB = BucketOfFile(b);
    ASSERT_EQ(fileBucketB, bucketB);
    const bool aDrawnLast = fileBucketA >= fileBucketB;
    const int shared = aDrawnLast ? 100 : 200;
    EXPECT_EQ(MosaicMismatch(DecodePng(out), {{10, 10, shared}, {12, 12, 101}, {11, 11, 201}}), "")
        << "bucket of A " << fileBucketA << ", of B " << fileBucketB;
  }
}

TEST_F(BatchTest, AGapBetweenTilesIsExportedBlack) {
  // Boxes x 1..10 and 21..30, northings 1..10: columns 10 to 19 lie in no box.
  Write("west.xyz", XyzText({{1, 1, 11}, {10, 10, 12}, {5, 6, 13}}));
  Write("east.xyz", XyzText({{21, 10, 21}, {30, 1, 22}}));
  const BatchResult result = Run({"-o", Path("gap.png"), Path("west.xyz"), Path("east.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const DecodedPng png = DecodePng(Path("gap.png"));
  EXPECT_EQ(png.width, 30u);
  EXPECT_EQ(png.height, 10u);
  EXPECT_EQ(MosaicMismatch(png, {{1, 1, 11}, {10, 10, 12}, {5, 6, 13}, {21, 10, 21}, {30, 1, 22}}),
            "");
}

}  // namespace
