// The finder's choices: the ten values a search is made from, with their
// defaults, and the settings that remember them between runs in section
// "common" of "Glyphwell.ini".
#pragma once

#include <string>
#include <string_view>

#include "finder/app/settings/Choices.h"
#include "finder/app/settings/IniFile.h"

// What the dialog's controls hold after ReadControls, what the settings keep,
// and what glyphwell-scan's options set. Each default is written here only.
struct FinderFields {
  FinderFields();

  int FileOrPath = 1;  // 0: one file (FileName), any other value: one directory (Path)
  std::string FileName;  // empty at a first start
  std::string Path;      // the user's home folder at a first start
  int SearchUnicode = 1;
  int IncludeSubPath = 1;
  std::string FileType;
  std::string strLogFile;
  std::string strStartTag;
  int LimitHanZiCountEachFile = 1;
  int MaxHanZiCountEachFile = 30;
  // How files are read (kEncodingChoices).
  platform::EncodingChoice Encoding = platform::EncodingChoice::Gbk;
  // Which characters count (kCharsChoices).
  platform::CharacterSet Chars = platform::CharacterSet::Gbk;
};

// The patterns of a first start, for glyphwell-scan's help too.
inline constexpr char kDefaultPatterns[] = "*.txt;*.htm;*.html";

class FinderSettings : public FinderFields {
 public:
  FinderSettings();
  virtual ~FinderSettings();

  // Reads every key from "Glyphwell.ini" where WritableFilePath puts it; a missing
  // file or key keeps the current value.
  void Load();
  // The same for an INI file elsewhere.
  void Load(const std::string& iniPath);
  // Writes all keys; the result is that of the last write.
  int Save();

 private:
  IniFile ini_;
  bool encodingStored_ = false;  // the file holds the key "Encoding"
  bool charsStored_ = false;     // the file holds the key "Chars"
};
