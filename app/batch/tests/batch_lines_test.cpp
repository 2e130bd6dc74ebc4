// How single lines become points, seen in the exported PNG: each case is a
// file holding the line under test and one anchor point, so that a rejected
// line leaves a 1 x 1 mosaic of the anchor and an accepted one widens it.
#include <gtest/gtest.h>

#include "app/batch/tests/batch_fixture.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using namespace std::string_literals;

class BatchLines : public BatchTest {
 protected:
  // Loads one file and exports it; the decoded PNG.
  DecodedPng LoadAndExport(const std::string& name, const std::string& bytes) {
    Write(name, bytes);
    const BatchResult result = Run({"-o", Path("out.png"), Path(name)});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, JoinLines(Concat({LoadedLines(name), ExportedLines()})));
    return DecodePng(Path("out.png"));
  }
};

const Pt kAnchor{400, 900, 77};

struct LineCase {
  const char* line;
  bool accepted;
  std::int64_t x, y;  // y as the reader makes it: the negated northing
  int grey;
};

TEST_F(BatchLines, EachLineGivesThePointOfItsFieldsOrNone) {
  const LineCase cases[] = {
      {"356.7,845.2,95.9", true, 356, -845, 95},
      {"-12.5,-3.9,0", true, -12, 3, 0},
      {"0,845,10", false, 0, -845, 10},
      {"356,0,10", false, 356, 0, 10},
      {"x,y,z", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      {"356 845 95", false, 356, 0, 0},
      {"356,845,256", true, 356, -845, 0},
      {"356,845,300", true, 356, -845, 44},
      {"356,845,-1", true, 356, -845, 255},
      {"356, 845 ,95", true, 356, -845, 95},
      {"$10,%11,5", true, 16, -3, 5},
      {"\t356,\t845,7", true, 356, -845, 7},
      {"356,845,95,1,2", true, 356, -845, 95},
      {"356;845;95", false, 356, 0, 0},
      {"+356,+845,+9", true, 356, -845, 9},
      {"- 356,845,9", false, 0, -845, 9},
      {"1e3,845,9", true, 1, -845, 9},
      {"356,845", true, 356, -845, 0},
      {"356,845,$1FF", true, 356, -845, 255},
      {"18446744073709551617,845,3", true, 1, -845, 3},
      {"356,845,9.99", true, 356, -845, 9},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("line \"") + c.line + "\"");
    const std::string name = "row" + std::to_string(index++) + ".xyz";
    const DecodedPng png = LoadAndExport(name, std::string(c.line) + "\n" + XyzText({kAnchor}));
    std::vector<Pt> expected;
    if (c.accepted) expected.push_back({c.x, -c.y, c.grey});
    expected.push_back(kAnchor);
    EXPECT_EQ(MosaicMismatch(png, expected), "");
  }
}

TEST_F(BatchLines, LfCrLfAndLoneCrEndLinesAlike) {
  const std::vector<Pt> points = {{10, 20, 1}, {11, 21, 2}, {12, 22, 3}};
  const struct {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"lf", XyzText(points, "\n")},
      {"crlf", XyzText(points, "\r\n")},
      {"cr", XyzText(points, "\r")},
      {"crlf-without-last-end", "10,20,1\r\n11,21,2\r\n12,22,3"},
      {"mixed", "10,20,1\r11,21,2\n12,22,3\r\n"},
      {"blank-crlf-lines-between", "\r\n10,20,1\r\n\r\n11,21,2\r\r12,22,3\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const DecodedPng png = LoadAndExport(std::string(c.label) + ".xyz", c.bytes);
    EXPECT_EQ(MosaicMismatch(png, points), "");
  }
}

