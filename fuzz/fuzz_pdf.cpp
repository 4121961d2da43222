// The PDF reader on hostile bytes, through poppler: whatever it reads must
// come out as whole lines, each with its page.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textifier/DocumentReader.h"

using textifier::ConverterExit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  textifier::ReadBounds bounds;
  bounds.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  textifier::SystemTextLines lines;
  std::string problem;
  const ConverterExit status = textifier::ReadPdf(bytes, bounds, lines, problem);
  if ((status == ConverterExit::Converted) != problem.empty()) __builtin_trap();
  std::size_t textLines = 0, locatorLines = 0;
  for (char c : lines.Text()) textLines += c == '\n';
  for (char c : lines.Locators()) locatorLines += c == '\n';
  if (textLines != lines.LineCount() || locatorLines != lines.LineCount()) __builtin_trap();
  for (std::size_t at = 0; at < lines.Locators().size(); at = lines.Locators().find('\n', at) + 1)
    if (lines.Locators().compare(at, 5, "page ") != 0) __builtin_trap();
  return 0;
}
