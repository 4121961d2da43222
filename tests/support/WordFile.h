// Small Word 97 documents built from scratch: the pieces of text that
// LibreOffice never writes (8-bit ones), hostile variants, and the benchmark's
// large document.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct WordPiece {
  std::u16string text;
  bool compressed = false;  // stored one byte per character (each unit below 0x100)
};

struct WordStreams {
  std::string wordDocument, table;
};

// A Word 97 header (its table stream "1Table", or "0Table"), the pieces' text
// behind it and a Clx of one property run and the piece table. All of the
// pieces' text is main text.
WordStreams MakeWordStreams(const std::vector<WordPiece>& pieces, bool tableOne = true);

// Offsets into the streams of MakeWordStreams, for tests that damage them.
inline constexpr std::size_t kFlagsOffset = 0x0A, kCcpTextOffset = 64 + 12, kPlcPcdOffset = 16 + 5 + 5;

// A compound file holding the named streams; empty when libgsf fails.
std::string MakeCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams);
std::string MakeWordFile(const WordStreams& streams, bool tableOne = true);
