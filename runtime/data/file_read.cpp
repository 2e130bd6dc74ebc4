// Line reading: decodes UTF-8, UTF-16LE or Windows-1252 units straight out
// of the file buffer. Runs of plain ASCII are copied in one go; only the
// bytes that need a decision (line ends, 0, non-ASCII) take the slow path.
#include <algorithm>
#include <array>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/data/file_record.h"
#include "runtime/data/text_codepage.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Bytes that enter a line as they are (UTF-8 and ANSI alike): 1-127 without
// LF and CR, which are plain only in raw mode.
constexpr std::array<bool, 256> PlainBytes(bool raw) {
  std::array<bool, 256> plain{};
  for (int b = 1; b < 0x80; ++b) plain[b] = raw || (b != '\n' && b != '\r');
  return plain;
}
constexpr auto kPlain = PlainBytes(false);
constexpr auto kPlainRaw = PlainBytes(true);

// Length of the run of plain bytes at p, at most n. Sixteen bytes per step
// where SSE2 is there (every x86-64): a 0, LF, CR or a byte with the high
// bit set stops the run.
std::int32_t PlainRun(const unsigned char* p, std::int32_t n, bool raw) {
  std::int32_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i stop = _mm_cmpeq_epi8(v, zero);
    if (!raw) stop = _mm_or_si128(stop, _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
    const int mask = _mm_movemask_epi8(stop) | _mm_movemask_epi8(v);
    if (mask != 0) return i + __builtin_ctz(static_cast<unsigned>(mask));
  }
#endif
  const auto& plain = raw ? kPlainRaw : kPlain;
  while (i < n && plain[p[i]]) ++i;
  return i;
}

// Widens n ASCII bytes to UTF-16 units.
void Widen(char16_t* out, const unsigned char* bytes, std::int32_t n) {
  std::int32_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
  if (i + 8 <= n) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    i += 8;
  }
#endif
  for (; i < n; ++i) out[i] = bytes[i];
}

void AppendBytes(std::u16string& line, const unsigned char* bytes, std::int32_t n) {
  // Short runs (the usual line) go through the stack: append() then copies
  // without the zero fill that resize() does first.
  constexpr std::int32_t kShort = 128;
  if (n <= kShort) {
    char16_t units[kShort];
    Widen(units, bytes, n);
    if (line.empty())
      line = std::u16string(units, static_cast<std::size_t>(n));
    else
      line.append(units, static_cast<std::size_t>(n));
    return;
  }
  const std::size_t old = line.size();
  line.resize(old + static_cast<std::size_t>(n));
  Widen(line.data() + old, bytes, n);
}

