#include "finder/app/FinderTexts.h"

#include "platform/CodePage.h"

std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsiOrRaw(utf8); }

std::string AnsiFromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  char bytes[3];
  for (char16_t unit : text) {
    const int written = platform::WideCharToAnsi(static_cast<std::uint16_t>(unit), bytes);
    out.append(bytes, static_cast<std::size_t>(written > 0 ? written - 1 : 0));
  }
  return out;
}

std::string CompletionText(std::int64_t fileCount, std::int64_t charCount) {
  return Ansi("处理结束 共搜索了 " + std::to_string(fileCount) + " 个文件，发现汉字 " + std::to_string(charCount) +
              " 个。");
}
