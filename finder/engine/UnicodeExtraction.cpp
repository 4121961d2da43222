#include "finder/engine/UnicodeExtraction.h"

#include <cstddef>
#include <cstdint>

#include "finder/engine/HanziExtraction.h"
#include "platform/TextEncoding.h"

namespace {

// Index of the first byte at or after from that can make the line yield
// something (a non-ASCII byte, or with references a "#"), or n.
std::size_t SkipPlain(const unsigned char* p, std::size_t from, std::size_t n, const SignificantBytes& significant) {
  std::size_t i = from;
  for (; i + 16 <= n; i += 16) {
    if (const unsigned mask = significant.Mask16(p + i); mask != 0)
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  for (; i < n && !significant.Is(p[i]); ++i) {
  }
  return i;
}

}  // namespace

bool ExtractHanziUtf8(std::string_view line, int searchUnicode, std::string& result) {
  result.clear();
  if (line.size() > result.capacity() && line.size() > 4096) result.reserve(line.size());
  const platform::CountedForms& forms = platform::CountedForms::Get();
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  const bool unicode = searchUnicode != 0;
  const SignificantBytes significant(unicode);
  bool wellFormed = true;
  // A run is written as it is read: its separator goes first, when the
  // result already holds something, which is what FlushRun decides at its
  // end, since nothing but the run's own characters comes in between.
  bool inRun = false;
  std::string converted;

  std::size_t i = 0;
  while (i < n) {
    if (!inRun) {
      i = SkipPlain(p, i, n, significant);
      if (i >= n) break;
    }
    const unsigned char b = p[i];
    if (b >= 0x80) {
      char32_t c = 0;
      const int length = platform::DecodeUtf8(p + i, n - i, c);
      if (length <= 0) {
        wellFormed = false;
        inRun = false;
        ++i;
        continue;
      }
      i += static_cast<std::size_t>(length);
      const std::uint32_t form = forms.Lookup(c);
      if (form == 0) {
        inRun = false;
        continue;
      }
      if (!inRun) {
        if (!result.empty()) result.append("  ", 2);
        inRun = true;
      }
      char bytes[4];
      result.append(bytes, static_cast<std::size_t>(platform::CountedForms::Bytes(form, bytes)));
      continue;
    }
    inRun = false;
    if (unicode && b == '#' && i >= 1 && p[i - 1] == '&' && i + 5 <= n - 1 &&
        ConvertEntity(line.substr(i + 1, 5), converted)) {
      result += converted;
      i += 6;
      continue;
    }
    ++i;
  }
  return wellFormed;
}
