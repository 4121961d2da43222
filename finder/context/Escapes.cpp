#include "finder/context/Escapes.h"

#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace context {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of up to max hex digits at line[i] (at least min); the digits
// read in length, 0 when fewer than min.
std::uint32_t Hex(std::string_view line, std::size_t i, std::size_t min, std::size_t max, std::size_t& length) {
  std::uint32_t value = 0;
  length = 0;
  while (length < max && i + length < line.size() && HexValue(line[i + length]) >= 0) {
    value = value * 16 + static_cast<std::uint32_t>(HexValue(line[i + length]));
    ++length;
  }
  if (length < min) length = 0;
  return value;
}

constexpr char32_t kNone = 0xFFFFFFFF;

// Where the next byte that may start an escape ("\\", "&", "%") stands at or
// after i: most lines hold none, and are passed over sixteen bytes at a time.
std::size_t NextMark(std::string_view line, std::size_t i) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
#if defined(__SSE2__)
  const __m128i backslash = _mm_set1_epi8('\\'), amp = _mm_set1_epi8('&'), percent = _mm_set1_epi8('%');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, backslash), _mm_cmpeq_epi8(v, amp)),
                                     _mm_cmpeq_epi8(v, percent));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n && p[i] != '\\' && p[i] != '&' && p[i] != '%'; ++i) {
  }
  return i;
}

// One escape that stands for a character: where it ends and what it is.
struct Unit {
  std::size_t end = 0;
  char32_t c = kNone;
};

class Reader {
 public:
  explicit Reader(std::string_view line) : line_(line) {}

  // The escapes that start at i, decoded into units (several for a run of
  // byte escapes that make more than one character); none when no escape
  // starts there. Returns where reading goes on.
  std::size_t Read(std::size_t i, std::vector<std::pair<std::size_t, Unit>>& units) {
    const char c = line_[i];
    if (c == '\\') return Backslash(i, units);
    if (c == '&') return Reference(i, units);
    return Bytes(i, '%', 3, units);
  }

 private:
  std::size_t Backslash(std::size_t i, std::vector<std::pair<std::size_t, Unit>>& units) {
    if (i + 1 >= line_.size()) return i + 1;
    const char kind = line_[i + 1];
    std::size_t length = 0;
    if (kind == '\\') return i + 2;  // an escaped backslash
    if ((kind == 'u' || kind == 'x') && i + 2 < line_.size() && line_[i + 2] == '{') {
      const std::uint32_t value = Hex(line_, i + 3, 1, 8, length);
      if (length > 0 && i + 3 + length < line_.size() && line_[i + 3 + length] == '}') {
        units.push_back({i, {i + 4 + length, value <= 0x10FFFF ? value : kNone}});
        return i + 4 + length;
      }
      return i + 2;
    }
    if (kind == 'u') {
      const std::uint32_t unit = Hex(line_, i + 2, 4, 4, length);
      if (length == 0) return i + 2;
      std::size_t end = i + 6;
      char32_t value = unit;
      if (unit >= 0xD800 && unit <= 0xDBFF && line_.compare(end, 2, "\\u") == 0) {
        const std::uint32_t low = Hex(line_, end + 2, 4, 4, length);
        if (length > 0 && low >= 0xDC00 && low <= 0xDFFF) {
          value = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          end += 6;
        }
      }
      if (value >= 0xD800 && value <= 0xDFFF) value = kNone;
      units.push_back({i, {end, value}});
      return end;
    }
    if (kind == 'U') {
      const std::uint32_t value = Hex(line_, i + 2, 8, 8, length);
      if (length == 0) return i + 2;
      units.push_back({i, {i + 10, value <= 0x10FFFF ? value : kNone}});
      return i + 10;
    }
    if (kind == 'x') return Bytes(i, '\\', 4, units);
    // CSS: four to six hex digits (no Chinese character has fewer), and one blank that ends it
    const std::uint32_t value = Hex(line_, i + 1, 4, 6, length);
    if (length == 0) return i + 1;
    std::size_t end = i + 1 + length;
    if (end < line_.size() && line_[end] == ' ') ++end;
    units.push_back({i, {end, value <= 0x10FFFF ? value : kNone}});
    return end;
  }

