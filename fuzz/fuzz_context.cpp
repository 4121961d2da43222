// The lexers over any bytes: every position gets exactly one of the labels
// of where it stands, whichever lexer reads it; and the escapes found in a
// line lie inside it. The first input byte picks the file's kind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finder/context/Escapes.h"
#include "finder/context/SourceContext.h"

namespace {

constexpr const char* kPaths[] = {"a.c", "a.cpp", "a.cs", "a.java", "a.kt", "a.scala", "a.go", "a.rs", "a.swift",
                                  "a.dart", "a.js", "a.ts", "a.tsx", "a.py", "a.sh", "a.rb", "a.toml", "a.sql",
                                  "a.lua", "a.css", "a.scss", "a.json", "a.html", "a.xml", "a.svg", "a.vue",
                                  "a.svelte", "a.php", "a.md", "a.po", "a.properties", "a.yaml", "a.txt"};

constexpr context::Labels kWhere = context::Bit(context::Label::Comment) | context::Bit(context::Label::String) |
                                   context::Bit(context::Label::Text) | context::Bit(context::Label::Attribute) |
                                   context::Bit(context::Label::Code);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const context::Classifier classifier;
  const char* path = kPaths[data[0] % (sizeof kPaths / sizeof kPaths[0])];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  // A position at every fifth column of every line, and some past the end.
  std::vector<context::Position> places;
  std::int64_t line = 1, column = 1;
  for (char c : text) {
    if (column % 5 == 1) places.push_back({line, column});
    if (c == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  places.push_back({line + 3, 1});
  std::vector<context::Labels> labels;
  classifier.Classify(path, text, places, labels);
  if (labels.size() != places.size()) __builtin_trap();
  for (context::Labels label : labels) {
    const context::Labels where = label & kWhere;
    if (where == 0 || (where & (where - 1)) != 0) __builtin_trap();
  }

  std::vector<context::EscapedRun> runs;
  context::FindEscapes(text, [](char32_t c) { return c >= 0x3000 && c <= 0x9FFF; }, runs);
  for (const context::EscapedRun& run : runs)
    if (run.column < 1 || run.span <= 0 || run.text.empty() || run.column + run.span - 1 > static_cast<std::int64_t>(text.size()))
      __builtin_trap();
  return 0;
}
