#include "tests/support/GeneratedFile.h"

std::string GeneratedFile::ReportLines() const {
  std::string text;
  for (const auto& [number, rest] : rows) text += number + rest + "\r\n";
  return text;
}

GeneratedFile GenerateFile(std::mt19937& random, const std::string& relative, int lines, const char* end, bool loneCr) {
  GeneratedFile file;
  file.relative = relative;
  for (int n = 1; n <= lines; ++n) {
    std::string chars, line = "<p>line " + std::to_string(n);
    for (int run = random() % 3 ? 0 : 1 + random() % 2; run > 0; --run) {
      std::string piece;
      for (int c = 1 + random() % 3; c > 0; --c)
        piece += {static_cast<char>(0xB0 + random() % 0x40), static_cast<char>(0xA1 + random() % 0x5E)};
      line += (loneCr && random() % 2 ? "\r" : " ") + piece + " ok";
      chars += (chars.empty() ? "" : "  ") + piece;
    }
    file.lines.push_back(line);
    file.content += line + (n == lines ? "" : end ? end : n % 2 ? "\r\n" : "\n");
    if (chars.empty()) continue;
    const std::string number = std::to_string(n);
    file.rows.emplace_back(number, std::string(number.size() < 3 ? 4 - number.size() : 1, ' ') + chars);
    if (file.firstChars.empty()) file.firstChars = chars;
    file.count += static_cast<int>(chars.size());
  }
  return file;
}