TEST_F(BatchLines, ByteOrderMarkSpoilsOnlyTheFirstLine) {
  Write("bom.xyz",
        "\xEF\xBB\xBF"
        "10,20,1\n11,21,2\n");
  Write("bom-only.xyz",
        "\xEF\xBB\xBF"
        "10,20,1\n");
  const BatchResult result = Run({"-o", Path("out.png"), Path("bom.xyz"), Path("bom-only.xyz")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(
      result.out,
      JoinLines(Concat({LoadedLines("bom.xyz"), FailedLines("bom-only.xyz"), ExportedLines()})));
  EXPECT_EQ(MosaicMismatch(DecodePng(Path("out.png")), {{11, 21, 2}}), "");
}

TEST_F(BatchLines, ZeroByteEndsALine) {
  // Read as one line each, the first pair would lose the point 11,21,6.
  const DecodedPng png = LoadAndExport("nul.xyz",
                                       "10,20,5\0"
                                       "11,21,6\n"
                                       "12,22\0"
                                       "9\n"s);
  EXPECT_EQ(MosaicMismatch(png, {{10, 20, 5}, {11, 21, 6}, {12, 22, 0}}), "");
}

TEST_F(BatchLines, MalformedUtf8IsReadAsTheLineReaderReadsIt) {
  // A broken sequence ends at the byte that broke it, so a line feed behind a
  // stray lead byte still ends the line (the two lines are never joined); a
  // stray continuation byte becomes "?".
  const struct {
    const char* label;
    std::string bytes;
    std::vector<Pt> points;
  } cases[] = {
      {"two-byte lead before LF", "5,5,1\xC3\n356,845,9\n", {{5, 5, 1}, {356, 845, 9}}},
      {"four-byte lead before LF", "1,1,1\xF0\n2,2,2\n", {{1, 1, 1}, {2, 2, 2}}},
      {"stray continuation byte",
       "\x80"
       "356,845,9\n",
       {}},
      {"valid sequence", "356,845,9\xC3\xA4\n", {{356, 845, 9}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const DecodedPng png =
        LoadAndExport(std::string(c.label) + ".xyz", c.bytes + XyzText({kAnchor}));
    EXPECT_EQ(MosaicMismatch(png, Concat({c.points, {kAnchor}})), "");
  }
}

TEST_F(BatchLines, LongLinesAreReadWhole) {
  const std::string bytes =
      "356,845,95," + std::string(10000, 'x') + "\n" + std::string(6000, ' ') + "357,846,96\n";
  EXPECT_EQ(MosaicMismatch(LoadAndExport("long.xyz", bytes), {{356, 845, 95}, {357, 846, 96}}), "");
}

TEST_F(BatchLines, LaterPointOnTheSamePixelWins) {
  const DecodedPng png = LoadAndExport("same.xyz", "10,20,5\n10.9,20.9,6\n11,21,7\n");
  EXPECT_EQ(MosaicMismatch(png, {{10, 20, 5}, {10, 20, 6}, {11, 21, 7}}), "");
}

TEST_F(BatchLines, NonAsciiNamesAreWrittenInUtf8) {
  const std::string name = "H\xC3\xB6he \xC3\x9F.xyz";
  Write("\xC3\x84rger/" + name, "10,20,5\n");
  ZipBuilder zip;
  zip.AddFile("\xC3\xA4/" + name, "11,20,6\n", ZipBuilder::kStored, true);
  zip.Write(
      Path("\xC3\x84rger/P\xC3\xA4"
           "ckchen.zip"));
  const BatchResult result =
      Run({"-o", Path("\xC3\x84rger/\xC3\xB6.png"), Path("\xC3\x84rger/" + name),
           Path("\xC3\x84rger/P\xC3\xA4"
                "ckchen.zip")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            JoinLines(Concat({LoadedLines(name), LoadedLines(name), {"100%"}, ExportedLines()})));
  EXPECT_EQ(
      MosaicMismatch(DecodePng(Path("\xC3\x84rger/\xC3\xB6.png")), {{10, 20, 5}, {11, 20, 6}}), "");
}

}  // namespace
