// The logical position under every mix of reads, writes and seeks, and the
// difference between the end of a file and a read that failed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/data/file.h"
#include "runtime/data/tests/temp_file.h"

namespace {

// Random reads, line reads, writes and seeks against a model of the bytes:
// the position (kept without asking the system) and the data must agree
// with the model after every step, across buffer refills and direct I/O.
TEST(FilePosition, FollowsEveryOperation) {
  std::mt19937 random(1234);
  for (int round = 0; round < 20; ++round) {
    std::string model(static_cast<std::size_t>(random() % 20000), 'x');
    for (char& c : model) c = static_cast<char>('a' + random() % 26);
    TempFile temp(model);
    const ObjectHandle f = File_Open(KX_Any, temp.path());
    ASSERT_NE(f, 0);
    std::size_t pos = 0;
    for (int step = 0; step < 200; ++step) {
      const std::size_t n = random() % 3 == 0 ? random() % 9000 : random() % 50;
      switch (random() % 4) {
        case 0: {  // data read
          std::string got(n, '\0');
          const auto read = static_cast<std::size_t>(File_ReadData(f, got.data(), n));
          ASSERT_EQ(read, std::min(n, model.size() - pos));
          ASSERT_EQ(got.substr(0, read), model.substr(pos, read));
          pos += read;
          break;
        }
        case 1: {  // line read: no line ends in the model, so it runs to the end
          if (random() % 8 != 0) break;
          const std::u16string line = File_ReadLine(f);
          ASSERT_EQ(line.size(), model.size() - pos);
          pos = model.size();
          break;
        }
        case 2: {  // write
          const std::string bytes(n, static_cast<char>('A' + random() % 26));
          ASSERT_EQ(File_WriteData(f, bytes.data(), static_cast<std::int64_t>(n)),
                    static_cast<std::int64_t>(n));
          if (pos + n > model.size()) model.resize(pos + n);
          model.replace(pos, n, bytes);
          pos += n;
          break;
        }
        default: {  // seek
          pos = model.empty() ? 0 : random() % (model.size() + 1);
          ASSERT_NE(File_Seek(f, static_cast<std::int64_t>(pos)), 0);
        }
      }
      ASSERT_EQ(File_Position(f), static_cast<std::int64_t>(pos)) << "round " << round;
    }
    ASSERT_EQ(File_Length(f), static_cast<std::int64_t>(model.size()));
    File_Close(f);
    ASSERT_EQ(temp.Read(), model);
  }
}

TEST(FileError, TellsAFailedReadFromTheEnd) {
  TempFile whole("1,2,3\n4,5,6\n");
  const ObjectHandle ok = File_OpenRead(KX_Any, whole.path());
  ASSERT_NE(ok, 0);
  while (!File_AtEnd(ok)) File_ReadLine(ok);
  EXPECT_EQ(File_Error(ok), 0) << "the end of a file is no error";
  File_Close(ok);

  // Reading a process's memory at address 0 fails with an I/O error: the
  // same as a bad sector in the middle of a tile.
  const ObjectHandle bad = File_OpenRead(KX_Any, u"/proc/self/mem");
  ASSERT_NE(bad, 0);
  EXPECT_EQ(File_Error(bad), 0);
  EXPECT_EQ(File_ReadLine(bad), u"");
  EXPECT_EQ(File_AtEnd(bad), 1) << "a failed read still reads as the end";
  EXPECT_EQ(File_Error(bad), 1);
  char data[10000];
  EXPECT_EQ(File_ReadData(bad, data, sizeof data), 0);
  EXPECT_EQ(File_Error(bad), 1) << "the error stays";
  File_Close(bad);

  const ObjectHandle direct = File_OpenRead(KX_Any, u"/proc/self/mem");
  ASSERT_NE(direct, 0);
  EXPECT_EQ(File_ReadData(direct, data, sizeof data), 0) << "a read past the buffer";
  EXPECT_EQ(File_Error(direct), 1);
  File_Close(direct);
  EXPECT_EQ(File_Error(direct), 0) << "unknown file";
}

}  // namespace
