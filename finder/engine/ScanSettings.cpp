#include "finder/engine/ScanSettings.h"

#include <cstring>

#include "platform/LineReader.h"

bool LineContains(std::string_view line, std::string_view tag) {
  if (tag.empty() || tag.size() > line.size()) return false;
  return memmem(line.data(), line.size(), tag.data(), tag.size()) != nullptr;
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
