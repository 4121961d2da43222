// Stands in for the document converter in tests: writes one Chinese line and
// the words it was started with into the file named after the last ">".
#include <string>

#include "platform/CodePage.h"
#include "platform/Files.h"

int main(int argc, char** argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i];
  }
  const std::size_t arrow = joined.rfind('>');
  if (arrow == std::string::npos) return 2;
  const int fd = platform::OpenForWrite(platform::Utf8ToAnsiOrRaw(joined.substr(arrow + 1)));
  if (fd < 0) return 3;
  std::string text = "\xD7\xAA\xBB\xBB\r\n";  // 转换
  for (int i = 1; i < argc; ++i) text += "arg" + std::to_string(i) + "=" + argv[i] + "\r\n";
  return platform::WriteAll(fd, text.data(), text.size()) ? 0 : 4;
}
