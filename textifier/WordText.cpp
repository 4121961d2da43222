#include "textifier/WordText.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

namespace textifier {
namespace {

// Every size and offset below comes from the file and is checked against the
// real length of the bytes it points into before it is used.
std::uint16_t U16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}
std::uint32_t U32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(U16(bytes, at)) | static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16;
}
bool Fits(std::string_view bytes, std::uint64_t at, std::uint64_t length) {
  return at <= bytes.size() && length <= bytes.size() - at;
}

constexpr std::uint16_t kWordIdent = 0xA5EC;
constexpr std::uint16_t kFirstWord97Fib = 0x00C0;  // Word 6 and 95 documents lie below
constexpr std::uint16_t kEncrypted = 0x0100;
constexpr std::uint16_t kTableIsOne = 0x0200;
constexpr std::size_t kFibBaseSize = 32;
constexpr std::size_t kCcpTextIndex = 3;  // in FibRgLw97
constexpr std::size_t kClxPairIndex = 33;  // fcClx/lcbClx in FibRgFcLcb97
constexpr std::uint32_t kCompressedBit = 0x40000000;
constexpr std::uint32_t kFcMask = 0x3FFFFFFF;

// Bytes 0x82-0x9F of 8-bit text are the Windows-1252 punctuation and letters
// there; every other byte is the Latin-1 character of its value.
constexpr std::array<std::uint16_t, 30> kHighPunctuation = {
    0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};

std::uint16_t CompressedChar(unsigned char byte) {
  return byte >= 0x82 && byte <= 0x9F ? kHighPunctuation[byte - 0x82] : byte;
}

// Turns the document's characters into lines. Fields nest: a field begin
// opens its instruction, the separator switches to its result, the end closes
// it; characters count only while no open field is in its instruction. The
// stack grows with the characters read, never with anything the file claims.
class LineSink {
 public:
  explicit LineSink(std::string& out) : out_(out) {}

  void Put(std::uint16_t unit) {
    switch (unit) {
      case 0x13:
        fields_.push_back(true);
        ++instructionLevels_;
        return;
      case 0x14:
        if (!fields_.empty() && fields_.back()) {
          fields_.back() = false;
          --instructionLevels_;
        }
        return;
      case 0x15:
        if (!fields_.empty()) {
          if (fields_.back()) --instructionLevels_;
          fields_.pop_back();
        }
        return;
    }
    if (instructionLevels_ > 0) return;
    if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
      const char32_t c = 0x10000 + ((highSurrogate_ - 0xD800u) << 10) + (unit - 0xDC00u);
      highSurrogate_ = 0;
      AppendBeyondCp936(c);
      return;
    }
    EndLoneHalf();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      highSurrogate_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      Append('?');
      return;
    }
    switch (unit) {
      case 0x0D:  // paragraph end
      case 0x0B:  // line break
      case 0x07:  // table cell or row end
      case 0x0C:  // page or section break
      case 0x0E:  // column break
        out_ += "\r\n";
        lineOpen_ = false;
        return;
      case 0x09:
        Append('\t');
        return;
      case 0x1E:  // non-breaking hyphen
        Append('-');
        return;
      case 0xA0:  // non-breaking space, which CP936 lacks
        Append(' ');
        return;
    }
    if (unit < 0x20) return;  // pictures, notes' marks, optional hyphens
    char bytes[3];
    const int length = platform::WideCharToAnsi(unit, bytes) - 1;
    if (length == 1 && bytes[0] == '?' && unit != '?') return AppendBeyondCp936(unit);
    out_.append(bytes, static_cast<std::size_t>(length));
    lineOpen_ = true;
  }

  // Ends the last line when the text did not.
  void Finish() {
    EndLoneHalf();
    if (lineOpen_) out_ += "\r\n";
    lineOpen_ = false;
  }

 private:
  // A character CP936 lacks: a Han ideograph in its GB18030 form, so that the
  // search still finds it; anything else "?", as the code page writes it.
  void AppendBeyondCp936(char32_t c) {
    char form[4];
    const int length = platform::CountedForm(c, form);
    if (length == 0) return Append('?');
    out_.append(form, static_cast<std::size_t>(length));
    lineOpen_ = true;
  }

  // A high half with no low half after it is one "?".
  void EndLoneHalf() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    Append('?');
  }

  void Append(char c) {
    out_ += c;
    lineOpen_ = true;
  }

  std::string& out_;
  std::vector<bool> fields_;  // per open field: still in its instruction
  std::size_t instructionLevels_ = 0;
  std::uint16_t highSurrogate_ = 0;  // a high half waiting for its low half
  bool lineOpen_ = false;
};

