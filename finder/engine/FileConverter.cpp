#include "finder/engine/FileConverter.h"

#include <chrono>

#include "platform/CodePage.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"

namespace {

// "跳过 " and "转换工具 " / " 不存在" in CP936.
const char kSkipped[] = "\xCC\xF8\xB9\xFD ";
const char kConverterTool[] = "\xD7\xAA\xBB\xBB\xB9\xA4\xBE\xDF ";
const char kDoesNotExist[] = " \xB2\xBB\xB4\xE6\xD4\xDA";

// Time a cancelled converter gets to end by itself before it is killed.
constexpr std::chrono::milliseconds kGrace{1500};

}  // namespace

std::string SkipNotice(const std::string& path) { return kSkipped + path; }

std::string MissingConverterNotice(const std::string& converter) {
  return kConverterTool + converter + kDoesNotExist;
}

std::string CancelledConversionNotice(const std::string& path) {
  return platform::Utf8ToAnsiOrRaw("转换取消 ") + path;
}

WordConverter::WordConverter(std::string programDirectory) : programDirectory_(std::move(programDirectory)) {}

WordConverter::WordConverter() : WordConverter(ShippedFileFolder(ShippedFileKind::Helper)) {}

bool WordConverter::Convert(const std::string& path, std::string& fileToRead, std::string& message) {
  const std::string converter = programDirectory_ + "/Textifier";
  if (!FileExists(converter)) {
    message = MissingConverterNotice(converter);
    return false;
  }
  // No command interpreter sees this text, so the ">" is no redirection: the
  // converter itself writes the document's text into the file named after it.
  const std::string argumentText = path + ">" + kConverterOutput;
  const int pid = platform::StartProcess(converter, argumentText);
  if (pid < 0) {
    // A converter that cannot be started is as good as missing; waiting on
    // it would hang the search.
    message = MissingConverterNotice(converter);
    return false;
  }
  bool ended = false;
  platform::WaitProcessWhile(
      pid, [this] { return !cancelled_ || !cancelled_(); }, kGrace, ended);
  if (ended) {
    message = CancelledConversionNotice(path);
    return false;
  }
  fileToRead = kConverterOutput;
  return true;
}
