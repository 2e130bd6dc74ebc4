#include "runtime/data/utf.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsEveryPlane) {
  const std::u16string text = u"Höhe ⛰ 𝄞 z";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"ä"), "\xC3\xA4");
}

TEST(Utf, MalformedInputIsReplacedWithoutSwallowingBytes) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\uFFFDx");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong lead C0 is never valid";
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD") << "encoded surrogate";
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
