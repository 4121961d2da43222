// The extraction as plainly described, byte after byte, with rules of its own
// (the reference's digits read and converted here through iconv, not through
// the engine): the oracle that the block-skipping implementation is checked
// against in tests and fuzzing.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

// The CP936 text of a five-digit reference, or false when it converts to
// nothing the finder would take: not five digits, or above U+FFFF. A code
// unit that CP936 lacks becomes "?", U+0000 the empty text.
inline bool ReferenceEntity(std::string_view digits, std::string& text) {
  if (digits.size() != 5) return false;
  unsigned long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  if (value > 0xFFFF) return false;
  text.clear();
  if (value == 0) return true;
  static const iconv_t toAnsi = iconv_open("CP936", "UTF-16LE");
  const char unit[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  char out[8];
  char* in = const_cast<char*>(unit);
  char* to = out;
  std::size_t inLeft = 2, toLeft = sizeof out;
  iconv(toAnsi, nullptr, nullptr, nullptr, nullptr);
  if (iconv(toAnsi, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1))
    text.assign(1, '?');  // not = "?": GCC 12 at -O3 misreads it as overlapping copies
  else
    text.assign(out, sizeof out - toLeft);
  return true;
}

inline std::string ReferenceExtract(std::string_view line, bool unicode) {
  std::string result, run, text;
  auto flush = [&] {
    if (!result.empty()) result += "  ";
    result += run;
    run.clear();
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(line[i]);
    if (b >= 0x80)
      run += static_cast<char>(b);
    else if (!run.empty())
      flush();
    // "&#" with at least five bytes after the "#".
    const bool reference = unicode && b == '#' && i > 0 && line[i - 1] == '&' && line.size() - i - 1 >= 5;
    if (reference && ReferenceEntity(line.substr(i + 1, 5), text)) {
      result += text;
      i += 5;
    }
  }
  if (!run.empty()) flush();
  return result;
}

// A random line as the extraction meets them: of up to maxPieces pieces,
// highTenths tenths are what high() gives, one tenth a five-digit reference
// (or what looks like one), the rest the ASCII that references and markup are
// made of.
template <class Random, class High>
std::string RandomLine(Random& random, unsigned maxPieces, unsigned highTenths, High high) {
  static const std::string alphabet = "ab #&;0123456789\r\t<>";
  std::string line;
  for (unsigned piece = random() % maxPieces; piece > 0; --piece) {
    const unsigned pick = random() % 10;
    if (pick < highTenths) line += high();
    else if (pick == highTenths) line += "&#" + std::to_string(10000 + random() % 60000);
    else line += alphabet[random() % alphabet.size()];
  }
  return line;
}
