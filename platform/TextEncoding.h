// The encodings a scanned file can be read in besides GBK: telling them
// apart (byte-order marks, strict UTF-8), the GBK or GB18030 bytes that a
// Unicode character is counted and reported as, and UTF-16 turned into UTF-8
// for the line reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class TextEncoding { Gbk, Utf8, Utf16LE, Utf16BE };

// How the user chose files to be read: as GBK bytes whatever they hold, as
// UTF-8, or each in the encoding its bytes show (the automatic rule, see
// EncodingBeforeReading and UnmarkedEncoding). Outside GBK a byte-order mark
// is always obeyed.
enum class EncodingChoice { Gbk, Utf8, Automatic };

// "GBK", "UTF-8", "UTF-16LE" or "UTF-16BE".
const char* EncodingName(TextEncoding encoding);

// The length of the byte-order mark that head starts with (3 for UTF-8, 2 for
// UTF-16), setting encoding to what it announces; 0, encoding untouched, when
// there is none.
std::size_t ByteOrderMark(std::string_view head, TextEncoding& encoding);

// Decodes the UTF-8 sequence that starts at p[0], a byte 0x80 or above, with
// n bytes available (n >= 1). Returns its length (2 to 4) and sets c, or 0
// when p[0] does not start a well-formed sequence (overlong forms, surrogates
// and values above U+10FFFF included), or -1 when the n bytes are a
// well-formed beginning that ends too soon. An ill-formed byte is dropped on
// its own: the bytes after it never start a sequence that it would have
// hidden, since only bytes 0x80..0xBF may follow a lead byte.
inline int DecodeUtf8(const unsigned char* p, std::size_t n, char32_t& c) {
  const unsigned b0 = p[0];
  if (b0 < 0xC2 || b0 > 0xF4) return 0;
  if (n < 2) return -1;
  const unsigned b1 = p[1];
  if (b0 < 0xE0) {
    if ((b1 & 0xC0) != 0x80) return 0;
    c = (b0 & 0x1F) << 6 | (b1 & 0x3F);
    return 2;
  }
  // The second byte's range is what rules out overlong forms, surrogates
  // and values beyond U+10FFFF.
  unsigned low = 0x80, high = 0xBF;
  if (b0 == 0xE0) low = 0xA0;
  else if (b0 == 0xED) high = 0x9F;
  else if (b0 == 0xF0) low = 0x90;
  else if (b0 == 0xF4) high = 0x8F;
  if (b1 < low || b1 > high) return 0;
  if (n < 3) return -1;
  const unsigned b2 = p[2];
  if ((b2 & 0xC0) != 0x80) return 0;
  if (b0 < 0xF0) {
    c = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F);
    return 3;
  }
  if (n < 4) return -1;
  const unsigned b3 = p[3];
  if ((b3 & 0xC0) != 0x80) return 0;
  c = (b0 & 0x07) << 18 | (b1 & 0x3F) << 12 | (b2 & 0x3F) << 6 | (b3 & 0x3F);
  return 4;
}

// Strict UTF-8 validation of an input that arrives in pieces, a character
// possibly split between two of them.
class Utf8Validator {
 public:
  // Checks the next piece. False once the input so far is not UTF-8: nothing
  // after that changes the answer, so the caller may stop reading.
  bool Feed(std::string_view chunk);
  // The answer for the whole input fed: valid, and not cut inside a character.
  bool Finish() const { return !invalid_ && pendingLength_ == 0; }
  // Whether a character beyond ASCII was seen.
  bool SawNonAscii() const { return sawNonAscii_; }
  // The automatic rule's test: valid UTF-8 holding a character beyond ASCII.
  // Plain ASCII is as much GBK as UTF-8, and reads the same either way.
  bool IsUtf8Text() const { return Finish() && sawNonAscii_; }
  void Reset() { *this = Utf8Validator(); }

 private:
  bool invalid_ = false;
  bool sawNonAscii_ = false;
  unsigned char pending_[4] = {};  // the start of a character cut off by the end of a piece
  std::size_t pendingLength_ = 0;
};

// True when the whole text is strict UTF-8.
inline bool IsValidUtf8(std::string_view text) {
  Utf8Validator utf8;
  return utf8.Feed(text) && utf8.Finish();
}

// Which characters a search counts.
//   Gbk  every character GBK writes in two bytes, and the Han ideographs GBK
//        lacks (in a GBK file the byte rule: every byte 0x80 or above); the
//        report's and the dialog's default, which keeps a GBK file and its
//        UTF-8 copy equal.
//   Han  Chinese text and nothing else, in every encoding: the Han script
//        (ideographs of every block, compatibility ideographs, radicals, 々 〇),
//        Bopomofo, and the punctuation of Chinese text: the CJK Symbols and
//        Punctuation block but the ideographic space U+3000, the full-width
//        forms U+FF01-U+FF60 and U+FFE0-U+FFE6, and the forms U+FE10-U+FE19
//        and U+FE30-U+FE4F. Accented Latin, Greek, Cyrillic, kana, Hangul,
//        box drawing, curly quotes and emoji act as ASCII.
enum class CharacterSet { Gbk, Han };

