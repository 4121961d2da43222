#include "viewer/support/TextFunctions.h"

#include "platform/AsciiText.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips the digits at pos; returns how many there were.
std::size_t SkipDigits(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos - start;
}

}  // namespace

bool IsNumeric(std::string_view text) {
  text = platform::TrimSpaces(text);
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  std::size_t digits = SkipDigits(text, pos);
  if (pos < text.size() && text[pos] == '.') digits += SkipDigits(text, ++pos);
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (SkipDigits(text, pos) == 0) return false;
  }
  return pos == text.size();
}
