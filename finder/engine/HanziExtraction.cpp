#include "finder/engine/HanziExtraction.h"

#include <cstdint>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void FlushRun(std::string_view run, std::string& result) {
  if (!result.empty()) result.append("  ", 2);
  result.append(run.data(), run.size());
}

bool EntityCodePoint(std::string_view fiveBytes, char32_t& c) {
  if (fiveBytes.size() != 5) return false;
  unsigned n = 0;
  for (char digit : fiveBytes) {
    if (digit < '0' || digit > '9') return false;
    n = n * 10 + static_cast<unsigned>(digit - '0');
  }
  // A reference above U+FFFF does not fit one UTF-16 unit; it stays unconverted.
  if (n > 0xFFFF) return false;
  c = n;
  return true;
}

bool ConvertEntity(std::string_view fiveBytes, std::string& text) {
  char32_t c = 0;
  if (!EntityCodePoint(fiveBytes, c)) return false;
  char buffer[3];
  int written = platform::WideCharToAnsi(static_cast<std::uint16_t>(c), buffer);
  if (written <= 0) return false;
  text.assign(buffer, std::strlen(buffer));
  return true;
}

namespace {

// A GB18030 four-byte form at p[i]: lead, digit, lead, digit.
bool FourByteFormAt(const unsigned char* p, std::size_t i, std::size_t n) {
  return i + 4 <= n && p[i] >= 0x81 && p[i] <= 0xFE && p[i + 1] >= 0x30 && p[i + 1] <= 0x39 && p[i + 2] >= 0x81 &&
         p[i + 2] <= 0xFE && p[i + 3] >= 0x30 && p[i + 3] <= 0x39;
}

// The byte rule; with fourByteForms a GB18030 four-byte form (the system's
// own text, such as the converter writes) joins a run whole instead of its
// digits ending it.
template <bool fourByteForms>
void Extract(std::string_view line, int searchUnicode, std::string& result) {
  result.clear();
  // A long line of characters yields about as many bytes: one allocation
  // of that size instead of a doubling that briefly holds both copies.
  if (line.size() > result.capacity() && line.size() > 4096) result.reserve(line.size());
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  const bool unicode = searchUnicode != 0;
  const SignificantBytes significant(unicode);
  std::size_t runStart = 0;
  std::size_t runLength = 0;
  std::string converted;

  std::size_t i = 0;
  while (i < n) {
    if (runLength == 0) {
      i = SkipPlainBytes(p, i, n, significant);
      if (i >= n) break;
    }
    const unsigned char b = p[i];
    if (fourByteForms && b >= 0x80 && FourByteFormAt(p, i, n)) {
      if (runLength == 0) runStart = i;
      runLength += 4;
      i += 4;
      continue;
    }
    if (b >= 0x80) {
      if (runLength == 0) runStart = i;
      if constexpr (!fourByteForms) {
        // The byte rule reads no character, so the run goes on to the next ASCII byte.
        const std::size_t end = SkipHighBytes(p, i, n);
        runLength += end - i;
        i = end;
        continue;
      }
      ++runLength;
    } else if (runLength > 0) {
      FlushRun(line.substr(runStart, runLength), result);
      runLength = 0;
    }
    if (unicode && b == '#' && i >= 1 && p[i - 1] == '&' && i + 5 <= n - 1 &&
        ConvertEntity(line.substr(i + 1, 5), converted)) {
      result += converted;
      i += 6;
      continue;
    }
    ++i;
  }
  if (runLength > 0) FlushRun(line.substr(runStart, runLength), result);
}

// How many bytes from i on are GB2312's hanzi, whole double-byte characters
// (lead B0-F7, trail A1-FE, but for D7FA-D7FE, which GB2312 leaves empty),
// counted sixteen bytes at a time: each is an ideograph, which both sets
// count, so a run of them needs no look-up per character.
std::size_t Gb2312HanziBytes(const unsigned char* p, std::size_t i, std::size_t n) {
  const std::size_t from = i;
#if defined(__SSE2__)
  const auto pairs = [](int lead, int trail) {
    const char a = static_cast<char>(lead), b = static_cast<char>(trail);
    return _mm_setr_epi8(a, b, a, b, a, b, a, b, a, b, a, b, a, b, a, b);
  };
  const __m128i low = pairs(0xB0, 0xA1), width = pairs(0xF7 - 0xB0, 0xFE - 0xA1);
  const __m128i leadD7 = _mm_set1_epi8(static_cast<char>(0xD7)), trailFA = _mm_set1_epi8(static_cast<char>(0xFA));
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // In range when the byte less the range's start is at most its width.
    const __m128i offset = _mm_sub_epi8(v, low);
    unsigned bad = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(offset, width), width)));
    // A D7 lead moved onto its trail's lane, against a trail of FA and above.
    const __m128i afterD7 = _mm_slli_si128(_mm_cmpeq_epi8(v, leadD7), 1);
    const __m128i highTrail = _mm_cmpeq_epi8(_mm_max_epu8(v, trailFA), v);
    bad |= static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(afterD7, highTrail))) & 0xAAAA;
    // The whole characters before the first byte that is none of them.
    if ((bad & 0xFFFF) != 0) return i - from + (static_cast<std::size_t>(__builtin_ctz(bad)) & ~std::size_t{1});
  }
