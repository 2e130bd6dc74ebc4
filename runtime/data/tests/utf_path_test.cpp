// File names that are not UTF-8 survive the runtime's UTF-16 paths, and the
// system sees the very bytes it gave; texts show them as U+FFFD.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>

#include "runtime/data/file.h"
#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

namespace {

TEST(UtfPathTest, EveryByteStringRoundTrips) {
  const std::string cases[] = {
      "lat\xE4in.xyz",          // Latin-1
      "caf\xC3\xA9.xyz",        // valid UTF-8 stays as it is
      "\xED\xB2\x80",           // a surrogate written as UTF-8 is no valid sequence
      "\xE4\xBF",               // a sequence cut short at the end
      "\xF0\x9F\x98\x80 \xC0\xAF \xFF",  // a valid pair beside an overlong form and a bad lead
  };
  for (const std::string& bytes : cases) EXPECT_EQ(PathToSystem(PathFromSystem(bytes)), bytes);
  EXPECT_EQ(PathFromSystem("lat\xE4in"), u"lat\xDCE4in");
  EXPECT_EQ(PathFromSystem("caf\xC3\xA9"), u"caf\u00E9");
  EXPECT_EQ(PathForDisplay(PathFromSystem("lat\xE4in")), u"lat\uFFFDin");
  EXPECT_EQ(Utf16ToUtf8(PathFromSystem("lat\xE4in")), "lat\xEF\xBF\xBDin") << "texts stay valid";
  EXPECT_EQ(PathForDisplay(u"\U0001F600"), u"\U0001F600");

  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 12, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256 | (random() % 3 ? 0x80 : 0));
    ASSERT_EQ(PathToSystem(PathFromSystem(bytes)), bytes) << round;
  }
}

TEST(UtfPathTest, TheRuntimeOpensTheFileTheSystemNamed) {
  const std::string folder = PathToSystem(Fs_TempDirectory());
  const std::string name = folder + "lat\xE4in-" + std::to_string(::getpid()) + ".xyz";
  const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "1,2,3\n", 6), 6);
  ::close(fd);
  const std::u16string path = PathFromSystem(name);
  EXPECT_EQ(Fs_FileSize(path), 6);
  const ObjectHandle file = File_OpenRead(KX_Any, path);
  ASSERT_NE(file, 0);
  EXPECT_EQ(File_ReadLine(file), u"1,2,3");
  File_Close(file);
  EXPECT_EQ(Fs_DeleteFile(path), 1);
  EXPECT_NE(::access(name.c_str(), F_OK), 0);
}

}  // namespace
