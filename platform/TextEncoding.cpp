#include "platform/TextEncoding.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <iconv.h>
#include <iterator>
#include <numeric>
#include <utility>

#include "platform/CodePage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf16LE: return "UTF-16LE";
    case TextEncoding::Utf16BE: return "UTF-16BE";
    case TextEncoding::Gbk: break;
  }
  return "GBK";
}

std::size_t ByteOrderMark(std::string_view head, TextEncoding& encoding) {
  if (head.starts_with("\xEF\xBB\xBF")) {
    encoding = TextEncoding::Utf8;
    return 3;
  }
  if (head.starts_with("\xFF\xFE")) {
    encoding = TextEncoding::Utf16LE;
    return 2;
  }
  if (head.starts_with("\xFE\xFF")) {
    encoding = TextEncoding::Utf16BE;
    return 2;
  }
  return 0;
}

namespace {

// Index of the first byte 0x80 or above at or after i, or n.
std::size_t SkipAscii(const unsigned char* p, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
  for (; i + 64 <= n; i += 64) {
    const auto* block = reinterpret_cast<const __m128i*>(p + i);
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                                     _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
    if (_mm_movemask_epi8(any) != 0) break;
  }
  for (; i + 16 <= n; i += 16) {
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n && p[i] < 0x80; ++i) {
  }
  return i;
}

// Index after the well-formed three-byte sequences that start at i, the
// bulk of a Chinese text; anything else is left to DecodeUtf8.
std::size_t SkipThreeByteRun(const unsigned char* p, std::size_t i, std::size_t n) {
  for (; i + 3 <= n; i += 3) {
    const unsigned b0 = p[i], b1 = p[i + 1], b2 = p[i + 2];
    if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) break;
    const unsigned c = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6;
    if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) break;  // overlong, surrogate
  }
  return i;
}

}  // namespace

bool Utf8Validator::Feed(std::string_view chunk) {
  if (invalid_) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
  const std::size_t n = chunk.size();
  std::size_t i = 0;
  char32_t c;
  // Completes the character that the previous piece cut off, a byte at a
  // time: DecodeUtf8 says at each byte whether it still fits.
  while (pendingLength_ > 0 && i < n) {
    pending_[pendingLength_++] = p[i++];
    const int length = DecodeUtf8(pending_, pendingLength_, c);
    if (length == 0) {
      invalid_ = true;
      return false;
    }
    if (length > 0) pendingLength_ = 0;
  }
  while (i < n) {
    if (p[i] < 0x80) {
      i = SkipAscii(p, i, n);
      continue;
    }
    sawNonAscii_ = true;
    if (const std::size_t next = SkipThreeByteRun(p, i, n); next != i) {
      i = next;
      continue;
    }
    const int length = DecodeUtf8(p + i, n - i, c);
    if (length > 0) {
      i += static_cast<std::size_t>(length);
    } else if (length == 0) {
      invalid_ = true;
      return false;
    } else {
      pendingLength_ = n - i;
      std::memcpy(pending_, p + i, pendingLength_);
      break;
    }
  }
  return true;
}

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;

// One iconv conversion to GB18030 of a character, with the descriptor kept
// for the table's whole construction.
class Gb18030Encoder {
 public:
  Gb18030Encoder()
      : cd_(iconv_open("GB18030", std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE")) {}
  ~Gb18030Encoder() {
    if (cd_ != Invalid()) iconv_close(cd_);
  }
  Gb18030Encoder(const Gb18030Encoder&) = delete;
  Gb18030Encoder& operator=(const Gb18030Encoder&) = delete;

  // The character's bytes, first byte highest; 0 when iconv has no form.
  std::uint32_t Encode(char32_t c) {
    if (cd_ == Invalid()) return 0;
    char* in = reinterpret_cast<char*>(&c);
    std::size_t inLeft = sizeof c;
    unsigned char bytes[8];
    char* to = reinterpret_cast<char*>(bytes);
    std::size_t toLeft = sizeof bytes;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return 0;
    return Form(bytes, sizeof bytes - toLeft);
  }

  // The forms of first..last, each handed to take(c, form) as Encode gives
  // it, in one conversion call for each piece of the range: the ideographs
  // GBK lacks are seventy thousand, and a call each took most of the
  // table's time. The pieces go through the same two buffers, since memory
  // first touched costs more than the conversion. A piece iconv stops in is
  // finished a character at a time.
  template <class Take>
  void EncodeRange(char32_t first, char32_t last, Take&& take) {
    constexpr char32_t kPiece = 4096;
    for (char32_t start = first;; start += kPiece) {
      const char32_t end = std::min<char32_t>(last, start + (kPiece - 1));
      EncodePiece(start, end, take);
      if (end == last) return;
    }
  }

 private:
  template <class Take>
  void EncodePiece(char32_t first, char32_t last, Take& take) {
    in_.resize(last - first + 1);
    std::iota(in_.begin(), in_.end(), first);
    out_.assign(4 * in_.size(), '\0');
    char* from = reinterpret_cast<char*>(in_.data());
    std::size_t fromLeft = in_.size() * sizeof(char32_t);
    char* to = out_.data();
    std::size_t toLeft = out_.size();
    if (cd_ != Invalid()) {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      iconv(cd_, &from, &fromLeft, &to, &toLeft);
    }
    // Each GB18030 form read back: four bytes when its second is a digit.
    const auto* bytes = reinterpret_cast<const unsigned char*>(out_.data());
    const std::size_t written = out_.size() - toLeft, done = in_.size() - fromLeft / sizeof(char32_t);
    std::size_t at = 0, k = 0;
    for (; k < done && at + 2 <= written; ++k) {
      const bool four = bytes[at] >= 0x81 && bytes[at + 1] >= 0x30 && bytes[at + 1] <= 0x39;
      const std::size_t length = bytes[at] < 0x81 ? 1 : four ? 4 : 2;
      if (at + length > written) break;
      take(in_[k], Form(bytes + at, length));
      at += length;
    }
    for (; k < in_.size(); ++k) take(in_[k], Encode(in_[k]));
  }

  // A form's bytes as one value, first byte highest; 0 for a length no
  // counted form has.
  static std::uint32_t Form(const unsigned char* bytes, std::size_t length) {
    if (length != 2 && length != 4) return 0;
    std::uint32_t form = 0;
    for (std::size_t k = 0; k < length; ++k) form = form << 8 | bytes[k];
    return form;
  }
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
  std::vector<char32_t> in_;  // a piece of a range, and its forms
  std::string out_;
};

}  // namespace

namespace {

// The punctuation of Chinese text, beside the two scripts: the CJK Symbols
// and Punctuation block but the ideographic space U+3000 (a space), the
// full-width forms, the vertical forms and the compatibility forms.
constexpr std::pair<char32_t, char32_t> kChinesePunctuation[] = {
    {0x3001, 0x303F}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6}, {0xFE10, 0xFE19}, {0xFE30, 0xFE4F}};
constexpr UScriptCode kChineseScripts[] = {USCRIPT_HAN, USCRIPT_BOPOMOFO};

}  // namespace

