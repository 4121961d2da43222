#include "platform/DocumentLocators.h"

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace platform {

std::string LocatorPath(std::string_view outputPath) { return std::string(outputPath) + ".where"; }

bool ReadLocators(std::string_view outputPath, std::vector<std::string>& locators) {
  locators.clear();
  std::string content;
  if (ReadWholeFile(LocatorPath(outputPath), content) != 0) return false;
  for (std::size_t start = 0; start < content.size();) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::size_t stop = end;
    if (stop > start && content[stop - 1] == '\r') --stop;
    locators.emplace_back(content, start, stop - start);
    start = end + 1;
  }
  return true;
}

namespace {

struct Reason {
  const char* chinese;  // UTF-8 here, CP936 in the notice
  const char* english;
};

Reason ReasonOf(int status) {
  switch (static_cast<ConverterExit>(status)) {
    case ConverterExit::Converted: return {"已转换", "converted"};
    case ConverterExit::Damaged: return {"文档已损坏或不完整", "damaged or truncated document"};
    case ConverterExit::Usage: return {"转换工具的调用有误", "converter called wrongly"};
    case ConverterExit::FileError: return {"文档无法读取或文本无法写入", "document unreadable or text not writable"};
    case ConverterExit::Encrypted: return {"文档已加密或有密码保护", "encrypted or password-protected document"};
    case ConverterExit::NotWellFormed: return {"文档中的 XML 格式不正确", "XML not well-formed"};
    case ConverterExit::TooLarge:
      return {"文档解压后超出限制（疑为压缩炸弹）", "a part expands past the bound (zip bomb)"};
    case ConverterExit::ExternalEntity: return {"文档含 DTD 或外部实体", "DTD or external entity in the XML"};
    case ConverterExit::EntityExpansion: return {"文档声明了要展开的实体", "entity expansion in the XML"};
    case ConverterExit::OutOfTime: return {"转换超时", "conversion took too long"};
    case ConverterExit::OutOfMemory: return {"转换所需内存超出限制", "conversion ran out of memory"};
  }
  return {nullptr, nullptr};
}

}  // namespace

std::string ConversionFailedNotice(int status, const std::string& path) {
  const Reason reason = ReasonOf(status);
  const std::string why = reason.chinese ? reason.chinese : "转换工具异常结束，退出码 " + std::to_string(status);
  return Utf8ToAnsiOrRaw("转换失败 ") + path + Utf8ToAnsiOrRaw("（" + why + "）");
}

std::string ConversionProblem(int status) {
  if (status < 0) return "the converter could not be started";
  const Reason reason = ReasonOf(status);
  return reason.english ? reason.english : "converter ended abnormally, exit status " + std::to_string(status);
}

}  // namespace platform
