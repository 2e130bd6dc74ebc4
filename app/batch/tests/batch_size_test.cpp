// The size figure of the reading status: MiB rounded half away from zero.
#include <gtest/gtest.h>

#include "app/batch/tests/batch_fixture.h"

namespace {

// One point, then comment lines up to exactly `bytes`.
std::string FileOfSize(std::size_t bytes, int grey) {
  std::string text = "10,20," + std::to_string(grey) + "\n";
  const std::string filler = std::string(99, '#') + "\n";
  while (text.size() + filler.size() <= bytes) text += filler;
  if (text.size() < bytes) text += std::string(bytes - text.size() - 1, '#') + "\n";
  return text;
}

TEST_F(BatchTest, SizeFigureAtTheHalfMebibyteBorders) {
  constexpr std::size_t kMiB = 1024 * 1024;
  const struct {
    const char* name;
    std::size_t bytes;
    int figure;
  } cases[] = {
      {"tiny.xyz", 9, 0},
      {"half-less-one.xyz", kMiB / 2 - 1, 0},
      {"half.xyz", kMiB / 2, 1},
      {"one-and-half-less-one.xyz", kMiB + kMiB / 2 - 1, 1},
      {"one-and-half.xyz", kMiB + kMiB / 2, 2},
  };
  std::vector<std::string> args, expected;
  int grey = 1;
  for (const auto& c : cases) {
    const std::string bytes = FileOfSize(c.bytes, grey++);
    ASSERT_EQ(bytes.size(), c.bytes);
    args.push_back(Write(c.name, bytes));
    for (const auto& line : LoadedLines(c.name, c.figure)) expected.push_back(line);
  }
  const BatchResult result = Run(args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, JoinLines(expected));
}

}  // namespace
