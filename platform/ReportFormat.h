// The result report's fixed texts, written by the finder and read by the
// viewer: one place, so the two programs cannot drift apart.
#pragma once

#include <string_view>

namespace platform {

// Before the path of each file with hits: "Input file:" and the path, no blank.
inline constexpr std::string_view kReportHeader = "Input file:";
// Where a search writes the report unless told otherwise, and where the
// viewer always reads it.
inline constexpr char kDefaultReportPath[] = "c:\\GlyphwellResult.txt";
// The anchor page puts <a name="mao_LineN"> before reported line N.
inline constexpr std::string_view kAnchorPrefix = "mao_Line";

}  // namespace platform
