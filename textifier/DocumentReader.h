// The document readers, one per format family, behind one signature: the
// document's bytes in, lines with their locators out, and how it ended.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DocumentLocators.h"
#include "textifier/DocumentLines.h"

namespace textifier {

using platform::ConverterExit;

// How far a document may take the converter. A part of a container may
// expand to partBytes at most, and past ratioFrom bytes to no more than ratio
// times its compressed size; all parts together to documentBytes. Reading
// stops at the deadline.
struct ReadBounds {
  std::uint64_t partBytes = std::uint64_t{1} << 30;
  std::uint64_t documentBytes = std::uint64_t{4} << 30;
  std::uint64_t ratio = 250;
  std::uint64_t ratioFrom = std::uint64_t{16} << 20;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// Reads document into out. On anything but Converted, problem says what is
// wrong in one short English phrase, and out holds the lines read before it.
using DocumentReader = ConverterExit (*)(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                            std::string& problem);

// Word-processing documents (.docx, .docm): body paragraphs numbered in
// document order (a table's counted), text boxes, headers, footers,
// footnotes, endnotes, comments; inserted text of tracked changes, never
// deleted text.
ConverterExit ReadWordprocessingXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                       std::string& problem);
// Workbooks (.xlsx, .xlsm): each sheet's name, then its text cells
// (shared and inline strings, formulas' text results) as "Sheet1!B7", then
// its cell comments; hidden sheets too.
ConverterExit ReadSpreadsheetXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                    std::string& problem);
// Presentations (.pptx, .pptm): each slide's paragraphs, then its notes;
// hidden slides too.
ConverterExit ReadPresentationXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                     std::string& problem);
// OpenDocument text, spreadsheets and presentations (.odt, .ods, .odp), as
// the three above.
ConverterExit ReadOpenDocument(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                  std::string& problem);
// PDF: each page's text lines in reading order, as "page 5".
ConverterExit ReadPdf(std::string_view document, const ReadBounds& bounds, LineOutput& out, std::string& problem);

// The reader for a path's extension (in any letter case); nullptr for a
// Word 97–2003 document and any other name, which the .doc reader takes.
DocumentReader ReaderFor(std::string_view path);

}  // namespace textifier
