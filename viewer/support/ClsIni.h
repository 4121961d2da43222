// The viewer's INI-file class: one file's path, typed reads and writes over
// the INI functions, listings of sections and entries, and two readers that
// go through the file text themselves. Nothing is cached; every operation
// goes to the file. Failures named below raise RunTimeError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ClsIni {
 public:
  void IniFileName(const std::string& strIniFileName) { m_IniFileName = strIniFileName; }
  const std::string& IniFileName() const { return m_IniFileName; }

  // Sets the path to folder and file name joined; creates no file.
  void CreateIni(const std::string& strDrive, const std::string& strFileName);

  void WriteString(const std::string& strSection, const std::string& strKey, const std::string& strValue);
  // Stores a blank before a non-negative number, a minus sign before a
  // negative one.
  void WriteNum(const std::string& SectionName, const std::string& KeyWord, std::int32_t ValInt);
  // A missing or empty value writes strDefault into the file and returns it;
  // the result has no outer blanks.
  std::string ReadString(const std::string& SectionName, const std::string& KeyWord, const std::string& strDefault);
  // DefValue when the key is missing; Overflow beyond the 16-bit range.
  std::int16_t ReadNum(const std::string& SectionName, const std::string& KeyWord, std::int32_t DefValue);
  void DelKey(const std::string& SectionName, const std::string& KeyWord);
  void DelSection(const std::string& SectionName);

  // Section names in file order; Overflow when the list runs past 32,767
  // characters.
  std::int32_t GetSectionNames(std::vector<std::string>& aStrSections);
  // The section's entries as whole "key=value" texts; Overflow likewise.
  std::int32_t GetKeys(const std::string& strSection, std::vector<std::string>& aStrKeys);
  // The section's lines as written (no outer blanks; empty and ";" lines
  // skipped), read from the file text; FileNotFound for a missing file.
  std::int32_t GetKeys2(const std::string& strSection, std::vector<std::string>& aStrKeys);
  // A value that may span lines: from the key's line to the next section
  // header, lines joined by CR LF; strDefault when the key is not there;
  // FileNotFound for a missing file.
  std::string ReadText(const std::string& SectionName, const std::string& KeyWord, const std::string& strDefault);

 private:
  static std::string JoinPath(const std::string& folder, const std::string& fileName);

  std::string m_IniFileName;
};
