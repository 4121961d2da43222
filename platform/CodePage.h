// Conversions between the system's ANSI code page (CP936, GBK with the euro
// sign at 0x80) and UTF-8 / UTF-16, through iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// GBK byte classes. A double-byte character is a lead byte followed by a
// trail byte; a lead byte followed by anything else stands alone, so a "."
// or "/" after it is never swallowed.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool IsGbkTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }
// 2 when text[i] starts a double-byte character, else 1.
constexpr std::size_t GbkCharLength(std::string_view text, std::size_t i) {
  return i + 1 < text.size() && IsGbkLeadByte(static_cast<unsigned char>(text[i])) &&
                 IsGbkTrailByte(static_cast<unsigned char>(text[i + 1]))
             ? 2
             : 1;
}

// Converts one UTF-16 code unit to CP936 the way WideCharToMultiByte does:
// writes the character's bytes and a terminating zero into out and returns the
// number of bytes written, zero included (1 for code unit 0). A code unit that
// CP936 lacks, a lone surrogate included, comes out as "?".
int WideCharToAnsi(std::uint16_t unit, char out[3]);

// Strict conversions: false (and out untouched) when some byte or character
// cannot be converted.
bool AnsiToUtf8(std::string_view ansi, std::string& out);
bool Utf8ToAnsi(std::string_view utf8, std::string& out);

// Lenient conversions for display: what cannot be converted is replaced
// (U+FFFD towards UTF-8, "?" towards CP936), so they never fail.
std::string AnsiToUtf8Lenient(std::string_view ansi);
std::u16string AnsiToUtf16Lenient(std::string_view ansi);

// A command-line argument or a listed file name in UTF-8 becomes the system's
// text: its CP936 form when it has one, otherwise its own bytes, so that no
// file is lost because of its name.
std::string Utf8ToAnsiOrRaw(std::string_view utf8);
// The reverse, for handing a text to another program as an argument.
std::string AnsiToUtf8OrRaw(std::string_view ansi);

}  // namespace platform

namespace platform {

// Compares two CP936 texts with ASCII letters folded, the way the INI
// functions match section and key names. The second byte of a double-byte
// character is compared exactly, even where it looks like a letter.
bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace platform
