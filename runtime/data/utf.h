// UTF-8 <-> UTF-16 conversion at the runtime's edges (paths handed to the
// system, texts from libraries that speak UTF-8). Inside, text is UTF-16.
#pragma once

#include <string>
#include <string_view>

// Malformed input becomes U+FFFD; an unpaired surrogate in UTF-16 likewise.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