// Decodes the UTF-8 sequence that starts with the unread byte lead >= 0x80.
// A lead byte without the continuation bytes it needs gives U+FFFD and
// leaves the byte that broke the sequence unread, so a line end right
// behind a stray lead byte still ends the line. Returns false when the
// file ends inside the sequence (its bytes are dropped).
bool DecodeUtf8(FileRecord& file, std::u16string& line) {
  const unsigned char lead = file.unread()[0];
  std::int32_t need;
  if ((lead & 0xE0) == 0xC0)
    need = 1;
  else if ((lead & 0xF0) == 0xE0)
    need = 2;
  else if ((lead & 0xF8) == 0xF0)
    need = 3;
  else {  // a stray continuation byte or F8-FF
    line.push_back(u'?');
    file.consume(1);
    return true;
  }
  const std::int32_t have = FillAtLeast(file, need + 1);
  const unsigned char* p = file.unread();
  char32_t cp = lead & (0x3F >> need);
  for (std::int32_t j = 1; j <= need; ++j) {
    if (j >= have) {
      file.consume(have);
      return false;
    }
    if ((p[j] & 0xC0) != 0x80) {
      file.consume(j);
      line.push_back(kReplacement);
      return true;
    }
    cp = (cp << 6) | (p[j] & 0x3F);
  }
  file.consume(need + 1);
  static constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kShortest[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    line.push_back(kReplacement);  // overlong, surrogate or beyond Unicode
  } else if (cp < 0x10000) {
    line.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    line.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    line.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
  return true;
}

// UTF-8 and ANSI: one byte per unit except for UTF-8 sequences.
std::u16string ReadByteLine(FileRecord& file, bool utf8, bool raw, std::int64_t remaining) {
  std::u16string line;
  while (remaining > 0) {
    if (file.count == 0 && FillAtLeast(file, 1) == 0) break;
    const unsigned char* p = file.unread();
    const auto avail = static_cast<std::int32_t>(std::min<std::int64_t>(file.count, remaining));
    const std::int32_t run = PlainRun(p, avail, raw);
    if (run > 0) {
      AppendBytes(line, p, run);
      file.consume(run);
      remaining -= run;
      continue;
    }
    const unsigned char b = p[0];
    if (b == 0) {
      file.consume(1);
      break;
    }
    if (b == '\n' || b == '\r') {  // not raw: those are plain there
      file.consume(1);
      if (b == '\r' && FillAtLeast(file, 1) > 0 && file.unread()[0] == '\n') file.consume(1);
      break;
    }
    --remaining;
    if (!utf8) {
      line.push_back(Windows1252ToUtf16(b));
      file.consume(1);
    } else if (!DecodeUtf8(file, line)) {
      break;
    }
  }
  return line;
}

char16_t UnitAt(const unsigned char* p) { return static_cast<char16_t>(p[0] | (p[1] << 8)); }

std::u16string ReadUtf16Line(FileRecord& file, bool raw, std::int64_t remaining) {
  std::u16string line;
  while (remaining > 0) {
    const std::int32_t have = FillAtLeast(file, 2);
    if (have < 2) {  // an odd byte at the end is an incomplete unit
      file.consume(have);
      break;
    }
    const unsigned char* p = file.unread();
    const auto units = static_cast<std::int32_t>(std::min<std::int64_t>(have / 2, remaining));
    std::int32_t run = 0;
    for (; run < units; ++run) {
      const char16_t u = UnitAt(p + 2 * run);
      if (u == 0 || (!raw && (u == u'\n' || u == u'\r'))) break;
    }
    if (run > 0) {
      const std::size_t old = line.size();
      line.resize(old + static_cast<std::size_t>(run));
      for (std::int32_t i = 0; i < run; ++i) line[old + i] = UnitAt(p + 2 * i);
      file.consume(2 * run);
      remaining -= run;
      continue;
    }
    const char16_t u = UnitAt(p);
    file.consume(2);
    if (u == u'\r') {
      const std::int32_t next = FillAtLeast(file, 2);
      if (next == 1)
        file.consume(1);
      else if (next >= 2 && UnitAt(file.unread()) == u'\n')
        file.consume(2);
    }
    break;
  }
  return line;
}

}  // namespace

std::u16string File_ReadLineEx(ObjectHandle number, std::int64_t flags, std::int64_t maximum) {
  FileRecord* file = FindFile(number);
  if (!file) return {};
  if (file->mode == kBufferWrite) FlushPending(*file);  // count means free room until then
  std::int64_t format = flags & 31;
  if (format == 0) format = file->textFormat;
  const bool raw = (flags & kReadRaw) != 0;
  const std::int64_t remaining = maximum < 0 ? std::numeric_limits<std::int64_t>::max() : maximum;
  try {
    if (format == kTextUtf16) return ReadUtf16Line(*file, raw, remaining);
    return ReadByteLine(*file, format == kTextUtf8, raw, remaining);
  } catch (const std::bad_alloc&) {
    return {};  // a line beyond memory comes back empty
  }
}

std::u16string File_ReadLine(ObjectHandle number) { return File_ReadLineEx(number, 0, -1); }
