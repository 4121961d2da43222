#include "finder/engine/UnicodeExtraction.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "finder/engine/HanziExtraction.h"
#include "platform/TextEncoding.h"

namespace {

// Writes into a string through a pointer, with room made in steps that
// double, so that a character costs a store rather than an append call and
// a line that yields nothing costs nothing.
class Output {
 public:
  explicit Output(std::string& text) : text_(text) {}
  // Makes room for bytes more bytes at put and returns where put now is.
  char* Room(char* put, std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - put) >= bytes) return put;
    const std::size_t used = static_cast<std::size_t>(put - text_.data());
    text_.resize(std::max({std::size_t{64}, 2 * text_.size(), used + bytes}));
    end_ = text_.data() + text_.size();
    return text_.data() + used;
  }
  void Finish(char* put) { text_.resize(static_cast<std::size_t>(put - text_.data())); }

 private:
  std::string& text_;
  char* end_ = text_.data();
};

// The most one step of the extraction writes: a separator and a four-byte
// form, or a converted reference.
constexpr std::size_t kStepBytes = 6;
// Characters taken by the three-byte loop per room check.
constexpr std::size_t kBatch = 64;

// Writes the run's next characters as long as they are three-byte UTF-8
// sequences that GBK writes in two bytes, which is what a Chinese text is
// made of, and returns the index after them. Whatever else comes, and
// every doubtful sequence, is left to the general path.
std::size_t TakeThreeByteRun(const unsigned char* p, std::size_t i, std::size_t n,
                             const platform::CountedForms& forms, Output& output, char*& put) {
  while (i + 3 <= n) {
    char* out = output.Room(put, 2 * kBatch);
    const std::size_t stop = std::min(n - 2, i + 3 * kBatch);
    while (i < stop) {
      const unsigned b0 = p[i], b1 = p[i + 1], b2 = p[i + 2];
      if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) break;
      const char32_t c = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F);
      // An overlong form is no UTF-8, as the general path says; a surrogate
      // has no form and goes there as well.
      if (c < 0x800) break;
      const std::uint32_t form = forms.Lookup(c);
      if (form == 0 || form > 0xFFFF) break;
      out[0] = static_cast<char>(form >> 8);
      out[1] = static_cast<char>(form);
      out += 2;
      i += 3;
    }
    put = out;
    if (i < stop) break;
  }
  return i;
}

}  // namespace

bool ExtractHanziUtf8(std::string_view line, int searchUnicode, std::string& result, platform::CharacterSet set) {
  result.clear();
  const platform::CountedForms& forms = platform::CountedForms::Get(set);
  const bool hanOnly = set == platform::CharacterSet::Han;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  const bool unicode = searchUnicode != 0;
  const SignificantBytes significant(unicode);
  Output output(result);
  char* put = result.data();
  bool wellFormed = true;
  // A run is written as it is read: its separator goes first, when the
  // result already holds something, which is what FlushRun decides at its
  // end, since nothing but the run's own characters comes in between.
  bool inRun = false;
  std::string converted;

  std::size_t i = 0;
  while (i < n) {
    if (!inRun) {
      i = SkipPlainBytes(p, i, n, significant);
      if (i >= n) break;
    }
    const unsigned char b = p[i];
    if (b >= 0x80) {
      char32_t c = 0;
      const int length = platform::DecodeUtf8(p + i, n - i, c);
      if (length <= 0) {
        wellFormed = false;
        inRun = false;
        ++i;
        continue;
      }
      i += static_cast<std::size_t>(length);
      const std::uint32_t form = forms.Lookup(c);
      if (form == 0) {
        inRun = false;
        continue;
      }
      put = output.Room(put, kStepBytes);
      if (!inRun) {
        if (put != result.data()) {
          put[0] = ' ';
          put[1] = ' ';
          put += 2;
        }
        inRun = true;
      }
      put += platform::CountedForms::Bytes(form, put);
      i = TakeThreeByteRun(p, i, n, forms, output, put);
      continue;
    }
    inRun = false;
    if (unicode && b == '#' && i >= 1 && p[i - 1] == '&' && i + 5 <= n - 1) {
      char32_t c = 0;
      std::uint32_t form = 0;
      if (hanOnly ? EntityCodePoint(line.substr(i + 1, 5), c) && (form = forms.Lookup(c)) != 0
                  : ConvertEntity(line.substr(i + 1, 5), converted)) {
        put = output.Room(put, kStepBytes);
        if (hanOnly) {
          put += platform::CountedForms::Bytes(form, put);
        } else {
          std::memcpy(put, converted.data(), converted.size());
          put += converted.size();
        }
        i += 6;
        continue;
      }
    }
    ++i;
  }
  output.Finish(put);
  return wellFormed;
}
