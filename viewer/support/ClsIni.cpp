#include "viewer/support/ClsIni.h"

#include <algorithm>
#include <string_view>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/support/TextFunctions.h"

namespace {

// The size the class has always passed for its read buffer (0xFFF6).
constexpr std::size_t kBufferSize = 65526;
// List positions are 16-bit counters.
constexpr std::size_t kMaxListPosition = 32767;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Splits the NUL-separated list the INI functions fill a buffer with; the
// rest of the buffer counts as NULs.
std::int32_t SplitNulList(const std::string& buffer, std::vector<std::string>& items) {
  std::vector<std::string> result;
  std::size_t position = 0;  // 1-based position of the NUL that ended the last piece
  for (;;) {
    const std::size_t start = position + 1;
    std::size_t nul = buffer.find('\0', start - 1);
    if (nul == std::string::npos) nul = std::max(buffer.size(), start - 1);
    const std::size_t end = nul + 1;
    if (end > kMaxListPosition) throw RunTimeError(RunTimeErrorCode::Overflow, "Overflow");
    if (end == start) break;  // the empty piece: the NUL that ends the list
    result.emplace_back(buffer, start - 1, end - start);
    position = end;
  }
  items = std::move(result);
  return static_cast<std::int32_t>(items.size());
}

// The file's lines; CR LF, CR and LF all end a line.
std::vector<std::string_view> ReadLines(const std::string& iniPath, std::string& content) {
  if (const int error = platform::ReadWholeFile(iniPath, content); error != 0) RaiseOpenError(error, iniPath);
  std::vector<std::string_view> lines;
  std::string_view rest = content;
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("\r\n");
    lines.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
  }
  return lines;
}

bool IsHeader(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

}  // namespace

std::string ClsIni::JoinPath(const std::string& folder, const std::string& fileName) {
  // A separator byte can be the second byte of a double-byte character, so
  // the folder's trailing separators are found character by character.
  std::size_t keep = 0;
  for (std::size_t i = 0; i < folder.size();) {
    const std::size_t length = platform::GbkCharLength(folder, i);
    if (length == 2 || !IsSeparator(folder[i])) keep = i + length;
    i += length;
  }
  std::size_t skip = 0;
  while (skip < fileName.size() && IsSeparator(fileName[skip])) ++skip;
  return folder.substr(0, keep) + "/" + fileName.substr(skip);
}

void ClsIni::CreateIni(const std::string& strDrive, const std::string& strFileName) {
  m_IniFileName = JoinPath(strDrive, strFileName);
}

void ClsIni::WriteString(const std::string& strSection, const std::string& strKey, const std::string& strValue) {
  platform::WriteIniValue(m_IniFileName, strSection, strKey, strValue);
}

void ClsIni::WriteNum(const std::string& SectionName, const std::string& KeyWord, std::int32_t ValInt) {
  const std::string digits = std::to_string(ValInt);
  WriteString(SectionName, KeyWord, ValInt < 0 ? digits : " " + digits);
}

std::string ClsIni::ReadString(const std::string& SectionName, const std::string& KeyWord,
                               const std::string& strDefault) {
  std::string value = platform::ReadIniValue(m_IniFileName, SectionName, KeyWord, "", kBufferSize);
  if (value.empty()) {
    WriteString(SectionName, KeyWord, strDefault);
    value = strDefault;
  }
  return std::string(platform::TrimSpaces(value));
}

std::int16_t ClsIni::ReadNum(const std::string& SectionName, const std::string& KeyWord, std::int32_t DefValue) {
  const int value = platform::ReadIniInteger(m_IniFileName, SectionName, KeyWord, DefValue);
  if (value < INT16_MIN || value > INT16_MAX) throw RunTimeError(RunTimeErrorCode::Overflow, "Overflow");
  return static_cast<std::int16_t>(value);
}

void ClsIni::DelKey(const std::string& SectionName, const std::string& KeyWord) {
  platform::DeleteIniKey(m_IniFileName, SectionName, KeyWord);
}

void ClsIni::DelSection(const std::string& SectionName) { platform::DeleteIniSection(m_IniFileName, SectionName); }

std::int32_t ClsIni::GetSectionNames(std::vector<std::string>& aStrSections) {
  return SplitNulList(platform::ListIniSections(m_IniFileName, kBufferSize), aStrSections);
}

std::int32_t ClsIni::GetKeys(const std::string& strSection, std::vector<std::string>& aStrKeys) {
  return SplitNulList(platform::ListIniSection(m_IniFileName, strSection, kBufferSize), aStrKeys);
}

std::int32_t ClsIni::GetKeys2(const std::string& strSection, std::vector<std::string>& aStrKeys) {
  std::string content;
  const std::vector<std::string_view> lines = ReadLines(m_IniFileName, content);
  const std::string header = "[" + strSection + "]";
  std::vector<std::string> result;
  bool inSection = false;
  for (std::string_view raw : lines) {
    std::string withoutNul(raw);
    std::erase(withoutNul, '\0');
    const std::string_view line = platform::TrimSpaces(withoutNul);
    if (platform::AnsiEqualsIgnoreCase(line, header)) {
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    if (IsHeader(line)) break;
    if (!line.empty() && line.front() != ';') result.emplace_back(line);
  }
  aStrKeys = std::move(result);
  return static_cast<std::int32_t>(aStrKeys.size());
}

std::string ClsIni::ReadText(const std::string& SectionName, const std::string& KeyWord,
                             const std::string& strDefault) {
  std::string content;
  const std::vector<std::string_view> lines = ReadLines(m_IniFileName, content);
  const std::string header = "[" + SectionName + "]";
  const std::string keyPrefix = KeyWord + "=";
  bool inSection = false;
  bool found = false;
  std::string value;
  for (std::string_view line : lines) {
    if (platform::AnsiEqualsIgnoreCase(line, header)) {
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    if (IsHeader(line)) break;
    if (platform::AnsiEqualsIgnoreCase(line.substr(0, keyPrefix.size()), keyPrefix)) {
      if (found) continue;  // a later line of the same key
      found = true;
      value.assign(line.substr(line.find('=') + 1));
    } else if (found) {
      value += "\r\n";
      value += line;
    }
  }
  if (!found) return strDefault;
  return std::string(platform::TrimSpaces(value));
}
