#include "finder/app/search/FinderTexts.h"

#include "platform/CodePage.h"
#include "platform/NativePath.h"

std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsiOrRaw(utf8); }

std::string CompletionText(std::int64_t fileCount, std::int64_t charCount) {
  return Ansi("处理结束 共搜索了 " + std::to_string(fileCount) + " 个文件，发现汉字 " + std::to_string(charCount) +
              " 个。");
}

std::string CompletionText(const SearchOutcome& outcome) {
  return CompletionText(outcome.fileCount, outcome.charCount);
}

namespace {

// A path text and, where it lies elsewhere on disk (a drive path), that place.
std::string Where(const std::string& path) {
  const std::string native = platform::Utf8ToAnsiOrRaw(platform::ToNative(path));
  return native == path ? path : path + Ansi("（磁盘上的 ") + native + Ansi("）");
}

// So many names are listed; the box would grow past the screen otherwise.
constexpr std::size_t kNamesShown = 5;

}  // namespace

std::string LostText(const SearchOutcome& outcome) {
  std::string text;
  auto line = [&](const std::string& piece) { text += Ansi("\r\n\r\n") + piece; };
  for (const Loss loss : Losses(outcome)) {
    switch (loss) {
      case Loss::ReportHeldByAnother:
        line(Ansi("日志文件 ") + Where(outcome.report) + Ansi(" 正由另一个搜索写入，本次搜索的结果没有写入。"));
        break;
      case Loss::ReportNotCreated:
        line(Ansi("日志文件 ") + Where(outcome.report) + Ansi(" 无法创建，搜索结果没有写入。"));
        break;
      case Loss::ReportIncomplete:
        line(Ansi("日志文件 ") + Where(outcome.report) + Ansi(" 不完整：有些行无法写入（磁盘已满？）。"));
        break;
      case Loss::Aborted:
        line(Ansi("搜索提前结束了，其余的文件没有搜索。"));
        break;
      case Loss::WorkbookFailed:
        line(Ansi("Excel 文件 ") + Where(outcome.workbookPath) + Ansi(" 无法写入，原有的文件保持不变。"));
        break;
      case Loss::FilesNotWhole: {
        std::string names;
        for (std::size_t i = 0; i < outcome.notWhole.size() && i < kNamesShown; ++i)
          names += Ansi("\r\n    ") + outcome.notWhole[i];
        if (outcome.notWhole.size() > kNamesShown) names += Ansi("\r\n    ……");
        line(Ansi("有 ") + std::to_string(outcome.notWhole.size()) +
             Ansi(" 个文件没有完整搜索（读取出错或内存不足），统计数字不包括其余部分：") + names);
        break;
      }
    }
  }
  if (text.empty()) return text;
  return Ansi("搜索结果不完整。") + text;
}

std::string CannotOpenText(const std::string& nativePath) {
  return Ansi("无法打开文件 ") + platform::Utf8ToAnsiOrRaw(nativePath) + Ansi("。\r\n\r\n请用文本编辑器打开它。");
}
