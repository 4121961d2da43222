// The marker that keeps a line out of the findings: a line that must hold
// Chinese (a language menu, a test of the scanner) says glyphwell-ignore.
#pragma once

#include <string_view>

constexpr std::string_view kIgnoreMarker = "glyphwell-ignore";

// The marker's bytes are ASCII, which GBK and UTF-8 write alike, so one test
// serves lines of both; a UTF-16 line is tested once converted.
inline bool LineHasIgnoreMarker(std::string_view line) { return line.find(kIgnoreMarker) != std::string_view::npos; }
