#include "finder/engine/ScanSettings.h"

#include "platform/LineReader.h"

bool LineContains(std::string_view line, std::string_view tag) {
  return !tag.empty() && line.find(tag) != std::string_view::npos;
}

bool ScanSettings::ContainsStartTag(std::string_view path, std::string_view tag) const {
  if (tag.empty()) return false;
  platform::LineReader reader;
  if (!reader.Open(path)) return false;
  std::string_view line;
  while (reader.ReadLine(line)) {
    if (IsCancelled()) return false;
    if (LineContains(line, tag)) return true;
  }
  return false;
}
