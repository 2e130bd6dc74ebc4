#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "runtime/data/file.h"
#include "runtime/data/tests/temp_file.h"
#include "runtime/data/utf.h"

namespace {

using namespace std::string_literals;

// Every line of a file in the given format, then whether the end was seen.
std::vector<std::u16string> Lines(const std::string& bytes, std::int64_t format = 0) {
  TempFile temp(bytes);
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  EXPECT_NE(f, 0);
  std::vector<std::u16string> lines;
  while (!File_AtEnd(f) && lines.size() < 100000) lines.push_back(File_ReadLineEx(f, format));
  EXPECT_EQ(File_ReadLine(f), u"") << "reads after the end give empty strings";
  File_Close(f);
  return lines;
}

using Text = std::vector<std::u16string>;

std::string Utf16(const std::u16string& text) {
  std::string bytes;
  for (const char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

// One row per line rule: the file's bytes, the text format, the lines read.
// clang-format off
TEST(FileReadLine, LineRulesAndDecoding) {
  const struct { std::string bytes; std::int64_t format; Text lines; const char* why; } cases[] = {
      {"a\r\nb\rc\nd", 0, {u"a", u"b", u"c", u"d"}, "LF, CR, CRLF, none"},
      {"x\r", 0, {u"x"}, "a final CR ends the file"},
      {"a\n\nb\n", 0, {u"a", u"", u"b"}, ""}, {"a\r\rb", 0, {u"a", u"", u"b"}, ""},
      {"a\n\r", 0, {u"a", u""}, "LF CR is two ends"}, {"", 0, {}, ""},
      {"ab\0cd\n"s, 0, {u"ab", u"cd"}, "NUL ends a line"},
      {"ab\0cd\n"s, kTextAnsi, {u"ab", u"cd"}, ""}, {"\0\0"s, 0, {u"", u""}, ""},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80!", 0, {u"\u00E4\u20AC\U0001F600!"}, "UTF-8"},
      {"\xEF\xBB\xBFx,y", 0, {u"\uFEFFx,y"}, "the byte-order mark stays"},
      {"a\x80\xBF\xF8\xFFz", 0, {u"a????z"}, "stray continuation, F8-FF"},
      {"\xC0\x80|\xC1\xBF|\xE0\x80\x80|\xF0\x80\x80\x80", 0,
       {u"\uFFFD|\uFFFD|\uFFFD|\uFFFD"}, "overlong"},
      {"\xED\xA0\x80|\xED\xBF\xBF", 0, {u"\uFFFD|\uFFFD"}, "surrogates"},
      {"\xF4\x90\x80\x80|\xF7\xBF\xBF\xBF", 0, {u"\uFFFD|\uFFFD"}, "beyond U+10FFFF"},
      // A broken sequence keeps the byte that broke it: a line feed behind a
      // stray lead byte still ends the line.
      {"\xE2\nnext\n", 0, {u"\uFFFD", u"next"}, "broken by LF"},
      {"\xC3" "A", 0, {u"\uFFFDA"}, ""}, {"\xE2\x82" "A", 0, {u"\uFFFDA"}, ""},
      {"\xF0\x9F\x98\r\nb", 0, {u"\uFFFD", u"b"}, ""},
      {"\xC3\xC3\xA4", 0, {u"\uFFFD\u00E4"}, "a lead byte breaks a sequence too"},
      {"\xE2\0z"s, 0, {u"\uFFFD", u"z"}, ""},
      {"ok\nab\xE2\x82", 0, {u"ok", u"ab"}, "a sequence cut by the end is dropped"},
      {"\xF0", 0, {u""}, ""},
      {"\xE4\n", 7, {u"\u00E4"}, "unlisted formats read as ANSI"},
      {Utf16(u"ab\r\nc\rd\u20AC\ne"), kTextUtf16, {u"ab", u"c", u"d\u20AC", u"e"}, "UTF-16"},
      {Utf16(u"\U0001F600\xD800x"), kTextUtf16, {u"\U0001F600\xD800x"}, "units copied as they are"},
      {Utf16(u"a") + "\0\0b\0"s, kTextUtf16, {u"a", u"b"}, ""},
      {Utf16(u"a") + "\x0A\x01"s, kTextUtf16, {u"a\u010A"}, "only the whole unit 000A is LF"},
      {Utf16(u"ok\n") + "z", kTextUtf16, {u"ok", u""}, "odd last byte"},
      {Utf16(u"ok\r") + "z", kTextUtf16, {u"ok"}, ""}};
  for (const auto& c : cases) EXPECT_EQ(Lines(c.bytes, c.format), c.lines) << c.why << c.bytes;
}
// clang-format on

// Stops anywhere within and across the 16-byte steps of the ASCII scan.
TEST(FileReadLine, SpecialBytesAtEveryOffsetOfALongRun) {
  for (std::size_t at = 0; at < 40; ++at) {
    const std::string head(at, 'a');
    const std::u16string wide(at, u'a');
    EXPECT_EQ(Lines(head + "\nb"), (Text{wide, u"b"})) << at;
    EXPECT_EQ(Lines(head + "\r\nb"), (Text{wide, u"b"})) << at;
    EXPECT_EQ(Lines(head + "\0b"s), (Text{wide, u"b"})) << at;
    EXPECT_EQ(Lines(head + "\xC3\xA4" + head), (Text{wide + u"\u00E4" + wide})) << at;
    EXPECT_EQ(Lines(head + "\x80" + head, kTextAnsi), (Text{wide + u"\u20AC" + wide})) << at;
  }
  const std::string longLine(10000, 'q');  // longer than the buffer
  EXPECT_EQ(Lines(longLine + "\n" + longLine),
            (Text{Utf8ToUtf16(longLine), Utf8ToUtf16(longLine)}));
}

TEST(FileReadLine, Windows1252) {
  std::string bytes;
  for (int b = 0x80; b < 0xA0; ++b) bytes.push_back(static_cast<char>(b));
  bytes += "\xE4\xF6\xFC\xDF\xFF";
  const std::u16string expected =
      u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D"
      u"\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A"
      u"\u0153\u009D\u017E\u0178\u00E4\u00F6\u00FC\u00DF\u00FF";
  EXPECT_EQ(Lines(bytes + "\r\nx", kTextAnsi), (Text{expected, u"x"}));
  EXPECT_EQ(Lines("\xE4\n", 7), (Text{u"\u00E4"})) << "unlisted formats read as ANSI";
}

TEST(FileReadLine, UnitsSplitAcrossTheBufferEdge) {
  const std::string a(kFileBufferSize - 1, 'a');
  // CR as the buffer's last byte, LF as the next buffer's first.
  EXPECT_EQ(Lines(a + "\r\nz"), (Text{std::u16string(a.size(), u'a'), u"z"}));
  EXPECT_EQ(Lines(a + "\rz"), (Text{std::u16string(a.size(), u'a'), u"z"}));
  // A three-byte sequence with one, two and three bytes in the first buffer.
  for (int before : {1, 2, 3}) {
    const std::string head(kFileBufferSize - before, 'a');
    EXPECT_EQ(Lines(head + "\xE2\x82\xAC\n"), (Text{std::u16string(head.size(), u'a') + u"\u20AC"}))
        << before;
    EXPECT_EQ(Lines(head + "\xE2\x82\n"), (Text{std::u16string(head.size(), u'a') + u"\uFFFD"}))
        << before;
  }
  // A UTF-16 unit that straddles the edge: 3 bytes of UTF-8 first, then UTF-16.
  TempFile temp("ab\n" + Utf16(std::u16string(kFileBufferSize / 2 - 2, u'x') + u"\u20ACy\r\nz"));
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  EXPECT_EQ(File_ReadLine(f), u"ab");
  EXPECT_EQ(File_ReadLineEx(f, kTextUtf16),
            std::u16string(kFileBufferSize / 2 - 2, u'x') + u"\u20ACy");
  EXPECT_EQ(File_ReadLineEx(f, kTextUtf16), u"z");
  EXPECT_NE(File_AtEnd(f), 0);
  File_Close(f);
}

TEST(FileReadLineEx, MaximumAndRawMode) {
  TempFile temp("abcdef\nxy\r\nz\0tail"s);
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  EXPECT_EQ(File_ReadLineEx(f, 0, 4), u"abcd");
  EXPECT_EQ(File_ReadLineEx(f, 0, 0), u"");
  EXPECT_EQ(File_ReadLine(f), u"ef");
  EXPECT_EQ(File_ReadLineEx(f, kReadRaw, 3), u"xy\r");
  EXPECT_EQ(File_ReadLineEx(f, kReadRaw), u"\nz") << "raw mode stops at a 0 unit";
  EXPECT_EQ(File_ReadLineEx(f, kReadRaw | kTextUtf16), u"\u6174\u6c69");
  File_Close(f);

  TempFile utf8("\xC3\xA4\xC3\xB6x");
  const ObjectHandle g = File_OpenRead(KX_Any, utf8.path());
  EXPECT_EQ(File_ReadLineEx(g, 0, 1), u"\u00E4") << "a sequence is one unit";
  EXPECT_EQ(File_ReadLineEx(g, 0, 2), u"\u00F6x");
  File_Close(g);

  // Raw mode over runs longer than one step of the scan.
  const std::string text = std::string(37, 'r') + "\r\n" + std::string(20, 's') + "\n";
  TempFile runs(text + "\0after"s);
  const ObjectHandle h = File_OpenRead(KX_Any, runs.path());
  EXPECT_EQ(File_ReadLineEx(h, kReadRaw), Utf8ToUtf16(text));
  EXPECT_EQ(File_ReadLine(h), u"after");
  File_Close(h);
}

TEST(FileReadLine, ThreadsReadTheirOwnFiles) {
  TempFile a(std::string(50000, 'a') + "\n"), b(std::string(50000, 'b') + "\n");
  auto readAll = [](const TempFile* file, ObjectHandle number, std::u16string* out) {
    for (int round = 0; round < 20; ++round) {
      if (File_OpenRead(number, file->path()) == 0) return;
      *out = File_ReadLine(number);
      File_Close(number);
    }
  };
  std::u16string gotA, gotB;
  std::thread ta(readAll, &a, 10, &gotA), tb(readAll, &b, 11, &gotB);
  ta.join();
  tb.join();
  EXPECT_EQ(gotA, std::u16string(50000, u'a'));
  EXPECT_EQ(gotB, std::u16string(50000, u'b'));
}

TEST(FilePosition, CountsBytesHandedOutNotReadAhead) {
  TempFile temp("12\n34\n");
  const ObjectHandle fd = File_OpenRead(5, temp.path());
  ASSERT_GT(fd, 0) << "a fixed number returns the descriptor";
  EXPECT_EQ(File_Position(5), 0);
  EXPECT_EQ(File_Length(5), 6);
  EXPECT_EQ(File_ReadLine(5), u"12");
  EXPECT_EQ(File_Position(5), 3);
  EXPECT_EQ(::lseek(static_cast<int>(fd), 0, SEEK_CUR), 6) << "the buffer read ahead";
  EXPECT_EQ(File_AtEnd(5), 0);
  EXPECT_EQ(File_ReadLine(5), u"34");
  EXPECT_EQ(File_Position(5), 6);
  EXPECT_EQ(File_AtEnd(5), 1);
  File_Close(5);
  EXPECT_EQ(File_Position(5), -1);
}

TEST(FileReadData, BufferedAndDirectReads) {
  std::string bytes;
  for (int i = 0; i < 3 * kFileBufferSize; ++i) bytes.push_back(static_cast<char>(i * 7));
  TempFile temp(bytes);
  const ObjectHandle f = File_OpenRead(KX_Any, temp.path());
  std::string got(bytes.size() + 10, '\0');
  EXPECT_EQ(File_ReadData(f, got.data(), 10), 10);
  EXPECT_EQ(File_ReadData(f, got.data() + 10, kFileBufferSize + 5), kFileBufferSize + 5);
  EXPECT_EQ(File_Position(f), kFileBufferSize + 15);
  EXPECT_EQ(File_ReadData(f, got.data() + kFileBufferSize + 15, 100000), 2 * kFileBufferSize - 15);
  got.resize(bytes.size());
  EXPECT_EQ(got, bytes);
  EXPECT_EQ(File_ReadData(f, got.data(), 1), 0);
  File_Close(f);
}

}  // namespace
