#include "finder/engine/FileConverter.h"

#include "platform/CodePage.h"
#include "platform/Converter.h"
#include "platform/DocumentLocators.h"
#include "platform/PathFunctions.h"

namespace {

// "跳过 " and "转换工具 " / " 不存在" in CP936.
const char kSkipped[] = "\xCC\xF8\xB9\xFD ";
const char kConverterTool[] = "\xD7\xAA\xBB\xBB\xB9\xA4\xBE\xDF ";
const char kDoesNotExist[] = " \xB2\xBB\xB4\xE6\xD4\xDA";

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
  const platform::Conversion conversion =
      platform::ConvertDocument(programDirectory_, path, kConverterOutput, [this] { return !cancelled_ || !cancelled_(); });
  exitStatus_ = conversion.exitStatus;
  inPart_ = conversion.status == platform::ConversionStatus::ConvertedInPart;
  // A converter that cannot be started converts nothing either (exit status -1).
  failed_ = conversion.status == platform::ConversionStatus::Failed ||
            conversion.status == platform::ConversionStatus::Missing ||
            conversion.status == platform::ConversionStatus::CannotStart;
  switch (conversion.status) {
    case platform::ConversionStatus::Converted:
    case platform::ConversionStatus::ConvertedInPart:
      fileToRead = kConverterOutput;
      return true;
    case platform::ConversionStatus::Missing:
    case platform::ConversionStatus::CannotStart:
      // A converter that cannot be started is as good as missing.
      message = MissingConverterNotice(conversion.converter);
      return false;
    case platform::ConversionStatus::Stopped:
      message = CancelledConversionNotice(path);
      return false;
    case platform::ConversionStatus::Failed:
      break;
  }
  // The output holds nothing of this document; scanning it would count
  // nothing and say nothing.
  message = platform::ConversionFailedNotice(conversion.exitStatus, path);
  return false;
}