struct Fib {
  std::uint32_t ccpText = 0;
  std::uint32_t fcClx = 0;
  std::uint32_t lcbClx = 0;
};

// Reads the header of the WordDocument stream; problem says why it is no
// readable Word 97 header.
WordResult ReadFib(std::string_view word, Fib& fib, std::string& problem) {
  if (word.size() < kFibBaseSize + 2) {
    problem = "the document header is cut short";
    return WordResult::Damaged;
  }
  if (U16(word, 0) != kWordIdent) {
    problem = "not a Word document";
    return WordResult::Damaged;
  }
  if (U16(word, 0x0A) & kEncrypted) {
    problem = "the document is encrypted";
    return WordResult::Encrypted;
  }
  if (U16(word, 2) < kFirstWord97Fib) {
    problem = "a Word 6 or Word 95 document, which is not supported";
    return WordResult::Damaged;
  }
  // FibBase, then three blocks each led by its own count: 16-bit words,
  // 32-bit words, and pairs of 32-bit offset and length.
  std::uint64_t at = kFibBaseSize;
  const std::uint16_t csw = U16(word, at);
  at += 2 + 2ull * csw;
  if (!Fits(word, at, 2)) {
    problem = "the document header is cut short";
    return WordResult::Damaged;
  }
  const std::uint16_t cslw = U16(word, at);
  const std::uint64_t rgLw = at + 2;
  at = rgLw + 4ull * cslw;
  if (cslw <= kCcpTextIndex || !Fits(word, at, 2)) {
    problem = "the document header is cut short";
    return WordResult::Damaged;
  }
  const std::uint16_t pairs = U16(word, at);
  const std::uint64_t rgFcLcb = at + 2;
  if (pairs <= kClxPairIndex || !Fits(word, rgFcLcb, 8ull * pairs)) {
    problem = "the document header is cut short";
    return WordResult::Damaged;
  }
  fib.ccpText = U32(word, rgLw + 4 * kCcpTextIndex);
  fib.fcClx = U32(word, rgFcLcb + 8 * kClxPairIndex);
  fib.lcbClx = U32(word, rgFcLcb + 8 * kClxPairIndex + 4);
  return WordResult::Converted;
}

// Finds the piece table (PlcPcd) in the Clx: property runs (0x01) first, then
// the table (0x02).
bool FindPieceTable(std::string_view clx, std::string_view& plcPcd) {
  std::size_t at = 0;
  while (at < clx.size()) {
    const unsigned char type = static_cast<unsigned char>(clx[at]);
    if (type == 0x01) {
      if (!Fits(clx, at + 1, 2)) return false;
      const auto length = static_cast<std::int16_t>(U16(clx, at + 1));
      if (length < 0) return false;
      at += 3 + static_cast<std::size_t>(length);
    } else if (type == 0x02) {
      if (!Fits(clx, at + 1, 4)) return false;
      const std::uint32_t length = U32(clx, at + 1);
      if (!Fits(clx, at + 5, length)) return false;
      plcPcd = clx.substr(at + 5, length);
      return true;
    } else {
      return false;
    }
  }
  return false;
}

// Reads one stream of the compound file whole. A stream cannot hold more than
// the file, so a larger claimed size is a fault, not an allocation. complete
// is false when the stream broke off early.
bool ReadStream(GsfInfile* file, const char* name, std::size_t limit, std::string& out, bool& complete) {
  GsfInput* stream = gsf_infile_child_by_name(file, name);
  if (!stream) return false;
  const gsf_off_t size = gsf_input_size(stream);
  complete = size >= 0 && static_cast<std::uint64_t>(size) <= limit;
  const std::size_t wanted = complete ? static_cast<std::size_t>(size) : 0;
  out.assign(wanted, '\0');
  constexpr std::size_t kChunk = 1 << 16;
  std::size_t done = 0;
  while (done < wanted) {
    const std::size_t step = std::min(kChunk, wanted - done);
    if (!gsf_input_read(stream, step, reinterpret_cast<guint8*>(out.data() + done))) {
      complete = false;
      break;
    }
    done += step;
  }
  out.resize(done);
  g_object_unref(stream);
  return true;
}

}  // namespace

