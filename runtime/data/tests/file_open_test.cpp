#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace std::string_literals;

#include "runtime/data/file.h"
#include "runtime/data/fs.h"
#include "runtime/data/hash.h"
#include "runtime/data/tests/file_size_limit.h"
#include "runtime/data/tests/temp_file.h"

namespace {

// Exit status of the flock(1) tool trying a non-blocking lock of path.
int FlockFromAnotherProcess(const std::string& path, bool shared) {
  const std::string command =
      std::string("flock -n ") + (shared ? "-s " : "") + "'" + path + "' true 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileOpen, SecondOpenIsRefusedWhileTheFirstHoldsTheFile) {
  TempFile temp("data\n");
  const ObjectHandle first = File_OpenRead(KX_Any, temp.path());
  ASSERT_NE(first, 0);
  EXPECT_EQ(File_WriteData(first, "x", 1), 0) << "opened for reading only";
  EXPECT_EQ(File_OpenRead(KX_Any, temp.path()), 0);
  EXPECT_EQ(File_Open(KX_Any, temp.path()), 0);
  EXPECT_EQ(File_Create(KX_Any, temp.path()), 0);
  EXPECT_EQ(temp.Read(), "data\n") << "a refused create leaves the file alone";
  EXPECT_EQ(Hash_File(temp.path()), u"") << "the fingerprint opener is refused too";
  File_Close(first);

  EXPECT_NE(File_OpenRead(KX_Any, temp.path()), 0) << "closing gives the file free";
  File_Close(KX_Any);
}

TEST(FileOpen, OtherProcessesSeeTheLock) {
  TempFile temp("x");
  ASSERT_EQ(FlockFromAnotherProcess(temp.native(), false), 0) << "flock(1) must be usable";
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  EXPECT_EQ(FlockFromAnotherProcess(temp.native(), true), 1);
  File_Close(f);
  EXPECT_EQ(FlockFromAnotherProcess(temp.native(), false), 0);
}

TEST(FileOpen, FixedNumbersAreReusedAndReleased) {
  TempFile a("a"), b("b");
  EXPECT_GT(File_OpenRead(3, a.path()), 0);
  EXPECT_GT(File_OpenRead(3, a.path()), 0) << "reopening a number closes its file first";
  EXPECT_GT(File_OpenRead(3, b.path()), 0);
  EXPECT_NE(File_OpenRead(KX_Any, a.path()), 0) << "a was closed by the reuse";
  File_Close(KX_Any);

  EXPECT_GT(File_OpenRead(4, a.path()), 0);
  EXPECT_EQ(File_OpenRead(4, a.path() + u".missing"), 0);
  EXPECT_EQ(File_Length(4), -1) << "a failed open releases the number";
  EXPECT_GT(File_OpenRead(200, a.path()), 0) << "the table grows";
  File_Close(200);
  EXPECT_EQ(File_OpenRead(-7, a.path()), 0);
}

TEST(FileOpen, MissingFilesDirectoriesAndUnknownNumbers) {
  EXPECT_EQ(File_OpenRead(KX_Any, u"/nonexistent/dir/file.xyz"), 0);
  EXPECT_EQ(File_OpenRead(KX_Any, u""), 0);
  EXPECT_EQ(File_OpenRead(KX_Any, Fs_TempDirectory()), 0) << "a directory is not a file";
  EXPECT_EQ(File_Open(KX_Any, u"/nonexistent/dir/file.xyz"), 0);

  for (const ObjectHandle unknown : {ObjectHandle{9}, ObjectHandle{123456789}, ObjectHandle{-5}}) {
    EXPECT_EQ(File_Length(unknown), -1);
    EXPECT_EQ(File_Position(unknown), -1);
    EXPECT_EQ(File_AtEnd(unknown), 0);
    EXPECT_EQ(File_ReadLine(unknown), u"");
    char byte;
    EXPECT_EQ(File_ReadData(unknown, &byte, 1), 0);
    EXPECT_EQ(File_WriteData(unknown, "x", 1), 0);
    EXPECT_EQ(File_Flush(unknown), 0);
    EXPECT_EQ(File_Seek(unknown, 0), 0);
    File_Close(unknown);
  }
}

TEST(FileOpen, AFifoWithoutWriterDoesNotBlock) {
  TempFile temp;
  std::remove(temp.native().c_str());
  ASSERT_EQ(::mkfifo(temp.native().c_str(), 0600), 0);
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  ASSERT_NE(f, 0);
  EXPECT_EQ(File_ReadLine(f), u"");
  EXPECT_EQ(File_AtEnd(f), 1);
  File_Close(f);
}

TEST(FileWrite, PendingBytesCountForPositionLengthAndClose) {
  TempFile temp;
  const ObjectHandle f = File_Create(KX_Any, temp.path());
  ASSERT_NE(f, 0);
  EXPECT_EQ(File_WriteString(f, u"line \u00E4\n"), 8);
  EXPECT_EQ(File_Position(f), 8) << "pending bytes count";
  EXPECT_EQ(temp.Read(), "") << "still in the buffer";
  EXPECT_EQ(File_Length(f), 8);
  EXPECT_EQ(temp.Read(), "line \xC3\xA4\n") << "the length query wrote them";
  EXPECT_EQ(File_WriteString(f, u"\u20AC\u00E4?", kTextAnsi), 3);
  EXPECT_EQ(File_WriteString(f, u"\u4E00", kTextAnsi), 1) << "unmappable becomes ?";
  EXPECT_EQ(File_WriteString(f, u"a\n", kTextUtf16), 4);
  File_Close(f);
  EXPECT_EQ(temp.Read(), "line \xC3\xA4\n\x80\xE4??a\0\n\0"s);
}

TEST(FileWrite, WritesLandAtTheLogicalPosition) {
  TempFile temp("first\nsecond\n");
  const ObjectHandle f = File_Open(KX_Any, temp.path());
  ASSERT_NE(f, 0);
  EXPECT_EQ(File_ReadLine(f), u"first");
  EXPECT_EQ(File_WriteData(f, "SEC", 3), 3) << "after a read that filled the buffer";
  EXPECT_EQ(File_Position(f), 9);
  EXPECT_EQ(File_ReadLine(f), u"ond") << "reading after writing continues behind it";
  EXPECT_EQ(File_Seek(f, 0), 1);
  EXPECT_EQ(File_ReadLine(f), u"first");
  File_Close(f);
  EXPECT_EQ(temp.Read(), "first\nSECond\n");
}

TEST(FileWrite, LargeWritesAndCloseAll) {
  TempFile temp("old contents that must go");
  const ObjectHandle f = File_Create(8, temp.path());
  ASSERT_GT(f, 0);
  EXPECT_EQ(File_Length(8), 0) << "create empties an existing file";
  const std::string big(3 * kFileBufferSize + 11, 'z');
  EXPECT_EQ(File_WriteData(8, "ab", 2), 2);
  EXPECT_EQ(File_WriteData(8, big.data(), static_cast<std::int64_t>(big.size())),
            static_cast<std::int64_t>(big.size()));
  EXPECT_EQ(File_WriteData(8, "cd", 2), 2);
  EXPECT_EQ(File_Position(8), static_cast<std::int64_t>(big.size()) + 4);
  File_Close(KX_Any);
  EXPECT_EQ(temp.Read(), "ab" + big + "cd") << "closing all writes what is pending";
  EXPECT_EQ(File_Length(8), -1);
}

TEST(FileOpen, AFileStillOpenAtExitIsNoCrash) {
  // A fresh process, so that the file table is made before the lock table.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempFile temp("x\n");
  EXPECT_EXIT(
      {
        File_OpenRead(KX_Any, temp.path());
        std::remove(temp.native().c_str());  // the child's own file; no destructor runs
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(FileWrite, BytesLostByAnImplicitFlushFailTheNextFlush) {
  // Every write to /dev/full fails with "no space left".
  const ObjectHandle f = File_Open(KX_Any, u"/dev/full");
  ASSERT_NE(f, 0);
  EXPECT_EQ(File_WriteData(f, "0123456789", 10), 10) << "still in the buffer";
  File_Length(f);  // writes the pending bytes, which fails
  EXPECT_EQ(File_Flush(f), 0) << "ten bytes were lost";
  EXPECT_EQ(File_WriteData(f, "ab", 2), 2);
  File_AtEnd(f);
  EXPECT_EQ(File_Flush(f), 0);
  File_Close(f);
}

TEST(FileWrite, LargeWritesThatFailAreReportedLikeSmallOnes) {
  // Writes that do not fit the buffer's free room bypass it; their failures
  // must be just as sticky as those of the buffered path.
  for (const std::int64_t size : {std::int64_t{kFileBufferSize} + 1, std::int64_t{65536},
                                  std::int64_t{2} * 1024 * 1024}) {
    SCOPED_TRACE(size);
    const std::string bytes(static_cast<std::size_t>(size), 'x');
    const ObjectHandle f = File_Open(KX_Any, u"/dev/full");
    ASSERT_NE(f, 0);
    EXPECT_EQ(File_WriteData(f, bytes.data(), size), 0);
    EXPECT_EQ(File_Flush(f), 0);
    EXPECT_EQ(File_Flush(f), 0) << "and stays reported";
    File_Close(f);
  }

  // Part of the bytes reach the file before the disk is full.
  TempFile temp;
  const ObjectHandle f = File_Create(KX_Any, temp.path());
  ASSERT_NE(f, 0);
  const std::string bytes(2 * 1024 * 1024, 'y');
  {
    FileSizeLimit limit(1024 * 1024);
    EXPECT_EQ(File_WriteData(f, bytes.data(), static_cast<std::int64_t>(bytes.size())), 0);
    EXPECT_EQ(File_Flush(f), 0);
  }
  EXPECT_EQ(File_Length(f), 1024 * 1024);
  EXPECT_EQ(File_WriteData(f, "z", 1), 1) << "room again";
  EXPECT_EQ(File_Flush(f), 0) << "the lost megabyte is still reported";
  File_Close(f);
}

TEST(FsHelpers, FileSizeTempDirectoryAndDelete) {
  TempFile temp("12345");
  EXPECT_EQ(Fs_FileSize(temp.path()), 5);
  EXPECT_EQ(Fs_FileSize(temp.path() + u".none"), -1);
  EXPECT_EQ(Fs_FileSize(u""), -1);
  const std::u16string tmp = Fs_TempDirectory();
  ASSERT_FALSE(tmp.empty());
  EXPECT_EQ(tmp.back(), u'/');
  EXPECT_EQ(Fs_FileSize(tmp), -2);
  EXPECT_EQ(Fs_FileSize(tmp.substr(0, tmp.size() - 1)), -2);
  EXPECT_EQ(Fs_FileSize(u"/"), -2);

  ASSERT_EQ(::chmod(temp.native().c_str(), 0444), 0);
  EXPECT_EQ(Fs_DeleteFile(temp.path(), kDeleteForce), 1);
  EXPECT_EQ(Fs_FileSize(temp.path()), -1);
  EXPECT_EQ(Fs_DeleteFile(temp.path()), 0);
  EXPECT_EQ(Fs_DeleteFile(u""), 0);
  EXPECT_EQ(Fs_DeleteFile(tmp), 0) << "directories are not deleted";

  const char* saved = std::getenv("TMPDIR");
  const std::string keep = saved ? saved : "";
  for (const char* dir : {"/var/tmp", "/var/tmp/"}) {
    ::setenv("TMPDIR", dir, 1);
    EXPECT_EQ(Fs_TempDirectory(), u"/var/tmp/");
  }
  ::unsetenv("TMPDIR");
  EXPECT_EQ(Fs_TempDirectory(), u"/tmp/");
  if (saved) ::setenv("TMPDIR", keep.c_str(), 1);
}

}  // namespace
