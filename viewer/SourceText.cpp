#include "viewer/SourceText.h"

#include "platform/Converter.h"
#include "platform/FileKinds.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "viewer/support/RunTimeError.h"

TextifierConverter::TextifierConverter(std::string programDirectory, std::chrono::milliseconds limit)
    : programDirectory_(std::move(programDirectory)), limit_(limit) {}

void TextifierConverter::Convert(const std::string& strDocument, const std::string& strOutput) {
  const std::string nativeDocument = platform::ToNative(strDocument);
  // A document that is gone or unreadable is said so as any other source.
  if (platform::InputFile document; !document.Open(nativeDocument)) RaiseOpenError(document.Error(), nativeDocument);
  const auto deadline = std::chrono::steady_clock::now() + limit_;
  const platform::Conversion conversion = platform::ConvertDocument(
      programDirectory_, strDocument, strOutput, [deadline] { return std::chrono::steady_clock::now() < deadline; });
  const std::string nativeConverter = platform::ToNative(conversion.converter);
  switch (conversion.status) {
    case platform::ConversionStatus::Converted:
    case platform::ConversionStatus::ConvertedInPart:
      return;
    case platform::ConversionStatus::Missing:
      throw RunTimeError(RunTimeErrorCode::FileNotFound, "转换工具 " + nativeConverter + " 不存在");
    case platform::ConversionStatus::CannotStart:
      throw RunTimeError(RunTimeErrorCode::FileNotFound, "转换工具 " + nativeConverter + " 无法启动");
    case platform::ConversionStatus::Stopped:
      throw RunTimeError(RunTimeErrorCode::DeviceIo, "转换工具 " + std::to_string(limit_.count() / 1000) +
                                                         " 秒内没有转换完 " + nativeDocument + "，已被结束");
    case platform::ConversionStatus::Failed:
      break;
  }
  throw RunTimeError(RunTimeErrorCode::PathFileAccess, "转换工具未能把 " + nativeDocument + " 转换成文本（退出码 " +
                                                           std::to_string(conversion.exitStatus) + "）");
}

std::string SourceTextPath(const std::string& strFileName, DocumentConverter& converter) {
  if (platform::ClassifyByExtension(strFileName) != platform::FileKind::WordDocument) return strFileName;
  converter.Convert(strFileName, kConvertedTextPath);
  return kConvertedTextPath;
}