bool IsChineseText(char32_t c) {
  for (const auto& [first, last] : kChinesePunctuation)
    if (c >= first && c <= last) return true;
  UErrorCode status = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
  return U_SUCCESS(status) && std::find(std::begin(kChineseScripts), std::end(kChineseScripts), script) !=
                                  std::end(kChineseScripts);
}

namespace {

// Where IsChineseText is true, as ranges: the punctuation, and the scripts'
// characters from ICU's sets rather than a test of every code point.
std::vector<std::pair<char32_t, char32_t>> ChineseTextRanges() {
  std::vector<std::pair<char32_t, char32_t>> ranges(std::begin(kChinesePunctuation), std::end(kChinesePunctuation));
  for (const UScriptCode script : kChineseScripts) {
    UErrorCode status = U_ZERO_ERROR;
    USet* set = uset_openEmpty();
    uset_applyIntPropertyValue(set, UCHAR_SCRIPT, script, &status);
    const std::int32_t items = U_SUCCESS(status) ? uset_getItemCount(set) : 0;
    for (std::int32_t item = 0; item < items; ++item) {
      UChar32 start = 0, end = 0;
      status = U_ZERO_ERROR;
      uset_getItem(set, item, &start, &end, nullptr, 0, &status);
      if (U_SUCCESS(status) && start >= 0 && end <= static_cast<UChar32>(kLastCodePoint))
        ranges.emplace_back(static_cast<char32_t>(start), static_cast<char32_t>(end));
    }
    uset_close(set);
  }
  return ranges;
}

}  // namespace

const CountedForms& CountedForms::Get(CharacterSet set) {
  if (set == CharacterSet::Han) {
    static const CountedForms han(CharacterSet::Han);
    return han;
  }
  static const CountedForms gbk(CharacterSet::Gbk);
  return gbk;
}

void CountedForms::SetWide(char32_t c, std::uint32_t form) {
  std::uint16_t& block = wideBlock_[c >> kBlockBits];
  if (block == 0) {
    block = static_cast<std::uint16_t>(wideForms_.size() >> kBlockBits);
    wideForms_.resize(wideForms_.size() + (1u << kBlockBits), 0);
  }
  wideForms_[static_cast<std::size_t>(block) << kBlockBits | (c & kBlockMask)] = form;
  if (c <= 0xFFFF) bmp_[c] = kWide;
}

void CountedForms::Set(char32_t c, std::uint32_t form) {
  if (c <= 0xFFFF && form <= 0xFFFF) bmp_[c] = static_cast<std::uint16_t>(form);
  else SetWide(c, form);
}

