// UTF-8 <-> UTF-16 conversion at the runtime's edges (paths handed to the
// system, texts from libraries that speak UTF-8). Inside, text is UTF-16.
#pragma once

#include <string>
#include <string_view>

// Texts. Malformed input becomes U+FFFD; an unpaired surrogate in UTF-16
// likewise.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Paths. A file name is bytes, and not every disk holds UTF-8 names (older
// systems wrote Latin-1): each byte that is not part of valid UTF-8 becomes
// the unpaired low surrogate U+DC80 + (byte - 0x80) and goes back to the
// same byte on the way to the system, so every byte string survives the trip.
std::u16string PathFromSystem(std::string_view bytes);
std::string PathToSystem(std::u16string_view path);
// A path as text for the user: the carried bytes shown as U+FFFD.
std::u16string PathForDisplay(std::u16string_view path);
