// How both programs tell files apart by their extension: what the finder
// converts first, what it skips, what the viewer shows as a web page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The extension of the path's last component, from its last dot on; empty
// when the name has no dot (a dot in a folder name never counts).
std::string GetExtension(std::string_view path);
// ASCII letters upper-cased, other bytes as they are.
void ToUpper(std::string& text);

enum class FileKind {
  Text,          // read line by line
  WordDocument,  // ".DOC": turned into text by Textifier first
  Spreadsheet    // ".XLS": skipped with a notice
};
FileKind ClassifyByExtension(std::string_view path);

// ".HTM" or ".HTML": shown by the browser as a page; anything else is text.
bool IsWebPage(std::string_view path);

// A file whose first kBinaryHeadBytes (head) hold a NUL byte, and that has
// no UTF-16 byte-order mark, is binary: an image, an archive, a document
// format read no other way. It is not read as text.
inline constexpr std::size_t kBinaryHeadBytes = 64 * 1024;
bool IsBinary(std::string_view head);

}  // namespace platform
