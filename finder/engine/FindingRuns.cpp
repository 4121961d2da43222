#include "finder/engine/FindingRuns.h"

#include "finder/engine/HanziExtraction.h"
#include "platform/CodePage.h"

namespace {

using platform::TextEncoding;

// Where the next byte that may start a counted character (0x80 or above, or
// "&" of a reference) stands at or after i: the ASCII between is passed over
// sixteen bytes at a time, as the extraction does.
std::size_t NextSignificant(std::string_view line, std::size_t i, bool references) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
#if defined(__SSE2__)
  const __m128i amp = _mm_set1_epi8('&');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
    if (references) mask |= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, amp)));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n && p[i] < 0x80 && !(references && p[i] == '&'); ++i) {
  }
  return i;
}

// "&#" and five digits (and the ";" after them) at line[i] that turn into a
// character that counts: its length in the line, and its code point. Under
// the Gbk set that is what converts to a byte 0x80 or above, under the Han
// set what is Chinese text (hanOnly: that set's forms).
std::size_t ReferenceAt(std::string_view line, std::size_t i, const platform::CountedForms* hanOnly, char32_t& c) {
  if (i + 7 > line.size() || line[i] != '&' || line[i + 1] != '#') return 0;
  if (hanOnly) {
    if (!EntityCodePoint(line.substr(i + 2, 5), c) || hanOnly->Lookup(c) == 0) return 0;
  } else {
    std::string bytes;
    if (!ConvertEntity(line.substr(i + 2, 5), bytes) || bytes.empty() || static_cast<unsigned char>(bytes[0]) < 0x80)
      return 0;
    platform::DecodeAnsiChar(bytes, 0, c);
  }
  return i + 7 < line.size() && line[i + 7] == ';' ? 8 : 7;
}

// The line's next run, in the next element the vector already has when
// there is one: its text keeps its room, so that once the vector has grown
// a line's runs allocate nothing.
CharacterRun& NextRun(std::vector<CharacterRun>& runs, std::size_t& used) {
  if (used == runs.size()) {
    ++used;
    return runs.emplace_back();
  }
  CharacterRun& run = runs[used++];
  std::string text = std::move(run.text);
  run = CharacterRun();
  run.text = std::move(text);
  run.text.clear();
  return run;
}

}  // namespace

void FindRuns(std::string_view line, TextEncoding encoding, bool systemText, bool references,
              platform::CharacterSet set, std::vector<CharacterRun>& runs) {
  std::size_t used = 0;
  const platform::CountedForms& forms = platform::CountedForms::Get(set);
  const platform::CountedForms* hanOnly = set == platform::CharacterSet::Han ? &forms : nullptr;
  const bool gbk = encoding == TextEncoding::Gbk;
  const std::int64_t bytesPerUnit = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 0;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  std::int64_t characters = 0, units = 0;
  CharacterRun* open = nullptr;
  for (std::size_t i = 0; i < line.size();) {
    if (p[i] < 0x80 && !(references && p[i] == '&')) {
      // Plain ASCII ends a run, a character (and a unit) a byte.
      const std::size_t next = NextSignificant(line, i, references);
      characters += static_cast<std::int64_t>(next - i);
      units += static_cast<std::int64_t>(next - i);
      i = next;
      open = nullptr;
      continue;
    }
    char32_t c = 0;
    std::size_t length = references ? ReferenceAt(line, i, hanOnly, c) : 0;
    const bool reference = length > 0;
    bool counted = reference;
    if (!reference) {
      if (p[i] < 0x80) {
        length = 1;  // an "&" that starts no counted reference
      } else if (gbk) {
        // The byte rule counts every byte 0x80 or above; a character that
        // reads as a whole (a lead and a trail byte, a four-byte form of the
        // system's own text) is one. The Han set counts only what decodes
        // to Chinese text.
        length = systemText ? platform::DecodeAnsiChar(line, i, c) : platform::GbkCharLength(line, i);
        if (!systemText) platform::DecodeAnsiChar(line.substr(0, i + length), i, c);
        counted = !hanOnly || forms.Lookup(c) != 0;
      } else {
        const int decoded = platform::DecodeUtf8(p + i, line.size() - i, c);
        length = decoded > 0 ? static_cast<std::size_t>(decoded) : 1;  // a byte that is no UTF-8 acts as ASCII
        counted = decoded > 0 && forms.Lookup(c) != 0;
      }
    }
    if (!counted) {
      open = nullptr;
    } else {
      if (!open) {
        open = &NextRun(runs, used);
        open->byteColumn = (bytesPerUnit ? bytesPerUnit * units : static_cast<std::int64_t>(i)) + 1;
        open->characterColumn = characters + 1;
      }
      if (!gbk && !reference)
        open->text.append(line.substr(i, length));
      else
        platform::AppendUtf8(c, open->text);
      open->characterSpan += reference ? static_cast<std::int64_t>(length) : 1;
    }
    const std::int64_t taken = reference ? static_cast<std::int64_t>(length) : 1;
    characters += taken;
    units += reference ? taken : (c >= 0x10000 ? 2 : 1);
    i += length;
  }
  runs.resize(used);
}

StoredColumns::StoredColumns(std::string_view line, TextEncoding encoding, bool systemText)
    : line_(line), gbk_(encoding == TextEncoding::Gbk),
      utf16_(encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE), systemText_(systemText) {}

std::int64_t StoredColumns::At(std::int64_t characterColumn) {
  if (characterColumn < character_) {
    i_ = 0;
    units_ = 0;
    character_ = 1;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(line_.data());
  for (; character_ < characterColumn && i_ < line_.size(); ++character_) {
    std::size_t length = 1;
    char32_t c = p[i_];
    if (p[i_] >= 0x80) {
      if (gbk_) {
        length = systemText_ ? platform::DecodeAnsiChar(line_, i_, c) : platform::GbkCharLength(line_, i_);
      } else {
        const int decoded = platform::DecodeUtf8(p + i_, line_.size() - i_, c);
        length = decoded > 0 ? static_cast<std::size_t>(decoded) : 1;
      }
      if (length == 0) length = 1;
    }
    units_ += c >= 0x10000 ? 2 : 1;
    i_ += length;
  }
  return (utf16_ ? 2 * units_ : static_cast<std::int64_t>(i_)) + 1;
}
