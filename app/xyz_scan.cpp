#include "app/xyz_scan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <new>


#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

enum Phase : int {
  kBetween,  // blank separator: between fields
  kLead,     // blanks and tabs before the number
  kSigned,   // behind a sign
  kDigits,
  kRest,  // the number has ended; the field has not
};

bool IsLineEnd(unsigned char b) { return b == '\n' || b == '\r' || b == 0; }
bool IsBlank(unsigned char b) { return b == ' ' || b == '\t'; }

char SeparatorByte(XyzSeparator separator) {
  switch (separator) {
    case XyzSeparator::kSemicolon:
      return ';';
    case XyzSeparator::kTab:
      return '\t';
    case XyzSeparator::kComma:
    case XyzSeparator::kBlank:
      break;
  }
  return ',';
}

// 0-15 for a hexadecimal digit, 16 for anything else.
constexpr std::array<std::uint8_t, 256> HexDigits() {
  std::array<std::uint8_t, 256> digits{};
  for (int b = 0; b < 256; ++b) digits[b] = 16;
  for (int b = '0'; b <= '9'; ++b) digits[b] = static_cast<std::uint8_t>(b - '0');
  for (int b = 'a'; b <= 'f'; ++b) digits[b] = static_cast<std::uint8_t>(b - 'a' + 10);
  for (int b = 'A'; b <= 'F'; ++b) digits[b] = static_cast<std::uint8_t>(b - 'A' + 10);
  return digits;
}
constexpr auto kHex = HexDigits();

// The value of b as a digit of base, or -1.
int DigitOf(unsigned char b, int base) {
  const int d = kHex[b];
  return d < base ? d : -1;
}

// ---- byte-by-byte: a line that crosses a chunk edge -------------------------

void StartField(XyzLineState& s, int phase) {
  s.value = 0;
  s.negative = false;
  s.base = 10;
  s.phase = phase;
}

void EndField(XyzLineState& s) {
  if (s.field < 3) s.fields[s.field] = s.negative ? 0 - s.value : s.value;
  ++s.field;
}

void StartLine(XyzLineState& s, XyzSeparator separator) {
  s = XyzLineState{};
  StartField(s, separator == XyzSeparator::kBlank ? kBetween : kLead);
}

// One byte of a field's number (never a separator).
void NumberByte(XyzLineState& s, unsigned char b) {
  switch (s.phase) {
    case kLead:
      if (IsBlank(b)) return;
      if (b == '-' || b == '+') {
        s.negative = b == '-';
        s.phase = kSigned;
        return;
      }
      [[fallthrough]];
    case kSigned:
      if (b == '$' || b == '%') {
        s.base = b == '$' ? 16 : 2;
        s.phase = kDigits;
        return;
      }
      if (b >= '0' && b <= '9') {
        s.value = b - '0';
        s.phase = kDigits;
      } else {
        s.phase = kRest;
      }
      return;
    case kDigits: {
      const int d = DigitOf(b, s.base);
      if (d < 0)
        s.phase = kRest;
      else
        s.value = s.value * static_cast<unsigned>(s.base) + static_cast<unsigned>(d);
      return;
    }
    default:
      return;
  }
}

// Feeds the bytes of one line (no line end among them).
void FeedLine(XyzLineState& s, const unsigned char* p, const unsigned char* end,
              XyzSeparator separator) {
  const bool blank = separator == XyzSeparator::kBlank;
  const unsigned char sep = static_cast<unsigned char>(SeparatorByte(separator));
  for (; p < end && s.field < 3; ++p) {
    const unsigned char b = *p;
    if (blank) {
      if (IsBlank(b)) {
        if (s.phase != kBetween) {
          EndField(s);
          StartField(s, kBetween);
        }
        continue;
      }
      if (s.phase == kBetween) s.phase = kLead;
    } else if (b == sep) {
      EndField(s);
      StartField(s, kLead);
      continue;
    }
    NumberByte(s, b);
  }
}

bool EndLine(XyzLineState& s, XyzPoint* point) {
  if (s.field < 3 && s.phase != kBetween) EndField(s);
  point->x = static_cast<std::int64_t>(s.fields[0]);
  point->y = static_cast<std::int64_t>(0 - s.fields[1]);
  point->grey = static_cast<std::uint8_t>(s.fields[2]);
  return point->x != 0 && point->y != 0;
}