#endif
  return i - from;
}

// The Han set over a text read as GBK: a double-byte character (or, with
// fourByteForms, a GB18030 four-byte form) joins a run when it is Chinese
// text; any other byte 0x80 or above ends the run as ASCII does, and a
// reference is converted only when it names Chinese text.
template <bool fourByteForms>
void ExtractHanOfGbk(std::string_view line, int searchUnicode, std::string& result) {
  result.clear();
  if (line.size() > result.capacity() && line.size() > 4096) result.reserve(line.size());
  const platform::CountedForms& han = platform::CountedForms::Get(platform::CharacterSet::Han);
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  const bool unicode = searchUnicode != 0;
  const SignificantBytes significant(unicode);
  std::size_t runStart = 0;
  std::size_t runLength = 0;
  const auto endRun = [&] {
    if (runLength > 0) FlushRun(line.substr(runStart, runLength), result);
    runLength = 0;
  };

  std::size_t i = 0;
  while (i < n) {
    if (runLength == 0) {
      i = SkipPlainBytes(p, i, n, significant);
      if (i >= n) break;
    }
    const unsigned char b = p[i];
    if (b >= 0x80) {
      if (const std::size_t hanzi = Gb2312HanziBytes(p, i, n); hanzi > 0) {
        if (runLength == 0) runStart = i;
        runLength += hanzi;
        i += hanzi;
        continue;
      }
      std::size_t length = 1;
      bool counts = false;
      if (fourByteForms && FourByteFormAt(p, i, n)) {
        char32_t c = 0;
        length = platform::DecodeAnsiChar(line, i, c);
        counts = han.Lookup(c) != 0;
      } else if (platform::GbkCharLength(line, i) == 2) {
        length = 2;
        counts = han.CountsGbkPair(b, p[i + 1]);
      }
      if (!counts) {
        endRun();
      } else {
        if (runLength == 0) runStart = i;
        runLength += length;
      }
      i += length;
      continue;
    }
    endRun();
    char32_t c = 0;
    if (unicode && b == '#' && i >= 1 && p[i - 1] == '&' && i + 5 <= n - 1 && EntityCodePoint(line.substr(i + 1, 5), c)) {
      if (const std::uint32_t form = han.Lookup(c); form != 0) {
        char bytes[4];
        result.append(bytes, static_cast<std::size_t>(platform::CountedForms::Bytes(form, bytes)));
        i += 6;
        continue;
      }
    }
    ++i;
  }
  endRun();
}

}  // namespace

void ExtractHan(std::string_view line, int searchUnicode, bool systemText, std::string& result) {
  if (systemText)
    ExtractHanOfGbk<true>(line, searchUnicode, result);
  else
    ExtractHanOfGbk<false>(line, searchUnicode, result);
}

void ExtractHanzi(std::string_view line, int searchUnicode, std::string& result) {
  Extract<false>(line, searchUnicode, result);
}

void ExtractSystemText(std::string_view line, int searchUnicode, std::string& result) {
  Extract<true>(line, searchUnicode, result);
}