CountedForms::CountedForms(CharacterSet set)
    : wideBlock_((kLastCodePoint >> kBlockBits) + 1, 0), wideForms_(1u << kBlockBits, 0) {
  // Room for every block at once: the blocks are then never copied as the
  // table grows, and the room no block takes is never touched, so it costs
  // no memory (a page first touched costs more than its copy on a virtual
  // machine).
  wideForms_.reserve(static_cast<std::size_t>(wideBlock_.size() + 1) << kBlockBits);
  Gb18030Encoder encoder;
  if (set == CharacterSet::Han) {
    // The Gbk set's forms of the characters that are Chinese text, and
    // GB18030's for the few it does not count (radicals, compatibility
    // ideographs and forms GBK lacks).
    const CountedForms& gbk = Get(CharacterSet::Gbk);
    for (const auto& [first, last] : ChineseTextRanges()) {
      for (char32_t c = first; c <= last; ++c) {
        std::uint32_t form = gbk.Lookup(c);
        if (form == 0) form = encoder.Encode(c);
        if (form != 0) Set(c, form);
      }
    }
    // The GBK double-byte characters that count, for texts read as GBK.
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char32_t c = 0;
        if (DecodeAnsiChar(std::string_view(pair, 2), 0, c) == 2 && c != 0xFFFD && Lookup(c) != 0)
          gbkPairs_[(lead << 8 | trail) >> 6] |= std::uint64_t{1} << ((lead << 8 | trail) & 63);
      }
    }
    return;
  }
  // What a GBK file can hold as a double-byte character, in the bytes the
  // GBK search reports it with.
  for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    char bytes[3];
    if (WideCharToAnsi(static_cast<std::uint16_t>(unit), bytes) == 3)
      bmp_[unit] = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]));
  }
  // The ideographs GBK lacks, in GB18030's form, whatever its length
  // (U+9FB4 is FE59, U+20087 FE51).
  UErrorCode status = U_ZERO_ERROR;
  const USet* ideographs = u_getBinaryPropertySet(UCHAR_UNIFIED_IDEOGRAPH, &status);
  if (U_FAILURE(status)) return;
  const std::int32_t ranges = uset_getItemCount(ideographs);
  for (std::int32_t item = 0; item < ranges; ++item) {
    UChar32 start = 0, end = 0;
    status = U_ZERO_ERROR;
    uset_getItem(ideographs, item, &start, &end, nullptr, 0, &status);
    if (U_FAILURE(status)) continue;
    if (end > static_cast<UChar32>(kLastCodePoint)) end = static_cast<UChar32>(kLastCodePoint);
    encoder.EncodeRange(static_cast<char32_t>(start), static_cast<char32_t>(end), [this](char32_t c, std::uint32_t form) {
      if (form != 0 && Lookup(c) == 0) Set(c, form);
    });
  }
}

int CountedForm(char32_t c, char out[4]) {
  const std::uint32_t form = CountedForms::Get().Lookup(c);
  return form == 0 ? 0 : CountedForms::Bytes(form, out);
}

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

Utf16ToUtf8::Utf16ToUtf8(TextEncoding encoding) : bigEndian_(encoding == TextEncoding::Utf16BE) {}

void Utf16ToUtf8::Convert(const char16_t* units, std::size_t count, std::string& out) {
  if (count > 0 && IsHighSurrogate(units[count - 1])) {
    hasHighSurrogate_ = true;
    highSurrogate_ = units[--count];
  }
  if (count == 0) return;
  // A unit takes at most three bytes, a pair of units four.
  const std::size_t start = out.size();
  out.resize(start + count * 3);
  std::int32_t written = 0;
  std::int32_t substitutions = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data() + start, static_cast<std::int32_t>(count * 3), &written, units,
                     static_cast<std::int32_t>(count), kReplacement, &substitutions, &status);
  if (U_FAILURE(status)) {
    // Cannot happen with room for every unit; should it, the piece is lost
    // as invalid data rather than passed on half-converted.
    written = 0;
    substitutions = 1;
  }
  out.resize(start + static_cast<std::size_t>(written));
  if (substitutions > 0) hadInvalid_ = true;
}

void Utf16ToUtf8::Feed(std::string_view chunk, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
  const std::size_t n = chunk.size();
  std::size_t i = 0;
  // Converted a block at a time through a buffer of native units, which is
  // also where the byte order is put right.
  constexpr std::size_t kUnits = 4096;
  char16_t units[kUnits + 1];
  const auto unitAt = [this](unsigned char first, unsigned char second) {
    return static_cast<char16_t>(bigEndian_ ? first << 8 | second : second << 8 | first);
  };
  while (i < n) {
    std::size_t count = 0;
    if (hasHighSurrogate_) {
      units[count++] = highSurrogate_;
      hasHighSurrogate_ = false;
    }
    if (hasOddByte_) {
      units[count++] = unitAt(oddByte_, p[i++]);
      hasOddByte_ = false;
    }
    const std::size_t take = std::min((n - i) / 2, kUnits + 1 - count);
    for (std::size_t k = 0; k < take; ++k, i += 2) units[count++] = unitAt(p[i], p[i + 1]);
    if (n - i == 1) {
      hasOddByte_ = true;
      oddByte_ = p[i++];
    }
    Convert(units, count, out);
  }
}

void Utf16ToUtf8::Finish(std::string& out) {
  if (hasHighSurrogate_ || hasOddByte_) {
    if (hasHighSurrogate_) Convert(&kReplacement, 1, out);
    if (hasOddByte_) Convert(&kReplacement, 1, out);
    hadInvalid_ = true;
  }
  hasHighSurrogate_ = false;
  hasOddByte_ = false;
}

}  // namespace platform
