// Byte-level text rules the system applies to CP936 texts: ASCII letter case
// and blank trimming. Bytes 0x80 and above are never changed.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

constexpr unsigned char AsciiUpper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }
constexpr unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Byte-wise comparison with ASCII letters folded to upper case (so "_" sorts
// after the letters, as NTFS orders names): negative, 0 or positive.
inline int CompareIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = AsciiUpper(static_cast<unsigned char>(a[i]));
    const unsigned char y = AsciiUpper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// The text without the spaces (character 32 only) at its start and end, as
// the viewer's runtime trims.
constexpr std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The blanks of the INI functions: spaces and tabs.
constexpr bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// The text without the spaces and tabs at its start and end, as the INI
// functions trim names and values.
constexpr std::string_view TrimSpacesAndTabs(std::string_view text) {
  while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace platform
