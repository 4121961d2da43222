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

// The system's texts are CP936, extended by GB18030's four-byte forms for
// the characters CP936 lacks (a file name in Korean, an ideograph of a later
// extension): every CP936 text reads as before, and those four-byte forms lie
// in byte ranges CP936 never uses. Every conversion here reads and writes that
// one form, so both programs turn the same bytes into the same names.

// Strict conversions: false (and out untouched) when some byte or character
// cannot be converted.
bool AnsiToUtf8(std::string_view ansi, std::string& out);
bool Utf8ToAnsi(std::string_view utf8, std::string& out);

// Lenient conversions for display: what cannot be converted is replaced
// (U+FFFD towards UTF-8 and UTF-16, "?" towards CP936), so they never fail.
std::string AnsiToUtf8Lenient(std::string_view ansi);
std::u16string AnsiToUtf16Lenient(std::string_view ansi);
std::string Utf8ToAnsiLenient(std::string_view utf8);
// Typed text to the system's text; a lone surrogate becomes "?".
std::string Utf16ToAnsi(std::u16string_view text);

// A command-line argument or a listed file name in UTF-8 becomes the system's
// text; a name that is no UTF-8 keeps its own bytes, so that no file is lost
// because of its name.
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