// ---- the fast path: a whole line inside one chunk ---------------------------
// Every loop stops at a line end byte; the chunk's padding starts with a 0,
// which is one, so no loop runs past the chunk.

// The first line end at or behind p.
const unsigned char* FindLineEnd(const unsigned char* p) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (;; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, zero),
                                      _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
    const int mask = _mm_movemask_epi8(stop);
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
  }
#else
  while (!IsLineEnd(*p)) ++p;
  return p;
#endif
}

// 10^0 .. 10^15: the scales of Decimal's runs and of a short mantissa.
constexpr std::array<std::uint64_t, 16> kPow10 = [] {
  std::array<std::uint64_t, 16> table{};
  std::uint64_t value = 1;
  for (std::uint64_t& entry : table) {
    entry = value;
    value *= 10;
  }
  return table;
}();

// Decimal digits at p, eight at a time. Wraps like the integer conversion.
const unsigned char* Decimal(const unsigned char* p, std::uint64_t* value) {
  std::uint64_t v = *value;
  for (;;) {
    std::uint64_t bytes;
    std::memcpy(&bytes, p, 8);
    // A byte's high bit is set in either term when it is not '0'..'9'; a
    // carry or borrow only starts at such a byte and only spoils the bytes
    // above it, which come after the first non-digit anyway.
    const std::uint64_t nonDigit =
        ((bytes + 0x4646464646464646ULL) | (bytes - 0x3030303030303030ULL)) & 0x8080808080808080ULL;
    const int n = nonDigit ? __builtin_ctzll(nonDigit) / 8 : 8;
    if (n == 0) break;
    // The n digits to the top bytes, zeros (leading zero digits) below.
    std::uint64_t d = (bytes - 0x3030303030303030ULL) << (8 * (8 - n));
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFULL;
    v = v * kPow10[n] + d;
    p += n;
    if (n < 8) break;
  }
  *value = v;
  return p;
}

// The leading integer of a field, as the integer conversion reads it. A tab
// that separates fields is no blank to skip.
template <bool kTab>
const unsigned char* Number(const unsigned char* p, std::uint64_t* result) {
  while (*p == ' ' || (!kTab && *p == '\t')) ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  std::uint64_t v = 0;
  if (*p == '$') {
    for (++p; kHex[*p] < 16; ++p) v = v * 16 + kHex[*p];
  } else if (*p == '%') {
    for (++p; *p == '0' || *p == '1'; ++p) v = v * 2 + (*p - '0');
  } else {
    p = Decimal(p, &v);
  }
  *result = negative ? 0 - v : v;
  return p;
}

// Bytes that end the rest of a field: a line end and the separator.
constexpr std::array<bool, 256> FieldStops(XyzSeparator separator) {
  std::array<bool, 256> stop{};
  stop[0] = stop['\n'] = stop['\r'] = true;
  switch (separator) {
    case XyzSeparator::kBlank:
      stop[' '] = stop['\t'] = true;
      break;
    case XyzSeparator::kSemicolon:
      stop[';'] = true;
      break;
    case XyzSeparator::kTab:
      stop['\t'] = true;
      break;
    case XyzSeparator::kComma:
      stop[','] = true;
      break;
  }
  return stop;
}
constexpr auto kStopComma = FieldStops(XyzSeparator::kComma);
constexpr auto kStopSemicolon = FieldStops(XyzSeparator::kSemicolon);
constexpr auto kStopBlank = FieldStops(XyzSeparator::kBlank);
constexpr auto kStopTab = FieldStops(XyzSeparator::kTab);

