// A file that changes under the reader: cut short part way, it must not pass
// for a smaller whole file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "app/tests/core_test_support.h"
#include "app/xyz_read_pass.h"
#include "runtime/data/hash.h"

namespace {

using XyzReadFaults = CoreTest;

// The file the progress hook cuts (after the first chunk), and to how many bytes.
std::string gCutPath;
off_t gCutTo = 0;

TEST_F(XyzReadFaults, AFileCutShortWhileReadIsRefused) {
  Hash_UseMd5();
  std::string text;
  for (int i = 0; text.size() < 1000000; ++i)
    text += std::to_string(i % 1000) + "," + std::to_string(i / 1000) + ",7\n";
  const std::u16string path = Write("shrinks.xyz", text);
  gCutPath = Utf16ToUtf8(path);
  constexpr std::size_t kChunk = 64 << 10;
  gCutTo = 3 * kChunk / 2;
  XyzReadResult read;
  const XyzFigureSink cutter{[](void*, std::int64_t) {
                               if (gCutTo > 0 && truncate(gCutPath.c_str(), gCutTo) == 0) gCutTo = 0;
                             },
                             nullptr};
  EXPECT_FALSE(ReadXyzOnce(path, {XyzSeparator::kComma}, &read, &cutter, kChunk));
  EXPECT_EQ(gCutTo, 0) << "the file was cut while it was read";
  EXPECT_TRUE(read.key.empty());
  // What is left is a whole file of its own and loads.
  EXPECT_TRUE(ReadXyzOnce(path, {XyzSeparator::kComma}, &read, nullptr, kChunk));
}

}  // namespace
