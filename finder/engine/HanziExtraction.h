// Turns one line of a scanned file into the text the report shows for it: the
// runs of bytes 0x80..0xFF joined by two blanks, and, with the Unicode option,
// five-digit numeric character references converted to CP936.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ByteScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The bytes that can make a line yield text: a byte 0x80 or above and, with
// the reference option, a "#". Everything else is plain ASCII that the
// extraction drops, so lines without a significant byte are only counted.
class SignificantBytes {
 public:
  explicit SignificantBytes(bool references) : references_(references) {}

  bool Is(unsigned char c) const { return c >= 0x80 || (references_ && c == '#'); }
  // The same bytes, for a scan over many lines.
  platform::StopBytes Stops() const {
    platform::StopBytes stops;
    if (references_) stops.Add('#');
    return stops;
  }

  // Bit i set when p[i] is significant, for the 16 bytes at p.
  unsigned Mask16(const unsigned char* p) const {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
    if (references_) mask |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('#'))));
    return mask;
#else
    unsigned mask = 0;
    for (int k = 0; k < 16; ++k) mask |= static_cast<unsigned>(Is(p[k])) << k;
    return mask;
#endif
  }

  // The same for the 64 bytes at p.
  std::uint64_t Mask64(const unsigned char* p) const {
#if defined(__SSE2__)
    // Mostly there is none: one test for the whole block first.
    const auto* block = reinterpret_cast<const __m128i*>(p);
    const __m128i v0 = _mm_loadu_si128(block), v1 = _mm_loadu_si128(block + 1);
    const __m128i v2 = _mm_loadu_si128(block + 2), v3 = _mm_loadu_si128(block + 3);
    __m128i any = _mm_or_si128(_mm_or_si128(v0, v1), _mm_or_si128(v2, v3));
    if (references_) {
      const __m128i hash = _mm_set1_epi8('#');
      any = _mm_or_si128(any, _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v0, hash), _mm_cmpeq_epi8(v1, hash)),
                                           _mm_or_si128(_mm_cmpeq_epi8(v2, hash), _mm_cmpeq_epi8(v3, hash))));
    }
    if (_mm_movemask_epi8(any) == 0) return 0;
#endif
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) mask |= static_cast<std::uint64_t>(Mask16(p + 16 * k)) << (16 * k);
    return mask;
  }

 private:
  bool references_;
};

// Index of the first significant byte at or after from, or n: everything in
// between is dropped, so skipping it a block at a time gives the same result
// as looking at each byte.
inline std::size_t SkipPlainBytes(const unsigned char* p, std::size_t from, std::size_t n,
                                  const SignificantBytes& significant) {
  std::size_t i = from;
  for (; i + 16 <= n; i += 16) {
    if (const unsigned mask = significant.Mask16(p + i); mask != 0)
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  for (; i < n && !significant.Is(p[i]); ++i) {
  }
  return i;
}

// Index of the first byte below 0x80 at or after from, or n: the end of a
// run of high bytes, found a block at a time.
inline std::size_t SkipHighBytes(const unsigned char* p, std::size_t from, std::size_t n) {
  std::size_t i = from;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
    if (high != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(~high));
  }
#endif
  for (; i < n && p[i] >= 0x80; ++i) {
  }
  return i;
}

// Replaces result with the line's extracted text. result is an out-parameter
// so that the caller's buffer is reused from line to line.
void ExtractHanzi(std::string_view line, int searchUnicode, std::string& result);

// The same for a line of the system's own text (the converter's output),
// where a GB18030 four-byte form (an ideograph GBK lacks) is one character
// of a run rather than bytes that its digits split.
void ExtractSystemText(std::string_view line, int searchUnicode, std::string& result);

// The same under the Han character set, for a line read as GBK (systemText:
// the system's own text, whose GB18030 four-byte forms are characters): only
// Chinese text joins a run (see platform::CharacterSet), in the line's own
// bytes; a reference is converted only when it names Chinese text.
void ExtractHan(std::string_view line, int searchUnicode, bool systemText, std::string& result);

// Appends a collected run to result, after the two-blank separator when result
// already holds something.
void FlushRun(std::string_view run, std::string& result);

// Converts the five bytes after "&#" when they are decimal digits of a number
// below 65,536; text receives the CP936 bytes (empty for 0).
bool ConvertEntity(std::string_view fiveBytes, std::string& text);
// The code point of such a reference: the same test, without the conversion.
bool EntityCodePoint(std::string_view fiveBytes, char32_t& c);
