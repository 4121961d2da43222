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

// Word documents, through the converter program "Textifier" that lies beside
// the finder's own program. Its output goes to the one fixed file
// "c:\~tmp.txt", which each conversion replaces.
class WordConverter : public FileConverter {
 public:
  // programDirectory: where the converter lies; the module directory unless
  // a caller (a test) says otherwise.
  explicit WordConverter(std::string programDirectory);
  WordConverter();
  bool Convert(const std::string& path, std::string& fileToRead, std::string& message) override;
  // Asked while the converter runs; true ends it (politely, then for good)
  // and the document gets the cancel notice instead of its lines.
  void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

 private:
  std::string programDirectory_;
  std::function<bool()> cancelled_;
};

// Texts the engine writes into the report (CP936).
std::string SkipNotice(const std::string& path);
std::string MissingConverterNotice(const std::string& converter);
std::string CancelledConversionNotice(const std::string& path);
// The converter ran but wrote nothing usable (it could not read the document).
std::string FailedConversionNotice(const std::string& path);
