// Where the characters of a line stand: its runs of counted characters, each
// with its place in the line, for the findings glyphwell-scan prints. A run
// is what the report's extraction joins, made of characters: in a GBK line
// the bytes 0x80 and above, in a Unicode line the characters that count;
// with references on, a five-digit reference that turns into a counted
// character is one character of the run at its place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextEncoding.h"

struct CharacterRun {
  std::int64_t byteColumn = 0;       // 1-based, bytes of the line as stored
  std::int64_t characterColumn = 0;  // 1-based, characters of the line
  std::int64_t characterSpan = 0;    // characters of the line the run takes
  std::string text;                  // its characters in UTF-8
  std::uint32_t labels = 0;          // set by the wiring's RunAnnotator, if any
};

// line is as the reader gave it: the file's bytes for GBK (the system's own
// text with four-byte forms when systemText), UTF-8 for a UTF-8 or UTF-16
// file (whose stored columns count two bytes a UTF-16 unit).
// set: which characters count (a GBK line under the Gbk set: the byte rule).
void FindRuns(std::string_view line, platform::TextEncoding encoding, bool systemText, bool references,
              platform::CharacterSet set, std::vector<CharacterRun>& runs);

// The stored columns (as CharacterRun::byteColumn counts them) of 1-based
// character columns of line, with characters counted as FindRuns counts
// them without references (a reference's bytes are characters of their
// own). Columns asked in ascending order cost one pass over the line.
class StoredColumns {
 public:
  StoredColumns(std::string_view line, platform::TextEncoding encoding, bool systemText);
  std::int64_t At(std::int64_t characterColumn);

 private:
  std::string_view line_;
  bool gbk_, utf16_, systemText_;
  std::size_t i_ = 0;
  std::int64_t units_ = 0;
  std::int64_t character_ = 1;
};