// One line from p; returns its line end. `stop` ends a field. With
// separator characters, the next field starts behind the separator; with
// blanks, Number's skipping of blanks passes over the run between fields.
template <bool kBlank, bool kTab>
const unsigned char* ScanLine(const unsigned char* p, const std::array<bool, 256>& stop,
                              XyzPoint* point, bool* accepted) {
  *accepted = false;
  std::uint64_t x, northing, z;
  p = Number<kTab>(p, &x);
  if (x == 0) return FindLineEnd(p);
  while (!stop[*p]) ++p;
  if (!kBlank) {
    if (IsLineEnd(*p)) return p;
    ++p;
  }
  p = Number<kTab>(p, &northing);
  if (northing == 0) return FindLineEnd(p);
  while (!stop[*p]) ++p;
  if (kBlank || !IsLineEnd(*p)) {
    p = Number<kTab>(kBlank ? p : p + 1, &z);
    p = FindLineEnd(p);
  } else {
    z = 0;  // no third field
  }
  point->x = static_cast<std::int64_t>(x);
  point->y = static_cast<std::int64_t>(0 - northing);
  point->grey = static_cast<std::uint8_t>(z);
  *accepted = true;
  return p;
}

#if defined(__SSE2__)
// Line ends and field separators (with blanks: blanks and tabs) among the
// 32 bytes at p, one bit per byte.
template <bool kBlank>
void Marks32(const unsigned char* p, unsigned char separator, std::uint64_t* ends,
             std::uint64_t* seps) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i sep = _mm_set1_epi8(static_cast<char>(kBlank ? ' ' : separator));
  const __m128i tab = _mm_set1_epi8('\t');
  std::uint64_t e = 0, s = 0;
  for (int half = 0; half < 2; ++half) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
    const __m128i end = _mm_or_si128(_mm_cmpeq_epi8(v, zero),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
    __m128i field = _mm_cmpeq_epi8(v, sep);
    if (kBlank) field = _mm_or_si128(field, _mm_cmpeq_epi8(v, tab));
    e |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(end))) << (16 * half);
    s |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(field))) << (16 * half);
  }
  *ends = e;
  *seps = s;
}

// A line that ends within 64 bytes at p (most do): where its fields start
// comes from one look at the bytes, and the three numbers are read
// independently of each other. Returns the line end, or nullptr for a
// longer line. Every field's number stops at the latest at the next
// separator or the line end, neither of which it can read as part of it.
// `fieldStarts` gets where fields 1 to 3 start and where the integers of x,
// y and z end (for FieldExtras).
template <bool kBlank, bool kTab>
const unsigned char* ShortLine(const unsigned char* p, unsigned char separator, XyzPoint* point,
                               bool* accepted, const unsigned char** fieldStarts,
                               std::uint64_t* height) {
  std::uint64_t ends, seps;
  Marks32<kBlank>(p, separator, &ends, &seps);
  if (ends == 0) {
    std::uint64_t moreEnds, moreSeps;
    Marks32<kBlank>(p + 32, separator, &moreEnds, &moreSeps);
    if (moreEnds == 0) return nullptr;
    ends = moreEnds << 32;
    seps |= moreSeps << 32;
  }
  const int length = __builtin_ctzll(ends);
  const std::uint64_t inside = (std::uint64_t{1} << length) - 1;
  // Where fields 1 to 3 start; a field the line lacks starts at the line
  // end, where a number reads 0.
  const unsigned char* const lineEnd = p + length;
  const auto at = [p, lineEnd](std::uint64_t marks, int behind) {
    return marks ? p + __builtin_ctzll(marks) + behind : lineEnd;
  };
  const unsigned char *first, *second, *third;
  if (kBlank) {
    const std::uint64_t words = ~seps & inside;
    std::uint64_t starts = words & ~(words << 1);  // a non-blank behind a blank or at the start
    // Most lines start with their first field: a branch taken that way lets
    // its number be read before the marks are worked out.
    first = IsBlank(*p) ? at(starts, 0) : p;
    starts &= starts - 1;
    second = at(starts, 0);
    starts &= starts - 1;
    third = at(starts, 0);
  } else {
    std::uint64_t marks = seps & inside;
    first = p;
    second = at(marks, 1);
    marks &= marks - 1;
    third = at(marks, 1);
  }
  std::uint64_t x, northing, z;
  fieldStarts[3] = Number<kTab>(first, &x);
  fieldStarts[4] = Number<kTab>(second, &northing);
  fieldStarts[5] = Number<kTab>(third, &z);
  fieldStarts[0] = first;
  fieldStarts[1] = second;
  fieldStarts[2] = third;
  point->x = static_cast<std::int64_t>(x);
  point->y = static_cast<std::int64_t>(0 - northing);
  point->grey = static_cast<std::uint8_t>(z);
  *height = z;
  *accepted = x != 0 && northing != 0;
  return lineEnd;
}
#endif

