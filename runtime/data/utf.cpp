#include "runtime/data/utf.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

namespace {

// The UTF-8 sequence starting at in[i]: its length and code point, or 0
// when the bytes there are no valid sequence.
std::size_t ValidSequence(std::string_view in, std::size_t i, char32_t* cp) {
  const auto lead = static_cast<std::uint8_t>(in[i]);
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  }
  const int need = lead >= 0xF5 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (need < 0 || i + static_cast<std::size_t>(need) >= in.size()) return 0;
  char32_t value = lead & (0x3F >> need);
  for (int k = 1; k <= need; ++k) {
    const auto c = static_cast<std::uint8_t>(in[i + static_cast<std::size_t>(k)]);
    if ((c & 0xC0) != 0x80) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  const bool overlong = (need == 2 && value < 0x800) || (need == 3 && value < 0x10000);
  if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return static_cast<std::size_t>(need) + 1;
}

constexpr char16_t kCarriedFirst = 0xDC80;
constexpr char16_t kCarriedLast = 0xDCFF;

}  // namespace

std::u16string PathFromSystem(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    char32_t cp = 0;
    if (const std::size_t n = ValidSequence(in, i, &cp)) {
      AppendUtf16(out, cp);
      i += n;
    } else {  // bytes below 0x80 are always valid, so this one is 0x80 or above
      out.push_back(static_cast<char16_t>(kCarriedFirst + (static_cast<std::uint8_t>(in[i]) - 0x80)));
      ++i;
    }
  }
  return out;
}

std::string PathToSystem(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const char16_t unit = in[i];
    const bool paired = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < in.size() &&
                        in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF;
    if (!paired && unit >= kCarriedFirst && unit <= kCarriedLast) {
      out.push_back(static_cast<char>(0x80 + (unit - kCarriedFirst)));
    } else if (paired) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (in[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
  }
  return out;
}

std::u16string PathForDisplay(std::u16string_view in) {
  std::u16string out(in);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const bool paired = out[i] >= 0xD800 && out[i] <= 0xDBFF && i + 1 < out.size() &&
                        out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF;
    if (paired)
      ++i;
    else if (out[i] >= 0xD800 && out[i] <= 0xDFFF)
      out[i] = static_cast<char16_t>(kReplacement);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    const auto lead = static_cast<std::uint8_t>(in[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int need = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (lead >= 0xF5) need = -1;
    if (need < 0) {  // stray continuation byte or impossible lead
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    char32_t cp = lead & (0x3F >> need);
    std::size_t j = i + 1;
    for (; j < in.size() && j <= i + static_cast<std::size_t>(need); ++j) {
      const auto c = static_cast<std::uint8_t>(in[j]);
      if ((c & 0xC0) != 0x80) break;
      cp = (cp << 6) | (c & 0x3F);
    }
    // A broken sequence costs only the bytes read so far; the breaking byte
    // starts the next character.
    const bool complete = j == i + 1 + static_cast<std::size_t>(need);
    const bool overlong = (need == 2 && cp < 0x800) || (need == 3 && cp < 0x10000);
    const bool invalid = cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF);
    AppendUtf16(out, complete && !overlong && !invalid ? cp : kReplacement);
    i = j;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}
