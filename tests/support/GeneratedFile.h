// A source file of random lines, about a third of them holding one or two runs
// of random GBK characters, and what the finder must find in it.
#pragma once

#include <random>
#include <string>
#include <utility>
#include <vector>

struct GeneratedFile {
  std::string relative, content;
  std::vector<std::string> lines;  // each line's text, without its end
  // Per line with characters: its number and the rest of its report line
  // (the blanks after the number, then the runs joined by two blanks).
  std::vector<std::pair<std::string, std::string>> rows;
  std::string firstChars;
  int count = 0;  // bytes of characters found

  // The hit lines as the report holds them, each ended by CR LF.
  std::string ReportLines() const;
};

// end: every line's end, or nullptr for CR LF and LF by turns; the last line
// has none. loneCr: some runs are set off by a lone CR instead of a blank.
GeneratedFile GenerateFile(std::mt19937& random, const std::string& relative, int lines, const char* end = nullptr,
                           bool loneCr = false);