// ---- heights and fractions, when an output wants them ----------------------

// The field after [.., p) ends: the next separator or the line's end.
const unsigned char* FieldEnd(const unsigned char* p, const unsigned char* end, bool blank,
                              unsigned char separator) {
  while (p < end && (blank ? !IsBlank(*p) : *p != separator)) ++p;
  return p;
}

// Keeps z and the fractional parts of x and y from where the line's
// fields start. Each may read on to the line's end: its number stops at the
// separator (or a blank) as it would at the field's end.
constexpr double kFractionScale[19] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                       1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                       1e14, 1e15, 1e16, 1e17, 1e18};

// XyzFieldFraction of the field at `start` whose integer digits end at
// `digitsEnd` (where Number stopped), without reading them again.
double FractionAt(const unsigned char* start, const unsigned char* digitsEnd, char mark) {
  while (IsBlank(*start)) ++start;
  const bool negative = *start == '-';
  if (*start == '-' || *start == '+') ++start;
  if (*start == '$' || *start == '%' || *digitsEnd != static_cast<unsigned char>(mark)) return 0;
  std::uint64_t value = 0;
  int decimals = 0;
  // Eighteen decimals say more than the tolerance needs.
  for (const unsigned char* p = digitsEnd + 1; *p >= '0' && *p <= '9' && decimals < 18;
       ++p, ++decimals)
    value = value * 10 + static_cast<unsigned>(*p - '0');
  const double fraction = static_cast<double>(value) / kFractionScale[decimals];
  return negative ? -fraction : fraction;
}

// What decides the fractional part of a field that starts with a digit:
// the bytes from where its integer digits end to where the next field
// starts (at most 7; their count + 1 in the top byte). Lines of one grid
// repeat it, and a field with the last field's key has its fraction.
// 0: no key (the fraction must be worked out).
inline std::uint64_t FractionKey(const unsigned char* start, const unsigned char* digitsEnd,
                                 const unsigned char* next) {
  const std::ptrdiff_t n = next - digitsEnd;
  if (*start < '0' || *start > '9' || n < 0 || n > 7) return 0;
  std::uint64_t bytes;
  std::memcpy(&bytes, digitsEnd, 8);
  const std::uint64_t mask = n ? ~std::uint64_t{0} >> (64 - 8 * n) : 0;
  return (bytes & mask) | static_cast<std::uint64_t>(n + 1) << 56;
}

// Up to seven decimal digits at p, at one look: their count (8: eight or
// more) and, below 8, their value.
inline int FewDigits(const unsigned char* p, std::uint64_t* value) {
  std::uint64_t bytes;
  std::memcpy(&bytes, p, 8);
  const std::uint64_t nonDigit =
      ((bytes + 0x4646464646464646ULL) | (bytes - 0x3030303030303030ULL)) & 0x8080808080808080ULL;
  if (!nonDigit) return 8;
  const int n = __builtin_ctzll(nonDigit) / 8;
  if (n == 0) {
    *value = 0;
    return 0;
  }
  std::uint64_t d = (bytes - 0x3030303030303030ULL) << (8 * (8 - n));
  d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FFULL;
  d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFFULL;
  d = (d * 10000 + (d >> 32)) & 0xFFFFFFFFULL;
  *value = d;
  return n;
}

// 10^-d as doubles: within 2^-53 of the exact tenths.
constexpr double kInverseScale[8] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};

// The Float32 of mantissa / 10^decimals as strtod's double would round to
// it, without the division (whose latency the line cannot hide). The
// product is within 3 units of the double's last place of the correctly
// rounded quotient, so both round to one float unless the product lies that
// close to a point halfway between two floats (the low 29 bits of its
// mantissa near 2^28); only then is it divided.
inline float ScaledHeight(std::uint64_t mantissa, int decimals) {
  const double product = static_cast<double>(mantissa) * kInverseScale[decimals];
  const auto low = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(product)) & 0x1FFFFFFFu;
  if (low - (0x10000000u - 4) <= 8)
    return static_cast<float>(static_cast<double>(mantissa) / kFractionScale[decimals]);
  return static_cast<float>(product);
}

