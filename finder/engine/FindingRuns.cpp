#include "finder/engine/FindingRuns.h"

#include "finder/engine/HanziExtraction.h"
#include "platform/CodePage.h"

namespace {

using platform::TextEncoding;

// One character of the line: its bytes, whether it counts, and (for a
// reference) the characters it stands for.
struct Character {
  std::size_t length = 1;
  std::size_t units = 1;  // UTF-16 units, for stored columns of a UTF-16 file
  bool counted = false;
  std::string utf8;  // the counted character's text
};

// "&#" and five digits (and the ";" after them) at line[i]: the reference's
// character when it is one that counts.
bool ReferenceAt(std::string_view line, std::size_t i, Character& c) {
  if (i + 7 > line.size() || line[i] != '&' || line[i + 1] != '#') return false;
  std::string bytes;
  if (!ConvertEntity(line.substr(i + 2, 5), bytes) || bytes.empty() || static_cast<unsigned char>(bytes[0]) < 0x80)
    return false;
  c.length = i + 7 < line.size() && line[i + 7] == ';' ? 8 : 7;
  c.units = c.length;
  c.counted = true;
  c.utf8 = platform::AnsiToUtf8Lenient(bytes);
  return true;
}

Character NextInGbk(std::string_view line, std::size_t i, bool systemText) {
  Character c;
  const auto b = static_cast<unsigned char>(line[i]);
  if (b < 0x80) return c;
  // The byte rule counts every byte 0x80 or above; a character that reads
  // as a whole (a lead and a trail byte, a four-byte form) is one.
  const auto at = [&](std::size_t k) { return i + k < line.size() ? static_cast<unsigned char>(line[i + k]) : 0u; };
  if (systemText && at(1) >= 0x30 && at(1) <= 0x39 && at(2) >= 0x81 && at(3) >= 0x30 && at(3) <= 0x39)
    c.length = 4;
  else
    c.length = platform::GbkCharLength(line, i);
  c.counted = true;
  c.utf8 = platform::AnsiToUtf8Lenient(line.substr(i, c.length));
  return c;
}

Character NextInUtf8(std::string_view line, std::size_t i) {
  Character c;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data()) + i;
  if (p[0] < 0x80) return c;
  char32_t code = 0;
  const int length = platform::DecodeUtf8(p, line.size() - i, code);
  if (length <= 0) return c;  // a byte that is no UTF-8 acts as ASCII does
  c.length = static_cast<std::size_t>(length);
  c.units = code >= 0x10000 ? 2 : 1;
  const std::uint32_t form = platform::CountedForms::Get().Lookup(code);
  c.counted = form != 0;
  if (c.counted) c.utf8.assign(line.substr(i, c.length));
  return c;
}

}  // namespace

void FindRuns(std::string_view line, TextEncoding encoding, bool systemText, bool references,
              std::vector<CharacterRun>& runs) {
  runs.clear();
  const bool gbk = encoding == TextEncoding::Gbk;
  const std::int64_t bytesPerUnit = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 0;
  std::int64_t characters = 0, units = 0;
  CharacterRun* open = nullptr;
  for (std::size_t i = 0; i < line.size();) {
    Character c;
    const bool reference = references && ReferenceAt(line, i, c);
    if (!reference) c = gbk ? NextInGbk(line, i, systemText) : NextInUtf8(line, i);
    if (!c.counted) {
      open = nullptr;
    } else {
      if (!open) {
        open = &runs.emplace_back();
        open->byteColumn = (bytesPerUnit ? bytesPerUnit * units : static_cast<std::int64_t>(i)) + 1;
        open->characterColumn = characters + 1;
      }
      open->text += c.utf8;
      open->characterSpan += reference ? static_cast<std::int64_t>(c.length) : 1;
    }
    characters += reference ? static_cast<std::int64_t>(c.length) : 1;
    units += static_cast<std::int64_t>(c.units);
    i += c.length;
  }
}
