#include "finder/app/settings/IniFile.h"

#include "platform/Profile.h"

namespace {
constexpr std::size_t kReadBufferSize = 300;
}

IniFile::~IniFile() = default;

void IniFile::SetPath(const std::string& path) { path_ = path; }

void IniFile::ReadValue(const std::string& section, const std::string& key, std::string& value) {
  value = platform::ReadIniValue(path_, section, key, value, kReadBufferSize);
}

int IniFile::ReadNumber(const std::string& section, const std::string& key, int& value) {
  value = platform::ReadIniInteger(path_, section, key, value);
  return value;
}

int IniFile::WriteValue(const std::string& section, const std::string& key, const std::string& text) {
  return platform::WriteIniValue(path_, section, key, text) ? 0 : -1;
}

int IniFile::WriteNumber(const std::string& section, const std::string& key, int number) {
  return WriteValue(section, key, std::to_string(number));
}
