// Turns one line of a scanned file into the text the report shows for it: the
// runs of bytes 0x80..0xFF joined by two blanks, and, with the Unicode option,
// five-digit numeric character references converted to CP936.
#pragma once

#include <string>
#include <string_view>

// Replaces result with the line's extracted text. result is an out-parameter
// so that the caller's buffer is reused from line to line.
void ExtractHanzi(std::string_view line, int searchUnicode, std::string& result);

// Appends a collected run to result, after the two-blank separator when result
// already holds something.
void FlushRun(std::string_view run, std::string& result);

// Converts the five bytes after "&#" when they are decimal digits of a number
// below 65,536; text receives the CP936 bytes (empty for 0).
bool ConvertEntity(std::string_view fiveBytes, std::string& text);
