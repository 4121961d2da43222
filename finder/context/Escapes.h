// Chinese written as escapes: \u4E2D and surrogate pairs, \u{4E2D},
// \U00004E2D, \x{4E2D}, UTF-8 bytes as \xE4\xB8\xAD or %E4%B8%AD, HTML
// references &#20013; and &#x4E2D; of any length, CSS \4E2D.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace context {

struct EscapedRun {
  std::int64_t column = 0;  // 1-based, code points: where the first escape starts
  std::int64_t span = 0;    // code points the escapes take in the line
  std::string text;         // what they stand for, UTF-8
};

// The runs of adjacent escapes in a UTF-8 line that stand for characters
// counts accepts; an escape that stands for any other character (or none)
// ends a run. An escaped backslash ("\\u4E2D") starts no escape.
void FindEscapes(std::string_view line, const std::function<bool(char32_t)>& counts, std::vector<EscapedRun>& runs);

}  // namespace context
