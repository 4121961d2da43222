// The extraction as plainly described, byte after byte: the oracle that the
// block-skipping implementation is checked against in tests and fuzzing.
#pragma once

#include <string>
#include <string_view>

#include "finder/engine/HanziExtraction.h"

inline std::string ReferenceExtract(std::string_view line, bool unicode) {
  std::string result, run, text;
  auto flush = [&] {
    if (!result.empty()) result += "  ";
    result += run;
    run.clear();
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(line[i]);
    if (b >= 0x80)
      run += static_cast<char>(b);
    else if (!run.empty())
      flush();
    if (unicode && b == '#' && i >= 1 && line[i - 1] == '&' && i + 5 <= line.size() - 1 &&
        ConvertEntity(line.substr(i + 1, 5), text)) {
      result += text;
      i += 5;
    }
  }
  if (!run.empty()) flush();
  return result;
}
