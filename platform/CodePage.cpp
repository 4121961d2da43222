#include "platform/CodePage.h"

#include "platform/AsciiText.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform {
namespace {

constexpr const char* kAnsi = "CP936";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// One iconv descriptor per direction and thread: a descriptor carries state
// and must not be shared, and opening one costs far more than a conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : to_(to), from_(from) {}
  ~Converter() {
    if (cd_ != invalid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Null when iconv lacks the conversion.
  iconv_t Get() {
    if (cd_ == invalid()) cd_ = iconv_open(to_, from_);
    if (cd_ == invalid()) return nullptr;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return cd_;
  }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
  const char* to_;
  const char* from_;
  iconv_t cd_ = invalid();
};

Converter& AnsiToUtf8Converter() {
  thread_local Converter converter("UTF-8", kAnsi);
  return converter;
}
Converter& Utf8ToAnsiConverter() {
  thread_local Converter converter(kAnsi, "UTF-8");
  return converter;
}
Converter& AnsiToUtf16Converter() {
  thread_local Converter converter(kUtf16, kAnsi);
  return converter;
}
// GB18030 only for its four-byte forms: everything CP936 has keeps its CP936
// bytes (0x80 stays the euro sign), so GBK texts read exactly as before.
Converter& FourByteToUtf8Converter() {
  thread_local Converter converter("UTF-8", "GB18030");
  return converter;
}
Converter& Utf8ToFourByteConverter() {
  thread_local Converter converter("GB18030", "UTF-8");
  return converter;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Converts all of input, or returns false at the first byte iconv rejects.
// maxGrowth bounds the output size per input byte for the direction.
bool ConvertStrict(Converter& converter, std::string_view input, std::size_t maxGrowth, std::string& out) {
  iconv_t cd = converter.Get();
  if (!cd) return false;
  std::string result(input.size() * maxGrowth + 4, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* to = result.data();
  std::size_t toLeft = result.size();
  if (iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &to, &toLeft) == static_cast<std::size_t>(-1)) return false;
  result.resize(result.size() - toLeft);
  out = std::move(result);
  return true;
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

Converter& FourByteToUtf16Converter() {
  thread_local Converter converter(kUtf16, "GB18030");
  return converter;
}

// A GB18030 four-byte form: lead, digit, lead, digit. Its second byte is no
// GBK trail byte, so the form never overlaps a double-byte character.
bool IsFourByteForm(std::string_view text, std::size_t i) {
  if (i + 4 > text.size()) return false;
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  return IsGbkLeadByte(b(0)) && b(1) >= 0x30 && b(1) <= 0x39 && IsGbkLeadByte(b(2)) && b(3) >= 0x30 && b(3) <= 0x39;
}

// Hands the runs of CP936 text to plain and each four-byte form to fourByte,
// in order, stepping a character at a time so that no form is seen inside a
// double-byte character.
template <typename Plain, typename FourByte>
void SplitFourByteForms(std::string_view text, Plain&& plain, FourByte&& fourByte) {
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsFourByteForm(text, i)) {
      if (i > start) plain(text.substr(start, i - start));
      fourByte(text.substr(i, 4));
      i += 4;
      start = i;
    } else {
      i += GbkCharLength(text, i);
    }
  }
  if (start < text.size()) plain(text.substr(start));
}

void AppendUtf8Bytes(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Bytes of the UTF-8 sequence its lead byte announces; 0 for no lead byte.
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool DecodeToUtf8(std::string_view ansi, std::string& result);

// A GB18030 form stands for the character in the system's text: a four-byte
// form always; a two-byte one (a few ideographs GB18030 puts on codes CP936
// leaves unassigned, which glibc's CP936 still reads) when CP936 reads it so.
bool ReadsBackAs(const std::string& form, std::string_view utf8) {
  if (form.size() == 4) return true;
  std::string back;
  return form.size() == 2 && DecodeToUtf8(form, back) && back == utf8;
}

// UTF-8 to CP936, a character CP936 lacks in its GB18030 four-byte form. A
// character without one, or bytes that are no UTF-8, fail the conversion, or
// become replacement when one is given.
bool EncodeUtf8(std::string_view utf8, const char* replacement, std::string& out) {
  iconv_t cd = Utf8ToAnsiConverter().Get();
  if (!cd) return false;
  std::string result;
  result.reserve(utf8.size());
  char chunk[4096];
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  while (inLeft > 0) {
    char* to = chunk;
    std::size_t toLeft = sizeof chunk;
    const std::size_t rc = iconv(cd, &in, &inLeft, &to, &toLeft);
    const int error = errno;
    result.append(chunk, sizeof chunk - toLeft);
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(*in));
    std::string form;
    if (length == 0 || length > inLeft || !ConvertStrict(Utf8ToFourByteConverter(), {in, length}, 4, form) ||
        !ReadsBackAs(form, {in, length})) {
      if (!replacement) return false;
      form = replacement;
      // A whole character without a form goes as one; a broken sequence a byte at a time.
      bool whole = length > 0 && length <= inLeft;
      for (std::size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(in[k]) & 0xC0) == 0x80;
      if (!whole) length = 1;
    }
    result += form;
    in += length;
    inLeft -= length;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out = std::move(result);
  return true;
}

// Converts CP936 bytes, putting replacement in place of each character iconv
// rejects; a double-byte code CP936 leaves unassigned is read through
// fallback (GB18030, which puts a few ideographs there) first. An unassigned
// code counts as one character, so that its trail byte is not read as the
// start of the next one. False when a replacement was put in.
template <typename Append>
bool ConvertAnsiLenient(Converter& converter, Converter& fallback, std::string_view input, Append&& append,
                        std::string_view replacement) {
  iconv_t cd = converter.Get();
  if (!cd) {
    for (std::size_t i = 0; i < input.size(); ++i) append(replacement);
    return input.empty();
  }
  bool whole = true;
  char chunk[4096];
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* to = chunk;
    std::size_t toLeft = sizeof chunk;
    const std::size_t rc = iconv(cd, &in, &inLeft, &to, &toLeft);
    const int error = errno;
    append(std::string_view(chunk, sizeof chunk - toLeft));
    if (rc != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    const std::size_t skip = GbkCharLength(std::string_view(in, inLeft), 0);
    std::string converted;
    if (skip == 2 && ConvertStrict(fallback, std::string_view(in, 2), 4, converted)) {
      append(converted);
    } else {
      append(replacement);
      whole = false;
    }
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return whole;
}

// The system's text in UTF-8, U+FFFD for what does not decode; false when
// some did not.
bool DecodeToUtf8(std::string_view ansi, std::string& result) {
  bool whole = true;
  auto append = [&](std::string_view piece) { result.append(piece); };
  SplitFourByteForms(
      ansi,
      [&](std::string_view plain) {
        whole = ConvertAnsiLenient(AnsiToUtf8Converter(), FourByteToUtf8Converter(), plain, append, kUtf8Replacement) &&
                whole;
      },
      [&](std::string_view form) {
        std::string converted;
        if (ConvertStrict(FourByteToUtf8Converter(), form, 3, converted)) {
          result += converted;
        } else {
          result += kUtf8Replacement;
          whole = false;
        }
      });
  return whole;
}

// The code point of every CP936 double-byte code (lead << 8 | trail), 0 where
// CP936 assigns none; and of every single byte. A code CP936 leaves empty
// that GB18030 gives an ideograph holds that, and is marked.
struct AnsiDecodeTable {
  std::array<char32_t, 65536> pairs{};
  std::array<char32_t, 256> singles{};
  std::array<bool, 65536> fromGb18030{};
};

AnsiDecodeTable BuildDecodeTable() {
  AnsiDecodeTable table;
  iconv_t cd = iconv_open("UTF-32LE", kAnsi);
  if (cd == reinterpret_cast<iconv_t>(-1)) return table;
  const auto decode = [](iconv_t cd, const unsigned char* bytes, std::size_t length) -> char32_t {
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    std::size_t inLeft = length;
    unsigned char out[8];
    char* to = reinterpret_cast<char*>(out);
    std::size_t toLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1) || sizeof out - toLeft != 4) return 0;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned>(out[3]) << 24);
  };
  for (unsigned b = 0; b < 256; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    table.singles[b] = decode(cd, &byte, 1);
  }
  iconv_t gb = iconv_open("UTF-32LE", "GB18030");
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      char32_t c = decode(cd, pair, 2);
      // The few ideographs GB18030 puts on codes CP936 leaves unassigned.
      if (c == 0 && gb != reinterpret_cast<iconv_t>(-1)) {
        c = decode(gb, pair, 2);
        table.fromGb18030[lead << 8 | trail] = c != 0;
      }
      table.pairs[lead << 8 | trail] = c;
    }
  if (gb != reinterpret_cast<iconv_t>(-1)) iconv_close(gb);
  iconv_close(cd);
  return table;
}