bool IsCompoundFile(std::string_view bytes) {
  static constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

const char* TableStreamName(std::string_view wordDocument) {
  return wordDocument.size() >= 12 && (U16(wordDocument, 0x0A) & kTableIsOne) ? "1Table" : "0Table";
}

WordResult ReadWordStreams(std::string_view word, std::string_view table, std::string& text, std::string& problem) {
  Fib fib;
  if (const WordResult header = ReadFib(word, fib, problem); header != WordResult::Converted) return header;
  std::string_view plcPcd;
  if (!Fits(table, fib.fcClx, fib.lcbClx) || !FindPieceTable(table.substr(fib.fcClx, fib.lcbClx), plcPcd)) {
    problem = table.empty() ? "the table stream is missing" : "the piece table is damaged";
    return WordResult::Damaged;
  }
  // n + 1 character positions, then n piece descriptors of 8 bytes.
  if (plcPcd.size() < 4 || (plcPcd.size() - 4) % 12 != 0) {
    problem = "the piece table is damaged";
    return WordResult::Damaged;
  }
  const std::size_t pieces = (plcPcd.size() - 4) / 12;
  const std::size_t descriptors = 4 * (pieces + 1);

  LineSink sink(text);
  // Pieces may overlap in a hostile file; the characters read never exceed
  // the bytes of the stream, so the work stays linear in the file.
  std::uint64_t budget = word.size();
  std::uint32_t cp = 0;
  for (std::size_t i = 0; i < pieces && problem.empty() && cp < fib.ccpText; ++i) {
    const std::uint32_t start = U32(plcPcd, 4 * i), end = U32(plcPcd, 4 * (i + 1));
    if (start != cp || end < start) {
      problem = "the piece table is damaged";
      break;
    }
    const std::uint32_t count = std::min(end, fib.ccpText) - start;
    cp = start + count;
    if (count > budget) {
      problem = "the piece table is damaged";
      break;
    }
    budget -= count;
    const std::uint32_t fc = U32(plcPcd, descriptors + 8 * i + 2);
    const bool compressed = (fc & kCompressedBit) != 0;
    const std::uint64_t offset = compressed ? (fc & kFcMask) / 2 : fc & kFcMask;
    const std::uint64_t length = compressed ? count : 2ull * count;
    const std::uint64_t present = offset < word.size() ? std::min<std::uint64_t>(length, word.size() - offset) : 0;
    const std::string_view bytes =
        present > 0 ? word.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(present)) : "";
    if (compressed) {
      for (char byte : bytes) sink.Put(CompressedChar(static_cast<unsigned char>(byte)));
    } else {
      for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) sink.Put(U16(bytes, at));
    }
    if (present < length) problem = "the document is cut short";
  }
  if (problem.empty() && cp < fib.ccpText) problem = "the piece table ends before the text";
  sink.Finish();
  return problem.empty() ? WordResult::Converted : WordResult::Damaged;
}

WordResult ReadWordText(std::string_view document, std::string& text, std::string& problem) {
  if (!IsCompoundFile(document)) return WordResult::NotCompound;
  GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(document.data()),
                                         static_cast<gsf_off_t>(document.size()), FALSE);
  GError* error = nullptr;
  GsfInfile* file = gsf_infile_msole_new(input, &error);
  g_object_unref(input);  // the compound file holds its own reference
  if (!file) {
    if (error) g_error_free(error);
    problem = "the compound file is damaged";
    return WordResult::Damaged;
  }
  std::string word, table;
  bool wordComplete = false, tableComplete = true;
  WordResult result = WordResult::Damaged;
  if (!ReadStream(file, "WordDocument", document.size(), word, wordComplete)) {
    problem = "not a Word document";
  } else {
    if (!ReadStream(file, TableStreamName(word), document.size(), table, tableComplete)) table.clear();
    result = ReadWordStreams(word, table, text, problem);
    // A stream that broke off may still have held all the text; say so only
    // when nothing else was wrong.
    if (result == WordResult::Converted && !(wordComplete && tableComplete)) {
      problem = "the compound file is damaged";
      result = WordResult::Damaged;
    }
  }
  g_object_unref(file);
  return result;
}

}  // namespace textifier