// z of a short line as Float32(XyzFieldNumber) reads it, from the integer
// Number read (wrapped as the line rule wraps it) and where its digits
// end. A plain decimal of at most 15 digits is a mantissa below 2^53 over a
// power of ten, whose correctly rounded quotient is strtod's double; any
// other form goes the long way.
[[gnu::always_inline]] inline float HeightAt(const unsigned char* start,
                                             const unsigned char* digitsEnd, std::uint64_t integer,
                                             const unsigned char* end, char mark) {
  const auto slow = [&] { return static_cast<float>(XyzFieldNumber(start, end, mark)); };
  const unsigned char* p = start;
  while (*p == ' ') ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  const std::ptrdiff_t digits = digitsEnd - p;
  if (digits < 1 || digits > 8 || *p < '0' || *p > '9') return slow();
  std::uint64_t mantissa = negative ? 0 - integer : integer;
  int decimals = 0;
  const unsigned char* q = digitsEnd;
  if (*q == static_cast<unsigned char>(mark)) {
    std::uint64_t fraction = 0;
    decimals = FewDigits(q + 1, &fraction);
    if (decimals > 7) return slow();
    mantissa = mantissa * kPow10[decimals] + fraction;
    q += 1 + decimals;
  }
  if (*q == 'e' || *q == 'E' || *q == 'x' || *q == 'X') return slow();
  const float value = ScaledHeight(mantissa, decimals);
  return negative ? -value : value;
}

// The fraction keys of the last short line, per axis.
struct FractionKeys {
  std::uint64_t x = 0, y = 0;
};

// x and y of an accepted line as decimals, for an output grid of cells.
// Each number stops at the separator (or a blank) as it would at its
// field's end.
void KeepCoordinates(XyzScanner& s, const unsigned char* x, const unsigned char* xEnd,
                     const unsigned char* y, const unsigned char* yEnd, char mark) {
  s.eastings.push_back(XyzFieldNumber(x, xEnd, mark));
  s.northings.push_back(XyzFieldNumber(y, yEnd, mark));
}
// The same for a short line, from the integers just read (the last point).
void KeepCoordinates(XyzScanner& s, const unsigned char* const fields[5], const unsigned char* end,
                     char mark) {
  const XyzPoint& point = s.points.back();
  s.eastings.push_back(XyzCoordinate(fields[0], fields[3], end, point.x, mark));
  const auto northing = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(point.y));
  s.northings.push_back(XyzCoordinate(fields[1], fields[4], end, northing, mark));
}

// From where a short line's fields start (0 to 2) and where the integers
// of x, y and z end (3 to 5). z may read on to the line's end: its number
// stops at the separator (or a blank) as it would at the field's end.
[[gnu::always_inline]] inline void FieldExtras(XyzScanner& s, const unsigned char* const fields[6],
                                               std::uint64_t z, const unsigned char* end,
                                               FractionKeys& keys) {
  const char mark = XyzDecimalMark(s.separator == XyzSeparator::kSemicolon);
  if (s.wants.heights) s.heights.push_back(HeightAt(fields[2], fields[5], z, end, mark));
  if (s.wants.placement) {
    const std::uint64_t keyX = FractionKey(fields[0], fields[3], fields[1]);
    if ((keyX == 0 || keyX != keys.x) && !s.phaseX.mixed)
      XyzPhase_Add(s.phaseX, FractionAt(fields[0], fields[3], mark));
    keys.x = keyX;
    const std::uint64_t keyY = FractionKey(fields[1], fields[4], fields[2]);
    if ((keyY == 0 || keyY != keys.y) && !s.phaseY.mixed)
      XyzPhase_Add(s.phaseY, FractionAt(fields[1], fields[4], mark));
    keys.y = keyY;
  }
  if (s.wants.coordinates) KeepCoordinates(s, fields, end, mark);
}