  std::size_t Reference(std::size_t i, std::vector<std::pair<std::size_t, Unit>>& units) {
    if (line_.compare(i, 2, "&#") != 0) return i + 1;
    const bool hex = i + 2 < line_.size() && (line_[i + 2] == 'x' || line_[i + 2] == 'X');
    const std::size_t digits = i + (hex ? 3 : 2);
    std::size_t end = digits;
    std::uint64_t value = 0;
    while (end < line_.size() && (hex ? HexValue(line_[end]) >= 0 : (line_[end] >= '0' && line_[end] <= '9'))) {
      value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(hex ? HexValue(line_[end]) : line_[end] - '0');
      if (value > 0x10FFFF) value = 0x110000;  // stays out of range however long
      ++end;
    }
    if (end == digits) return i + 2;
    if (end < line_.size() && line_[end] == ';') ++end;
    units.push_back({i, {end, value <= 0x10FFFF ? static_cast<char32_t>(value) : kNone}});
    return end;
  }

  // A run of byte escapes (\xE4\xB8\xAD, %E4%B8%AD) read as UTF-8: each
  // character is one unit from its first byte's escape to its last's.
  std::size_t Bytes(std::size_t i, char mark, std::size_t width, std::vector<std::pair<std::size_t, Unit>>& units) {
    bytes_.clear();
    starts_.clear();
    std::size_t at = i;
    for (;;) {
      std::size_t length = 0;
      if (at >= line_.size() || line_[at] != mark) break;
      if (mark == '\\' && (at + 1 >= line_.size() || line_[at + 1] != 'x')) break;
      const std::uint32_t value = Hex(line_, at + width - 2, 2, 2, length);
      if (length == 0) break;
      bytes_.push_back(static_cast<unsigned char>(value));
      starts_.push_back(at);
      at += width;
    }
    if (bytes_.empty()) return i + 1;
    starts_.push_back(at);
    for (std::size_t k = 0; k < bytes_.size();) {
      char32_t c = kNone;
      int length = bytes_[k] < 0x80 ? 1 : platform::DecodeUtf8(bytes_.data() + k, bytes_.size() - k, c);
      if (length <= 0) length = 1;
      if (bytes_[k] < 0x80) c = bytes_[k];
      const std::size_t next = k + static_cast<std::size_t>(length);
      units.push_back({starts_[k], {starts_[next], c}});
      k = next;
    }
    return at;
  }

  std::string_view line_;
  std::vector<unsigned char> bytes_;
  std::vector<std::size_t> starts_;
};

}  // namespace

void FindEscapes(std::string_view line, const std::function<bool(char32_t)>& counts, std::vector<EscapedRun>& runs) {
  runs.clear();
  Reader reader(line);
  std::vector<std::pair<std::size_t, Unit>> units;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  // The code-point column of a byte, counted on as the bytes go by.
  std::size_t countedTo = 0;
  std::int64_t column = 1;
  auto columnOf = [&](std::size_t byte) {
    while (countedTo < byte) {
      char32_t ignored;
      const int length = p[countedTo] < 0x80 ? 1 : platform::DecodeUtf8(p + countedTo, line.size() - countedTo, ignored);
      countedTo += length > 0 ? static_cast<std::size_t>(length) : 1;
      ++column;
    }
    return column;
  };
  EscapedRun* open = nullptr;
  std::size_t openEnd = 0;
  for (std::size_t i = NextMark(line, 0); i < line.size(); i = NextMark(line, i)) {
    units.clear();
    const std::size_t next = reader.Read(i, units);
    for (const auto& [start, unit] : units) {
      if (unit.c == kNone || !counts(unit.c)) {
        open = nullptr;
        continue;
      }
      if (open == nullptr || openEnd != start) {
        open = &runs.emplace_back();
        open->column = columnOf(start);
      }
      platform::AppendUtf8(unit.c, open->text);
      open->span = columnOf(unit.end) - open->column;
      openEnd = unit.end;
    }
    if (units.empty()) open = nullptr;
    i = next;
  }
}

}  // namespace context
