// The finder's remembered choices, kept in section "common" of
// "Glyphwell.ini" beside the executable. The dialog copies them into its
// fields after Load and back before Save; a search never reads them here.
#pragma once

#include <string>

#include "finder/app/settings/IniFile.h"

class FinderSettings {
 public:
  FinderSettings();
  virtual ~FinderSettings();

  // Reads every key from "Glyphwell.ini" where WritableFilePath puts it; a missing
  // file or key keeps the current value.
  void Load();
  // The same for an INI file elsewhere.
  void Load(const std::string& iniPath);
  // Writes all ten keys; the result is that of the last write.
  int Save();

  int FileOrPath;  // 0: one file (FileName), 1: one directory (Path)
  std::string FileName;
  std::string Path;
  int SearchUnicode;
  int IncludeSubPath;
  std::string FileType;
  std::string strLogFile;
  std::string strStartTag;
  int LimitHanZiCountEachFile;
  int MaxHanZiCountEachFile;

 private:
  IniFile ini_;
};
