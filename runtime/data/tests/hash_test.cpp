#include "runtime/data/hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "runtime/data/file.h"
#include "runtime/data/md5.h"
#include "runtime/data/tests/temp_file.h"
#include "runtime/data/utf.h"

namespace {

std::string Hex(const std::array<std::uint8_t, 16>& digest) {
  std::string text;
  char two[3];
  for (const std::uint8_t b : digest) {
    std::snprintf(two, sizeof two, "%02x", b);
    text += two;
  }
  return text;
}

std::string Md5Of(const std::string& bytes) {
  Md5 md5;
  md5.Add(bytes.data(), bytes.size());
  return Hex(md5.Finish());
}

// The test suite of RFC 1321, appendix A.5.
TEST(Md5, ReferenceSuite) {
  EXPECT_EQ(Md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Of("1234567890123456789012345678901234567890"
                  "1234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

// Padding edges: 55, 56 and 64 bytes, fed in uneven pieces.
TEST(Md5, PiecesGiveTheSameDigestAsOneCall) {
  for (std::size_t size : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(i * 31 + 7));
    Md5 md5;
    for (std::size_t at = 0, step = 1; at < size; at += step, step = step * 2 + 1)
      md5.Add(bytes.data() + at, std::min(step, size - at));
    EXPECT_EQ(Hex(md5.Finish()), Md5Of(bytes)) << size;
  }
  EXPECT_EQ(Md5Of(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5Of(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

std::string Md5Sum(const std::string& path) {
  const std::string command = "md5sum '" + path + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  char digest[33] = {};
  if (!pipe || std::fread(digest, 1, 32, pipe) != 32) digest[0] = 0;
  if (pipe) ::pclose(pipe);
  return digest;
}

TEST(HashFile, DigestOfTheWholeFileAndOfARange) {
  Hash_UseMd5();
  Hash_UseMd5();
  TempFile empty;
  EXPECT_EQ(Hash_File(empty.path()), u"d41d8cd98f00b204e9800998ecf8427e");

  // Two and a half chunks of 1 MiB, so that ranges cross chunk edges.
  std::string bytes(5 << 19, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  TempFile temp(bytes);
  EXPECT_EQ(Utf16ToUtf8(Hash_File(temp.path())), Md5Sum(temp.native()));
  // A length beyond the end stops at the end; a negative offset is no offset.
  // clang-format off
  const struct { std::int64_t offset, length; std::size_t from, count; } ranges[] = {
      {0, -1, 0, bytes.size()}, {1000, 3 << 19, 1000, 3 << 19}, {12345, -1, 12345, bytes.size()},
      {1 << 20, 1 << 20, 1 << 20, 1 << 20}, {0, 0, 0, 0}, {0, 1 << 30, 0, bytes.size()},
      {1 << 30, -1, bytes.size(), 0}, {-5, 3, 0, 3}};
  // clang-format on
  for (const auto& r : ranges) {
    EXPECT_EQ(Utf16ToUtf8(Hash_File(temp.path(), kHashMd5, r.offset, r.length)),
              Md5Of(bytes.substr(r.from, r.count)))
        << r.offset << " " << r.length;
  }
}

TEST(HashFile, UnknownPluginsAndUnreadableFilesGiveEmptyText) {
  Hash_UseMd5();
  TempFile temp("abc");
  EXPECT_EQ(Hash_File(temp.path(), 99), u"");
  EXPECT_EQ(Hash_File(temp.path(), 0), u"");
  EXPECT_EQ(Hash_File(temp.path() + u".missing"), u"");
  EXPECT_EQ(Hash_File(u"/proc/self/mem"), u"") << "opens, but every read fails";
  EXPECT_EQ(Hash_File(u""), u"");
  EXPECT_EQ(Hash_File(Fs_TempDirectory()), u"");
  EXPECT_EQ(Hash_File(temp.path()), u"900150983cd24fb0d6963f7d28e17f72");
}

// A registered plugin gets start, add, finish and free in that order.
std::string gCalls;
void* CountStart() {
  gCalls += "s";
  return new std::size_t(0);
}
void CountAdd(void* state, const unsigned char*, std::size_t size) {
  gCalls += "a";
  *static_cast<std::size_t*>(state) += size;
}
std::size_t CountFinish(void* state, unsigned char* digest) {
  gCalls += "f";
  const std::size_t n = *static_cast<std::size_t*>(state);
  digest[0] = static_cast<unsigned char>(n >> 16);
  digest[1] = static_cast<unsigned char>(n >> 8);
  digest[2] = static_cast<unsigned char>(n);
  return 3;
}
void CountFree(void* state) {
  gCalls += "x";
  delete static_cast<std::size_t*>(state);
}

TEST(HashFile, PluginRegistry) {
  EXPECT_EQ(Hash_Register({77, CountStart, CountAdd, CountFinish, CountFree}), 1);
  EXPECT_EQ(Hash_Register({78, CountStart, nullptr, CountFinish, CountFree}), 0);
  TempFile temp(std::string((1 << 20) + 5, 'k'));
  gCalls.clear();
  EXPECT_EQ(Hash_File(temp.path(), 77), u"100005");
  EXPECT_EQ(gCalls, "saafx") << "1 MiB chunks";
  gCalls.clear();
  EXPECT_EQ(Hash_File(temp.path() + u".missing", 77), u"");
  EXPECT_EQ(gCalls, "");
}

}  // namespace

namespace {

TEST(HashStream, PiecesOfAnySizeGiveTheFileDigest) {
  Hash_UseMd5();
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 131 % 251);
  const TempFile file(bytes);
  const std::u16string whole = Hash_File(file.path(), kHashMd5);
  for (const std::size_t piece : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{1000}}) {
    HashStream* stream = Hash_Begin(kHashMd5);
    ASSERT_NE(stream, nullptr);
    for (std::size_t at = 0; at < bytes.size(); at += piece)
      Hash_Add(stream, bytes.data() + at, std::min(piece, bytes.size() - at));
    EXPECT_EQ(Hash_End(stream), whole) << piece;
  }
  EXPECT_EQ(Hash_Begin(977), nullptr) << "unknown plugin";
  EXPECT_EQ(Hash_End(nullptr), u"");
  Hash_Free(Hash_Begin(kHashMd5));  // dropped unfinished: nothing leaks
}

}  // namespace
