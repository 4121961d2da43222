#include "finder/app/search/FinderTexts.h"

#include "platform/CodePage.h"

std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsiOrRaw(utf8); }

std::string CompletionText(std::int64_t fileCount, std::int64_t charCount) {
  return Ansi("处理结束 共搜索了 " + std::to_string(fileCount) + " 个文件，发现汉字 " + std::to_string(charCount) +
              " 个。");
}
