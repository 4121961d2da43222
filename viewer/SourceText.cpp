#include "viewer/SourceText.h"

#include "platform/FileKinds.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/Process.h"
#include "viewer/support/RunTimeError.h"

TextifierConverter::TextifierConverter(std::string programDirectory, std::chrono::milliseconds limit)
    : programDirectory_(std::move(programDirectory)), limit_(limit) {}

void TextifierConverter::Convert(const std::string& strDocument, const std::string& strOutput) {
  const std::string converter = programDirectory_ + "/Textifier";
  const std::string nativeConverter = platform::ToNative(converter);
  const std::string nativeDocument = platform::ToNative(strDocument);
  // A document that is gone or unreadable is said so as any other source.
  if (platform::InputFile document; !document.Open(nativeDocument)) RaiseOpenError(document.Error(), nativeDocument);
  if (!platform::PathExists(converter) || platform::IsDirectory(converter))
    throw RunTimeError(RunTimeErrorCode::FileNotFound, "转换工具 " + nativeConverter + " 不存在");
  // The folder of drive c may not exist yet; the converter only opens the file.
  platform::ToNativeForWrite(strOutput);
  // No shell sees this text: the converter itself writes into the file named
  // after the ">".
  const int pid = platform::StartProcess(converter, strDocument + ">" + strOutput);
  if (pid < 0) throw RunTimeError(RunTimeErrorCode::FileNotFound, "转换工具 " + nativeConverter + " 无法启动");
  const auto deadline = std::chrono::steady_clock::now() + limit_;
  bool ended = false;
  const int status = platform::WaitProcessWhile(
      pid, [deadline] { return std::chrono::steady_clock::now() < deadline; }, std::chrono::seconds(1), ended);
  if (ended)
    throw RunTimeError(RunTimeErrorCode::DeviceIo, "转换工具 " + std::to_string(limit_.count() / 1000) +
                                                       " 秒内没有转换完 " + nativeDocument + "，已被结束");
  // 1: an encrypted or damaged document, its readable part written.
  if (status != 0 && status != 1)
    throw RunTimeError(RunTimeErrorCode::PathFileAccess,
                       "转换工具未能把 " + nativeDocument + " 转换成文本（退出码 " + std::to_string(status) + "）");
}

std::string SourceTextPath(const std::string& strFileName, DocumentConverter& converter) {
  if (platform::ClassifyByExtension(strFileName) != platform::FileKind::WordDocument) return strFileName;
  converter.Convert(strFileName, kConvertedTextPath);
  return kConvertedTextPath;
}
