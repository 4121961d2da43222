// Turning documents that cannot be read line by line into text first.
#pragma once

#include <functional>
#include <string>

// The converter's output, shared by every search of every finder.
inline constexpr char kConverterOutput[] = "c:\\~tmp.txt";

class FileConverter {
 public:
  virtual ~FileConverter() = default;
  // On true, fileToRead names the text to scan instead of path; on false,
  // message is the line the report gets in place of the file's hits.
  virtual bool Convert(const std::string& path, std::string& fileToRead, std::string& message) = 0;
};

// Documents (Word's of 1997-2003 and today's), through the converter program
// "Textifier" that is shipped with the finder (beside it in the build). Its
// output goes to the one fixed file "c:\~tmp.txt", which each conversion
// replaces, and the locator of each of its lines to the file
// platform::LocatorPath names beside it.
class WordConverter : public FileConverter {
 public:
  // programDirectory: where the converter lies; where the helpers were
  // shipped unless a caller (a test) says otherwise.
  explicit WordConverter(std::string programDirectory);
  WordConverter();
  bool Convert(const std::string& path, std::string& fileToRead, std::string& message) override;
  // Asked while the converter runs; true ends it (politely, then for good)
  // and the document gets the cancel notice instead of its lines.
  void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
  // The last conversion's exit status (platform::ConverterExit, -1 when the
  // converter could not be started); whether the document could not be
  // converted; whether its text was written only in part (a damaged
  // document, or out of time).
  int ExitStatus() const { return exitStatus_; }
  bool Failed() const { return failed_; }
  bool InPart() const { return inPart_; }

 private:
  std::string programDirectory_;
  std::function<bool()> cancelled_;
  int exitStatus_ = 0;
  bool failed_ = false;
  bool inPart_ = false;
};

// Texts the engine writes into the report (CP936).
std::string SkipNotice(const std::string& path);
std::string MissingConverterNotice(const std::string& converter);
std::string CancelledConversionNotice(const std::string& path);
