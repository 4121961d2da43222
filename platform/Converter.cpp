#include "platform/Converter.h"

#include <chrono>

#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/Process.h"

namespace platform {

namespace {

// Time an ended converter gets to end by itself before it is killed.
constexpr std::chrono::milliseconds kGrace{1500};

}  // namespace

std::string ConverterPath(const std::string& programDirectory) { return programDirectory + "/Textifier"; }

Conversion ConvertDocument(const std::string& programDirectory, const std::string& document,
                           const std::string& output, const std::function<bool()>& keepWaiting) {
  Conversion conversion;
  conversion.converter = ConverterPath(programDirectory);
  if (!PathExists(conversion.converter) || IsDirectory(conversion.converter)) {
    conversion.status = ConversionStatus::Missing;
    return conversion;
  }
  // The folder of drive c may not exist yet; the converter only opens the file.
  ToNativeForWrite(output);
  // No command interpreter sees this text, so the ">" is no redirection: the
  // converter itself writes the document's text into the file named after it.
  const int pid = StartProcess(conversion.converter, document + ">" + output);
  if (pid < 0) {
    // Waiting on a process that never started would hang the caller.
    conversion.status = ConversionStatus::CannotStart;
    return conversion;
  }
  bool ended = false;
  conversion.exitStatus = WaitProcessWhile(pid, keepWaiting, kGrace, ended);
  if (ended)
    conversion.status = ConversionStatus::Stopped;
  else if (conversion.exitStatus == 0)
    conversion.status = ConversionStatus::Converted;
  else if (conversion.exitStatus == 1)
    conversion.status = ConversionStatus::ConvertedInPart;
  else
    conversion.status = ConversionStatus::Failed;
  return conversion;
}

}  // namespace platform
