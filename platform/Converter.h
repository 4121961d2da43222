// The document converter "Textifier" as both programs start it: found beside
// them, started without a shell, waited for while the caller allows, and its
// exit status read by one rule.
#pragma once

#include <functional>
#include <string>

namespace platform {

// The converter program in programDirectory (CP936 path texts).
std::string ConverterPath(const std::string& programDirectory);

enum class ConversionStatus {
  Converted,        // exit 0: the document's text was written
  ConvertedInPart,  // exit 1: a damaged or encrypted document; what could be read was written
  Missing,          // no converter program there
  CannotStart,      // there, but it could not be started
  Stopped,          // the caller stopped waiting; it was ended
  Failed            // any other end: nothing usable was written
};

struct Conversion {
  ConversionStatus status = ConversionStatus::Failed;
  int exitStatus = -1;    // as WaitProcess gives it, once it ran to its end
  std::string converter;  // the program's path text
  bool HasText() const { return status == ConversionStatus::Converted || status == ConversionStatus::ConvertedInPart; }
};

// Runs the converter on document, which writes the text into output; both
// are path texts, handed over as the one argument text "DOCUMENT>OUTPUT"
// split at blanks, which the converter joins again. keepWaiting is asked
// every few milliseconds; once it answers false the converter and whatever
// it started are ended (politely first, for good after a grace of 1.5 s).
Conversion ConvertDocument(const std::string& programDirectory, const std::string& document,
                           const std::string& output, const std::function<bool()>& keepWaiting);

}  // namespace platform
