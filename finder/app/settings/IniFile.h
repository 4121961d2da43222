// The finder's INI-file class: one file, typed reads and writes of values.
#pragma once

#include <string>

class IniFile {
 public:
  virtual ~IniFile();

  void SetPath(const std::string& path);
  const std::string& GetPath() const { return path_; }

  // value is in-out: its content is the default, the stored text (at most
  // 299 bytes, through a buffer of 300) or the default replaces it.
  void ReadValue(const std::string& section, const std::string& key, std::string& value);
  // value is in-out likewise; the stored text is read as a decimal integer.
  // Returns the value read.
  int ReadNumber(const std::string& section, const std::string& key, int& value);
  // 0 on success, -1 on failure.
  int WriteValue(const std::string& section, const std::string& key, const std::string& text);
  int WriteNumber(const std::string& section, const std::string& key, int number);

 private:
  std::string path_;
};
