// The readers of zip containers of XML parts (Office Open XML and
// OpenDocument) on hostile bytes: each reader takes every input, within small
// bounds, and whatever it reads must come out as whole lines, each with its
// locator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textifier/DocumentReader.h"

using textifier::ConverterExit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  textifier::ReadBounds bounds;
  bounds.partBytes = 8 << 20;
  bounds.documentBytes = 16 << 20;
  bounds.ratioFrom = 1 << 20;
  bounds.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (const textifier::DocumentReader reader : {textifier::ReadWordprocessingXml, textifier::ReadSpreadsheetXml,
                                                 textifier::ReadPresentationXml, textifier::ReadOpenDocument}) {
    textifier::SystemTextLines lines;
    std::string problem;
    const ConverterExit status = reader(bytes, bounds, lines, problem);
    if ((status == ConverterExit::Converted) != problem.empty()) __builtin_trap();
    std::size_t textLines = 0, locatorLines = 0;
    for (char c : lines.Text()) textLines += c == '\n';
    for (char c : lines.Locators()) locatorLines += c == '\n';
    if (textLines != lines.LineCount() || locatorLines != lines.LineCount()) __builtin_trap();
  }
  return 0;
}
