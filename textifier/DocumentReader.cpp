#include "textifier/DocumentReader.h"

#include "platform/FileKinds.h"

namespace textifier {

DocumentReader ReaderFor(std::string_view path) {
  std::string extension = platform::GetExtension(path);
  platform::ToUpper(extension);
  if (extension == ".DOCX" || extension == ".DOCM") return ReadWordprocessingXml;
  if (extension == ".XLSX" || extension == ".XLSM") return ReadSpreadsheetXml;
  if (extension == ".PPTX" || extension == ".PPTM") return ReadPresentationXml;
  if (extension == ".ODT" || extension == ".ODS" || extension == ".ODP") return ReadOpenDocument;
  if (extension == ".PDF") return ReadPdf;
  return nullptr;
}

}  // namespace textifier
