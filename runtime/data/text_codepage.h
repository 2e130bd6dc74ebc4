// Windows-1252, the code page of "ANSI" text files.
#pragma once

#include <string>

// Every byte maps; the five bytes 1252 leaves unassigned keep their C1 code.
char16_t Windows1252ToUtf16(unsigned char byte);

// "?" for characters the code page lacks.
std::string Utf16ToWindows1252(const std::u16string& text);
