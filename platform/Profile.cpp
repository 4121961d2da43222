#include "platform/Profile.h"

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace platform {
namespace {

// A name or value ends at a NUL, as it would in the Windows functions' strings.
std::string_view CutAtNul(std::string_view text) { return text.substr(0, text.find('\0')); }

enum class LineKind { Other, Header, Entry };

struct IniLine {
  std::string_view raw;  // without its line end
  LineKind kind = LineKind::Other;
  std::string_view name;  // section name of a header, key of an entry
  std::string_view value;
  bool hasValue = false;  // the entry has an "="
};

IniLine Classify(std::string_view raw) {
  IniLine line;
  line.raw = raw;
  const std::string_view text = TrimSpacesAndTabs(raw);
  if (text.empty() || text.front() == ';') return line;
  if (text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Header;
      line.name = CutAtNul(TrimSpacesAndTabs(text.substr(1, close - 1)));
      return line;
    }
  }
  line.kind = LineKind::Entry;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    line.name = CutAtNul(text);
  } else {
    line.name = CutAtNul(TrimSpacesAndTabs(text.substr(0, equals)));
    line.value = CutAtNul(TrimSpacesAndTabs(text.substr(equals + 1)));
    line.hasValue = true;
  }
  return line;
}

// LF ends a line and a CR before it belongs to the line end; a final line end
// makes no extra empty line.
std::vector<IniLine> ParseLines(std::string_view content) {
  std::vector<IniLine> lines;
  while (!content.empty()) {
    const std::size_t lf = content.find('\n');
    std::string_view raw = content.substr(0, lf);
    if (lf != std::string_view::npos && !raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    lines.push_back(Classify(raw));
    if (lf == std::string_view::npos) break;
    content.remove_prefix(lf + 1);
  }
  return lines;
}

struct SectionRange {
  std::size_t header = std::string_view::npos;  // npos: no such section
  std::size_t end = 0;                          // one past its last line
};

SectionRange FindSection(const std::vector<IniLine>& lines, std::string_view section) {
  SectionRange range;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != LineKind::Header) continue;
    if (range.header != std::string_view::npos) {
      range.end = i;
      return range;
    }
    if (AnsiEqualsIgnoreCase(lines[i].name, section)) range.header = i;
  }
  range.end = lines.size();
  return range;
}

// The first entry of the key in the section (duplicates after it are ignored).
std::size_t FindKey(const std::vector<IniLine>& lines, const SectionRange& range, std::string_view key) {
  if (range.header == std::string_view::npos) return std::string_view::npos;
  for (std::size_t i = range.header + 1; i < range.end; ++i)
    if (lines[i].kind == LineKind::Entry && AnsiEqualsIgnoreCase(lines[i].name, key)) return i;
  return std::string_view::npos;
}

// What the Windows functions copy into a buffer of bufferSize bytes.
std::string CutToBuffer(std::string_view text, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  return std::string(text.substr(0, bufferSize - 1));
}

std::string CutListToBuffer(std::string list, std::size_t bufferSize) {
  if (bufferSize < 2 || list.empty()) return {};
  if (list.size() + 1 <= bufferSize) return list + '\0';
  list.resize(bufferSize - 2);
  if (list.empty() || list.back() != '\0') list += '\0';
  return list + '\0';
}

// 0, or the errno value of the failed read.
int LoadLines(std::string_view iniPath, std::string& content, std::vector<IniLine>& lines) {
  const int error = ReadWholeFile(iniPath, content);
  lines = ParseLines(content);
  return error;
}

bool SaveLines(std::string_view iniPath, const std::vector<IniLine>& lines) {
  std::string out;
  for (const IniLine& line : lines) {
    out += line.raw;
    out += "\r\n";
  }
  return ReplaceFileContent(iniPath, out);
}

// A line end in a name or value would break the file into other lines (a
// Linux file name may hold one), and "]" or "=" would end a name early: such
// writes are refused rather than written as something else.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  constexpr auto npos = std::string_view::npos;
  return section.find_first_of("\r\n]") == npos && key.find_first_of("\r\n=") == npos &&
         value.find_first_of("\r\n") == npos;
}

}  // namespace