// Splits an accepted line [p, end) into its first three fields, as the
// integer reading does, and keeps z and the fractional parts of x and y.
void LineExtras(XyzScanner& s, const unsigned char* p, const unsigned char* end) {
  const bool blank = s.separator == XyzSeparator::kBlank;
  const auto separator = static_cast<unsigned char>(SeparatorByte(s.separator));
  const char mark = XyzDecimalMark(s.separator == XyzSeparator::kSemicolon);
  const unsigned char* begins[3];
  const unsigned char* ends[3];
  for (int f = 0; f < 3; ++f) {
    if (blank)
      while (p < end && IsBlank(*p)) ++p;
    begins[f] = p;
    ends[f] = p = FieldEnd(p, end, blank, separator);
    if (!blank && p < end) ++p;  // past the separator
  }
  if (s.wants.heights)
    s.heights.push_back(static_cast<float>(XyzFieldNumber(begins[2], ends[2], mark)));
  if (s.wants.placement) {
    XyzPhase_Add(s.phaseX, XyzFieldFraction(begins[0], ends[0], mark));
    XyzPhase_Add(s.phaseY, XyzFieldFraction(begins[1], ends[1], mark));
  }
  if (s.wants.coordinates) KeepCoordinates(s, begins[0], ends[0], begins[1], ends[1], mark);
}

bool WantsExtras(const XyzScanner& s) {
  return s.wants.heights || s.wants.placement || s.wants.coordinates;
}

// ---- chunks -------------------------------------------------------------------

void Record(XyzScanner& s, std::int64_t position) {
  if (position < s.nextProgressAt) return;
  const std::int64_t value =
      s.length > 0 ? std::min<std::int64_t>(position * 50 / s.length, 50) : 0;
  if (s.progress.empty() || s.progress.back() != value) s.progress.push_back(value);
  // The first position whose figure is larger: ceil((value + 1) * length / 50).
  s.nextProgressAt = value >= 50 || s.length <= 0 ? std::numeric_limits<std::int64_t>::max()
                                                  : ((value + 1) * s.length + 49) / 50;
}

void Widen(GridBox& box, std::int64_t x, std::int64_t y) {
  box.minX = std::min(box.minX, x);
  box.minY = std::min(box.minY, y);
  box.maxX = std::max(box.maxX, x);
  box.maxY = std::max(box.maxY, y);
}

void Keep(XyzScanner& s, const XyzPoint& point) {
  s.points.push_back(point);
  Widen(s.box, point.x, point.y);
}

// A line read byte by byte: its extras come from the bytes kept of it.
void KeepWithExtras(XyzScanner& s, const XyzPoint& point) {
  Keep(s, point);
  if (!WantsExtras(s)) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.lineBytes.data());
  LineExtras(s, bytes, bytes + s.lineBytes.size());
  s.lineBytes.clear();
}

template <bool kBlank, bool kExtras, bool kTab = false>
const unsigned char* ScanLines(XyzScanner& s, const unsigned char* p, const unsigned char* end,
                               const std::array<bool, 256>& stop, const unsigned char* data) {
  std::vector<XyzPoint>& points = s.points;
  [[maybe_unused]] const auto separator = static_cast<unsigned char>(SeparatorByte(s.separator));
  // The box in locals while the loop runs: stores through s could alias the points.
  GridBox box = s.box;
  [[maybe_unused]] FractionKeys keys;
  const auto leave = [&](const unsigned char* at) {
    s.box = box;
    return at;
  };
  while (p < end) {
    XyzPoint point;
    bool accepted;
    [[maybe_unused]] const unsigned char* starts[6] = {};
    [[maybe_unused]] std::uint64_t z = 0;
#if defined(__SSE2__)
    const unsigned char* lineEnd =
        ShortLine<kBlank, kTab>(p, separator, &point, &accepted, starts, &z);
    if (!lineEnd) lineEnd = ScanLine<kBlank, kTab>(p, stop, &point, &accepted);
#else
    const unsigned char* lineEnd = ScanLine<kBlank, kTab>(p, stop, &point, &accepted);
#endif
    if (lineEnd == end) return leave(p);  // runs on into the next chunk
    if (accepted) {
      points.push_back(point);
      Widen(box, point.x, point.y);
      if (kExtras) {
        if (starts[0])
          FieldExtras(s, starts, z, lineEnd, keys);  // a short line: its fields are known
        else
          LineExtras(s, p, lineEnd);
      }
    }
    p = lineEnd + 1;
    if (*lineEnd == '\r') {
      if (p == end) {
        s.pendingCr = true;
        return leave(p);
      }
      if (*p == '\n') ++p;
    }
    Record(s, s.offset + (p - data));
  }
  return leave(p);
}