// The Han set's rule, as a test of one code point. Slow (a library call):
// searches ask CountedForms::Get(CharacterSet::Han), built from it once.
bool IsChineseText(char32_t c);

// What a Unicode character adds to a report line from a UTF-8 or UTF-16 file.
// Counted are the characters that GBK (CP936) writes in two bytes, in those
// bytes, so that a GBK file and its transcoding give the same lines; and the
// Han ideographs that GBK lacks, in their GB18030 form: four bytes, but for
// the few dozen that GB18030 puts on double-byte codes GBK leaves unassigned
// (U+9FB4 is FE59), as iconv's GB18030 writes and reads them. ICU 72 still
// reads fourteen of those codes (FE51, FE59, ...) as private-use characters,
// so a reader of the report decodes it with iconv. Everything
// else (ASCII, U+0080 whose CP936 form is one byte, no-break space, emoji,
// letters GBK lacks) is not counted: it acts as an ASCII byte does.
class CountedForms {
 public:
  // The one table of each set in the process, built by its first caller.
  // The Han set's forms are those of the same characters in the Gbk set
  // (GBK's two bytes, else GB18030's form); it counts fewer of them.
  static const CountedForms& Get(CharacterSet set = CharacterSet::Gbk);

  // 0 when c is not counted; else the form's bytes, first byte highest: a
  // value below 0x10000 is a two-byte form, any other a four-byte form.
  std::uint32_t Lookup(char32_t c) const {
    if (c <= 0xFFFF) {
      const std::uint16_t form = bmp_[c];
      if (form != kWide) return form;
    } else if (c > 0x10FFFF) {
      return 0;
    }
    return wideForms_[static_cast<std::size_t>(wideBlock_[c >> kBlockBits]) << kBlockBits | (c & kBlockMask)];
  }

  // Whether the GBK double-byte character lead, trail counts (a text read
  // as GBK under the Han set).
  bool CountsGbkPair(unsigned char lead, unsigned char trail) const {
    const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
    return gbkPairs_[code >> 6] >> (code & 63) & 1;
  }

  // Writes the bytes of a value Lookup gave (not 0) to out and returns
  // their number, 2 or 4.
  static int Bytes(std::uint32_t form, char* out) {
    if (form < 0x10000) {
      out[0] = static_cast<char>(form >> 8);
      out[1] = static_cast<char>(form);
      return 2;
    }
    out[0] = static_cast<char>(form >> 24);
    out[1] = static_cast<char>(form >> 16);
    out[2] = static_cast<char>(form >> 8);
    out[3] = static_cast<char>(form);
    return 4;
  }

 private:
  explicit CountedForms(CharacterSet set);

  void SetWide(char32_t c, std::uint32_t form);
  void Set(char32_t c, std::uint32_t form);

  // The characters of a GBK text, the ones that count most, take two bytes
  // each in a table of their own, small enough to stay in the cache; the
  // rest of the code space is in two levels, most of it sharing block 0 of
  // zeros, and is reached through the mark kWide in the BMP.
  static constexpr std::uint16_t kWide = 1;
  static constexpr unsigned kBlockBits = 8;
  static constexpr char32_t kBlockMask = (1u << kBlockBits) - 1;
  std::uint16_t bmp_[0x10000] = {};
  std::vector<std::uint16_t> wideBlock_;  // block number of each 256 code points
  std::vector<std::uint32_t> wideForms_;
  std::uint64_t gbkPairs_[0x10000 / 64] = {};  // bit lead << 8 | trail
};

// The counted form of c: 2 and GBK's two bytes, 4 and the GB18030 four-byte
// form of an ideograph that GBK lacks (2 and GB18030's two bytes for the few
// it writes so), or 0 when c is not counted.
int CountedForm(char32_t c, char out[4]);

// Turns UTF-16 in either byte order into UTF-8, piece by piece: a code unit
// or a surrogate pair split between two pieces comes out whole. An unpaired
// surrogate, or a byte left over at the end, becomes U+FFFD and is
// remembered, so that the caller can say the file held invalid data.
class Utf16ToUtf8 {
 public:
  // encoding is TextEncoding::Utf16LE or TextEncoding::Utf16BE.
  explicit Utf16ToUtf8(TextEncoding encoding);

  // Appends the UTF-8 of chunk to out; a unit or pair not yet complete waits
  // for the next piece.
  void Feed(std::string_view chunk, std::string& out);
  // Ends the input: what still waits is incomplete, and appended as U+FFFD.
  void Finish(std::string& out);
  bool HadInvalid() const { return hadInvalid_; }

 private:
  // Appends the UTF-8 of units, all but a high surrogate at the very end,
  // which is kept for the next piece.
  void Convert(const char16_t* units, std::size_t count, std::string& out);

  bool bigEndian_;
  bool hadInvalid_ = false;
  bool hasOddByte_ = false;
  unsigned char oddByte_ = 0;
  bool hasHighSurrogate_ = false;
  char16_t highSurrogate_ = 0;
};

}  // namespace platform