const AnsiDecodeTable& DecodeTable() {
  static const AnsiDecodeTable table = BuildDecodeTable();
  return table;
}

// CP936 bytes of every UTF-16 code unit: a value below 0x100 is one byte,
// anything else a lead byte (high) and a trail byte (low).
using UnitTable = std::array<std::uint16_t, 65536>;

// CP936 maps code units and codes one to one, so the table is the decoding
// turned round: a conversion call for each of the 24,000 codes rather than
// each of the 65,000 units (the tests hold it to iconv's encoding of every
// unit).
UnitTable BuildUnitTable() {
  UnitTable table;
  table.fill('?');
  table[0] = 0;
  const AnsiDecodeTable& decode = DecodeTable();
  const auto take = [&table](char32_t c, unsigned code) {
    if (c != 0 && c <= 0xFFFF) table[c] = static_cast<std::uint16_t>(code);
  };
  for (unsigned b = 1; b < 256; ++b) take(decode.singles[b], b);
  for (unsigned code = 0x8100; code <= 0xFEFF; ++code)
    if (!decode.fromGb18030[code]) take(decode.pairs[code], code);
  return table;
}

}  // namespace

std::size_t DecodeAnsiChar(std::string_view text, std::size_t i, char32_t& c) {
  const AnsiDecodeTable& table = DecodeTable();
  const auto b = static_cast<unsigned char>(text[i]);
  if (IsFourByteForm(text, i)) {
    std::string utf8;
    c = 0xFFFD;
    if (ConvertStrict(FourByteToUtf8Converter(), text.substr(i, 4), 3, utf8)) {
      const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
      if (utf8.size() == 4) c = (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
      else if (utf8.size() == 3) c = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    }
    return 4;
  }
  if (GbkCharLength(text, i) == 2) {
    const char32_t pair = table.pairs[b << 8 | static_cast<unsigned char>(text[i + 1])];
    c = pair != 0 ? pair : 0xFFFD;
    return 2;
  }
  const char32_t single = table.singles[b];
  c = single != 0 || b == 0 ? single : 0xFFFD;
  return 1;
}

void AppendUtf8(char32_t c, std::string& out) { AppendUtf8Bytes(c, out); }

int WideCharToAnsi(std::uint16_t unit, char out[3]) {
  static const UnitTable table = BuildUnitTable();
  if (unit == 0) {
    out[0] = 0;
    return 1;
  }
  const std::uint16_t value = table[unit];
  if (value < 0x100) {
    out[0] = static_cast<char>(value);
    out[1] = 0;
    return 2;
  }
  out[0] = static_cast<char>(value >> 8);
  out[1] = static_cast<char>(value & 0xFF);
  out[2] = 0;
  return 3;
}

bool AnsiToUtf8(std::string_view ansi, std::string& out) {
  if (IsAscii(ansi)) {
    out.assign(ansi);
    return true;
  }
  // 0x80 (one byte) becomes the three-byte euro sign.
  std::string result;
  const bool whole = DecodeToUtf8(ansi, result);
  if (!whole) return false;
  out = std::move(result);
  return true;
}

bool Utf8ToAnsi(std::string_view utf8, std::string& out) {
  if (IsAscii(utf8)) {
    out.assign(utf8);
    return true;
  }
  return EncodeUtf8(utf8, nullptr, out);
}

std::string Utf8ToAnsiLenient(std::string_view utf8) {
  std::string out;
  if (IsAscii(utf8) || !EncodeUtf8(utf8, "?", out)) out.assign(utf8);
  return out;
}

std::string AnsiToUtf8Lenient(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  std::string result;
  result.reserve(ansi.size() * 3 / 2);
  DecodeToUtf8(ansi, result);
  return result;
}

std::u16string AnsiToUtf16Lenient(std::string_view ansi) {
  std::u16string result;
  result.reserve(ansi.size());
  static constexpr char16_t kReplacement = u'\uFFFD';
  const std::string_view replacement(reinterpret_cast<const char*>(&kReplacement), sizeof kReplacement);
  // iconv writes whole characters only, so every piece is whole code units.
  auto append = [&](std::string_view piece) {
    const std::size_t start = result.size();
    result.resize(start + piece.size() / 2);
    std::memcpy(result.data() + start, piece.data(), piece.size() / 2 * 2);
  };
  SplitFourByteForms(
      ansi,
      [&](std::string_view plain) {
        ConvertAnsiLenient(AnsiToUtf16Converter(), FourByteToUtf16Converter(), plain, append, replacement);
      },
      [&](std::string_view form) {
        std::string converted;
        append(ConvertStrict(FourByteToUtf16Converter(), form, 2, converted) ? std::string_view(converted)
                                                                              : replacement);
      });
  return result;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  // Through UTF-8, with a lone surrogate (which no encoding holds) as "?".
  std::string utf8;
  utf8.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = '?';
    AppendUtf8Bytes(c, utf8);
  }
  return Utf8ToAnsiLenient(utf8);
}

std::string Utf8ToAnsiOrRaw(std::string_view utf8) {
  std::string ansi;
  if (Utf8ToAnsi(utf8, ansi)) return ansi;
  return std::string(utf8);
}

std::string AnsiToUtf8OrRaw(std::string_view ansi) {
  std::string utf8;
  if (AnsiToUtf8(ansi, utf8)) return utf8;
  return std::string(ansi);
}

}  // namespace platform

namespace platform {

bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = GbkCharLength(a, i);
    // The trail byte belongs to the character and is compared exactly.
    if (length == 2 ? a.substr(i, 2) != b.substr(i, 2)
                    : AsciiUpper(static_cast<unsigned char>(a[i])) != AsciiUpper(static_cast<unsigned char>(b[i])))
      return false;
    i += length;
  }
  return true;
}

}  // namespace platform
