// What the viewer shows of a listed source file: the file itself, or, for a
// Word document, the text that the finder scanned in its place, made the same
// way by the converter Textifier.
#pragma once

#include <chrono>
#include <string>

// The viewer's own converted text; the finder's "c:\~tmp.txt" belongs to a
// search that may be running.
inline constexpr char kConvertedTextPath[] = "c:\\~view.txt";

class DocumentConverter {
 public:
  virtual ~DocumentConverter() = default;
  // Writes the text of the Word document strDocument into the file
  // strOutput (CP936 path texts). Raises a RunTimeError, whose text says why
  // for the user, when no text came of it.
  virtual void Convert(const std::string& strDocument, const std::string& strOutput) = 0;
};

// Textifier from programDirectory, started as the finder starts it (one
// argument text, the document, ">" and the output), and waited for at most
// limit: a run that takes longer is ended. A damaged document whose readable
// part was written counts as converted, as the finder scans that part too.
class TextifierConverter : public DocumentConverter {
 public:
  explicit TextifierConverter(std::string programDirectory, std::chrono::milliseconds limit = std::chrono::seconds(30));
  void Convert(const std::string& strDocument, const std::string& strOutput) override;

 private:
  std::string programDirectory_;
  std::chrono::milliseconds limit_;
};

// The file whose lines the report counted for strFileName: strFileName
// itself, or for a Word document kConvertedTextPath, converted now. A
// conversion that fails raises its RunTimeError.
std::string SourceTextPath(const std::string& strFileName, DocumentConverter& converter);
