#include "textifier/CellNames.h"

namespace textifier {
namespace {

constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether name reads as a cell: letters then digits (up to column XFD), or
// R1C1 forms such as "R", "C", "R1", "RC2", "R1C1".
bool LooksLikeCell(std::string_view name) {
  std::size_t letters = 0;
  while (letters < name.size() && IsAsciiLetter(name[letters])) ++letters;
  std::size_t digits = letters;
  while (digits < name.size() && IsDigit(name[digits])) ++digits;
  if (digits == name.size() && letters >= 1 && letters <= 3 && digits > letters) return true;
  std::size_t at = 0;
  auto part = [&](char letter) {
    if (at < name.size() && (name[at] == letter || name[at] == letter + ('a' - 'A'))) {
      ++at;
      while (at < name.size() && IsDigit(name[at])) ++at;
      return true;
    }
    return false;
  };
  const bool row = part('R'), column = part('C');
  return (row || column) && at == name.size();
}

}  // namespace

std::string ColumnName(std::uint64_t column) {
  std::string name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
  return name;
}

bool ParseCellName(std::string_view reference, std::uint64_t& column, std::uint64_t& row) {
  std::uint64_t c = 0, r = 0;
  std::size_t at = 0;
  if (at < reference.size() && reference[at] == '$') ++at;
  const std::size_t letters = at;
  for (; at < reference.size() && IsAsciiLetter(reference[at]) && at - letters < 4; ++at)
    c = c * 26 + static_cast<std::uint64_t>((reference[at] & ~0x20) - 'A' + 1);
  if (at == letters) return false;
  if (at < reference.size() && reference[at] == '$') ++at;
  const std::size_t digits = at;
  for (; at < reference.size() && IsDigit(reference[at]) && at - digits < 8; ++at)
    r = r * 10 + static_cast<std::uint64_t>(reference[at] - '0');
  if (at == digits || at != reference.size() || r == 0) return false;
  column = c;
  row = r;
  return true;
}

std::string QuotedSheetName(std::string_view name) {
  bool plain = !name.empty() && !IsDigit(name[0]) && name[0] != '.' && !LooksLikeCell(name);
  for (char c : name)
    if (!(IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80))
      plain = false;
  if (plain) return std::string(name);
  std::string quoted = "'";
  for (char c : name) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

std::string CellLocator(std::string_view quotedSheet, std::uint64_t column, std::uint64_t row,
                        std::uint64_t lastColumn, std::uint64_t lastRow) {
  // Built by appending: GCC 12 takes "literal" + std::string for overlapping copies.
  std::string locator(quotedSheet);
  locator += '!';
  locator += ColumnName(column);
  locator += std::to_string(row);
  if ((lastColumn > column || lastRow > row) && lastColumn >= column && lastRow >= row) {
    locator += ':';
    locator += ColumnName(lastColumn);
    locator += std::to_string(lastRow);
  }
  return locator;
}

}  // namespace textifier