// The file's first bytes, when a UTF-8 byte-order mark is to be skipped:
// passes over the mark, also when chunks cut it. Bytes that only began like
// one start the first line, as they would have without the skipping.
const unsigned char* SkipByteOrderMark(XyzScanner& s, const unsigned char* p,
                                       const unsigned char* end) {
  static constexpr unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
  while (p < end && s.byteOrderMark < 3 && *p == kMark[s.byteOrderMark]) {
    ++p;
    ++s.byteOrderMark;
  }
  if (s.byteOrderMark == 3 || p == end) return p;  // skipped, or the next chunk decides
  const int held = s.byteOrderMark;
  s.byteOrderMark = -1;
  if (held > 0) {
    StartLine(s.line, s.separator);
    FeedLine(s.line, kMark, kMark + held, s.separator);
    if (WantsExtras(s)) s.lineBytes.assign(reinterpret_cast<const char*>(kMark), static_cast<std::size_t>(held));
    s.inLine = true;
  }
  return p;
}

}  // namespace

bool XyzScan_Chunk(XyzScanner& s, unsigned char* data, std::size_t size) {
  unsigned char* const end = data + size;
  std::memset(end, 0, kXyzScanPadding);
  const unsigned char* p = data;
  try {
    if (s.byteOrderMark >= 0 && s.byteOrderMark < 3) p = SkipByteOrderMark(s, p, end);
    if (s.pendingCr && p < end) {
      s.pendingCr = false;
      if (*p == '\n') ++p;
      Record(s, s.offset + (p - data));
    }
    if (s.inLine && p < end) {
      const unsigned char* lineEnd = FindLineEnd(p);
      // Only bytes up to the end of field 3 matter to the extras.
      if (WantsExtras(s) && s.line.field < 3)
        s.lineBytes.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(lineEnd - p));
      FeedLine(s.line, p, lineEnd, s.separator);
      if (lineEnd < end) {
        s.inLine = false;
        XyzPoint point;
        if (EndLine(s.line, &point)) KeepWithExtras(s, point);
        p = lineEnd + 1;
        if (*lineEnd == '\r') {
          if (p == end)
            s.pendingCr = true;
          else if (*p == '\n')
            ++p;
        }
        if (!s.pendingCr) Record(s, s.offset + (p - data));
      } else {
        p = end;
      }
    }
    if (!s.inLine && !s.pendingCr && p < end) {
      const bool extras = WantsExtras(s);
      switch (s.separator) {
        case XyzSeparator::kComma:
          p = extras ? ScanLines<false, true>(s, p, end, kStopComma, data)
                     : ScanLines<false, false>(s, p, end, kStopComma, data);
          break;
        case XyzSeparator::kSemicolon:
          p = extras ? ScanLines<false, true>(s, p, end, kStopSemicolon, data)
                     : ScanLines<false, false>(s, p, end, kStopSemicolon, data);
          break;
        case XyzSeparator::kBlank:
          p = extras ? ScanLines<true, true>(s, p, end, kStopBlank, data)
                     : ScanLines<true, false>(s, p, end, kStopBlank, data);
          break;
        case XyzSeparator::kTab:
          p = extras ? ScanLines<false, true, true>(s, p, end, kStopTab, data)
                     : ScanLines<false, false, true>(s, p, end, kStopTab, data);
          break;
      }
      if (p < end) {  // a line the next chunk ends
        StartLine(s.line, s.separator);
        FeedLine(s.line, p, end, s.separator);
        if (extras) s.lineBytes.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
        s.inLine = true;
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  s.offset += static_cast<std::int64_t>(size);
  return true;
}

bool XyzScan_Finish(XyzScanner& s) {
  // A file that ended inside what began like a mark holds no point.
  if (s.byteOrderMark > 0 && s.byteOrderMark < 3) s.byteOrderMark = -1;
  try {
    if (s.inLine) {
      s.inLine = false;
      XyzPoint point;
      if (EndLine(s.line, &point)) KeepWithExtras(s, point);
      Record(s, s.offset);
    } else if (s.pendingCr) {
      s.pendingCr = false;
      Record(s, s.offset);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
