// Stands in for the document converter in tests: writes one Chinese line and
// the words it was started with into the file named after the last ">",
// taking a moment over it as a real conversion does.
#include <unistd.h>

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
  platform::OutputFile out;
  if (!out.Create(platform::Utf8ToAnsiOrRaw(joined.substr(arrow + 1)))) return 3;
  usleep(10'000);
  std::string text = "\xD7\xAA\xBB\xBB\r\n";  // 转换
  for (int i = 1; i < argc; ++i) text += "arg" + std::to_string(i) + "=" + argv[i] + "\r\n";
  return out.Write(text) && out.Close() ? 0 : 4;
}
