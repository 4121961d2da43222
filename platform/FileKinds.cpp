#include "platform/FileKinds.h"

#include "platform/AsciiText.h"
#include "platform/TextEncoding.h"

namespace platform {

std::string GetExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

void ToUpper(std::string& text) {
  for (char& c : text) c = static_cast<char>(AsciiUpper(static_cast<unsigned char>(c)));
}

namespace {
std::string UpperExtension(std::string_view path) {
  std::string extension = GetExtension(path);
  ToUpper(extension);
  return extension;
}
}  // namespace

FileKind ClassifyByExtension(std::string_view path) {
  const std::string extension = UpperExtension(path);
  if (extension == ".DOC") return FileKind::WordDocument;
  if (extension == ".XLS") return FileKind::Spreadsheet;
  return FileKind::Text;
}

bool IsBinary(std::string_view head) {
  TextEncoding marked = TextEncoding::Gbk;
  if (ByteOrderMark(head, marked) == 2) return false;  // UTF-16 is full of NULs
  return head.substr(0, kBinaryHeadBytes).find('\0') != std::string_view::npos;
}

bool IsWebPage(std::string_view path) {
  const std::string extension = UpperExtension(path);
  return extension == ".HTM" || extension == ".HTML";
}

}  // namespace platform
