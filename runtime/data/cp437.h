// IBM 437, the code page zip names are in when their UTF-8 flag is not set
// (what desktop archivers on Windows write for names they can express in it).
#pragma once

#include <string>

// ASCII stays itself; bytes 0x80-0xFF take the code page's letters, symbols
// and box-drawing characters.
char16_t Cp437ToUtf16(unsigned char byte);
std::u16string Cp437ToUtf16(const std::string& bytes);