std::string ReadIniValue(std::string_view iniPath, std::string_view section, std::string_view key,
                         std::string_view defaultValue, std::size_t bufferSize) {
  std::string content;
  std::vector<IniLine> lines;
  std::string_view value = defaultValue;
  while (!value.empty() && IsSpaceOrTab(value.back())) value.remove_suffix(1);  // as the Windows function does
  if (LoadLines(iniPath, content, lines) == 0) {
    const std::size_t at = FindKey(lines, FindSection(lines, section), key);
    if (at != std::string_view::npos && lines[at].hasValue) {
      value = lines[at].value;
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    }
  }
  return CutToBuffer(value, bufferSize);
}

int ReadIniInteger(std::string_view iniPath, std::string_view section, std::string_view key, int defaultValue) {
  const std::string text = ReadIniValue(iniPath, section, key, "", std::string::npos);
  if (text.empty()) return defaultValue;
  std::size_t i = 0;
  while (i < text.size() && IsSpaceOrTab(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
  }
  const long long value = negative ? -magnitude : magnitude;
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string ListIniSections(std::string_view iniPath, std::size_t bufferSize) {
  std::string content;
  std::vector<IniLine> lines;
  std::string list;
  if (LoadLines(iniPath, content, lines) == 0) {
    for (const IniLine& line : lines) {
      if (line.kind != LineKind::Header || line.name.empty()) continue;
      list += line.name;
      list += '\0';
    }
  }
  return CutListToBuffer(std::move(list), bufferSize);
}

std::string ListIniSection(std::string_view iniPath, std::string_view section, std::size_t bufferSize) {
  std::string content;
  std::vector<IniLine> lines;
  std::string list;
  if (LoadLines(iniPath, content, lines) == 0) {
    const SectionRange range = FindSection(lines, section);
    if (range.header != std::string_view::npos) {
      for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (lines[i].kind != LineKind::Entry || lines[i].name.empty()) continue;
        list += lines[i].name;
        if (lines[i].hasValue) {
          list += '=';
          list += lines[i].value;
        }
        list += '\0';
      }
    }
  }
  return CutListToBuffer(std::move(list), bufferSize);
}

bool WriteIniValue(std::string_view iniPath, std::string_view section, std::string_view key, std::string_view value) {
  if (!Writable(section, key, value)) return false;
  std::string content;
  std::vector<IniLine> lines;
  const int error = LoadLines(iniPath, content, lines);
  if (error != 0 && error != ENOENT) return false;  // what it holds could not be kept

  const std::string entry = std::string(key) + "=" + std::string(value);
  const SectionRange range = FindSection(lines, section);
  std::string header = "[";  // built in steps: GCC 12 at -O3 misreads "[" + text as overlapping copies
  header.append(section).push_back(']');
  std::string replaced;
  if (range.header == std::string_view::npos) {
    lines.push_back(Classify(header));
    lines.push_back(Classify(entry));
  } else if (const std::size_t at = FindKey(lines, range, key); at != std::string_view::npos) {
    replaced = std::string(lines[at].name) + "=" + std::string(value);  // the key keeps its spelling
    lines[at] = Classify(replaced);
  } else {
    // After the section's last non-empty line, so that blank lines before
    // the next section stay where they are.
    std::size_t insertAt = range.header + 1;
    for (std::size_t i = range.header + 1; i < range.end; ++i)
      if (!TrimSpacesAndTabs(lines[i].raw).empty()) insertAt = i + 1;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Classify(entry));
  }
  return SaveLines(iniPath, lines);
}

bool DeleteIniKey(std::string_view iniPath, std::string_view section, std::string_view key) {
  std::string content;
  std::vector<IniLine> lines;
  if (const int error = LoadLines(iniPath, content, lines); error != 0) return error == ENOENT;
  const std::size_t at = FindKey(lines, FindSection(lines, section), key);
  if (at == std::string_view::npos) return true;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
  return SaveLines(iniPath, lines);
}

bool DeleteIniSection(std::string_view iniPath, std::string_view section) {
  std::string content;
  std::vector<IniLine> lines;
  if (const int error = LoadLines(iniPath, content, lines); error != 0) return error == ENOENT;
  const SectionRange range = FindSection(lines, section);
  if (range.header == std::string_view::npos) return true;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range.header),
              lines.begin() + static_cast<std::ptrdiff_t>(range.end));
  return SaveLines(iniPath, lines);
}

}  // namespace platform
