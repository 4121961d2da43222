// The main text of a Word 97–2003 binary document, as the system's text:
// CP936 lines ending in CR LF.
#pragma once

#include <string>
#include <string_view>

namespace textifier {

enum class WordResult {
  Converted,    // text holds the whole main text
  NotCompound,  // no compound file: the bytes are no Word binary document
  Encrypted,    // nothing can be read without the password
  Damaged,      // text holds what could be read before the fault
};

// True when bytes start with the compound file signature.
bool IsCompoundFile(std::string_view bytes);

// Appends the document's main text to text. Paragraph ends, line, page and
// column breaks and table cell marks end lines (so a table row gives one line
// per cell and an empty one for the row's own mark); of a field only its
// result stays; other control characters go; what CP936 lacks becomes "?".
// On anything but Converted, problem says what is wrong, in one short phrase.
WordResult ReadWordText(std::string_view document, std::string& text, std::string& problem);

// The same from the document's two streams taken out of the compound file:
// "WordDocument" and the table stream its header names ("0Table" or
// "1Table"; empty when there is none).
WordResult ReadWordStreams(std::string_view wordDocument, std::string_view table, std::string& text,
                           std::string& problem);

// The name of the table stream that the header of wordDocument names.
const char* TableStreamName(std::string_view wordDocument);

}  // namespace textifier
