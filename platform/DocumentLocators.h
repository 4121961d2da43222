// What the converter Textifier hands back besides its text: where each
// output line stands in the document (its locator file), and how a
// conversion ended (its exit status), with the notices that say so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The locator file of a converter output: the output's path with ".where"
// appended. It holds one locator per output line ("paragraph 12",
// "'价格 表'!B7", "slide 3 notes", "page 5"), CP936 with CR LF line ends as
// the output, so line N of the output stands where line N of this file says.
// A Word 97–2003 document gets none: the converter removes an old one.
std::string LocatorPath(std::string_view outputPath);

// Reads the locator file of an output (a CP936 path text, the output's, not
// the locator file's). False when there is none or it cannot be read; then
// locators is empty.
bool ReadLocators(std::string_view outputPath, std::vector<std::string>& locators);

// Textifier's exit status.
enum class ConverterExit {
  Converted = 0,
  Damaged = 1,          // damaged or cut short: the output holds what could be read
  Usage = 2,            // not called as "DOCUMENT>OUTPUT"
  FileError = 3,        // the document cannot be read or the output not written
  Encrypted = 4,        // encrypted, or a password is needed to open it
  NotWellFormed = 5,    // a part is no well-formed XML
  TooLarge = 6,         // a part expands past the bound or the ratio (a zip bomb)
  ExternalEntity = 7,   // the XML has a DTD or names an external entity
  EntityExpansion = 8,  // the XML declares entities to expand (billion laughs)
  OutOfTime = 9,        // the conversion ran past its time (the output holds the pages done)
  OutOfMemory = 10,     // the conversion ran past its memory
};

// The report's notice for a document whose conversion ended with exit status
// status (not 0): "转换失败 " + path + "（reason）", CP936. A status that is no
// ConverterExit (a crash) gets its number.
std::string ConversionFailedNotice(int status, const std::string& path);
// The same reason in English, for glyphwell-scan's standard error.
std::string ConversionProblem(int status);

}  // namespace platform
