#include "finder/app/settings/FinderSettings.h"

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "platform/ReportFormat.h"

namespace {
const char kSection[] = "common";
}

// A Windows drive cannot exist here: a first start searches the user's home.
FinderFields::FinderFields()
    : Path(platform::Utf8ToAnsiOrRaw(platform::HomeFolder())),
      FileType(kDefaultPatterns),
      strLogFile(platform::kDefaultReportPath) {}

bool ParseEncoding(std::string_view text, std::string& encoding) {
  for (const char* known : {FinderFields::kEncodingGbk, FinderFields::kEncodingUtf8, FinderFields::kEncodingAuto}) {
    if (platform::CompareIgnoringAsciiCase(text, known) == 0) {
      encoding = known;
      return true;
    }
  }
  return false;
}

FinderSettings::FinderSettings() = default;

FinderSettings::~FinderSettings() = default;

void FinderSettings::Load() { Load(WritableFilePath("Glyphwell.ini", UserFileKind::Settings)); }

void FinderSettings::Load(const std::string& iniPath) {
  ini_.SetPath(iniPath);
  ini_.ReadNumber(kSection, "FileOrPath", FileOrPath);
  ini_.ReadNumber(kSection, "IncludeSubPath", IncludeSubPath);
  ini_.ReadNumber(kSection, "SearchUnicode", SearchUnicode);
  ini_.ReadNumber(kSection, "LimitHanZiCountEachFile", LimitHanZiCountEachFile);
  ini_.ReadNumber(kSection, "MaxHanZiCountEachFile", MaxHanZiCountEachFile);
  ini_.ReadValue(kSection, "FileName", FileName);
  ini_.ReadValue(kSection, "Path", Path);
  ini_.ReadValue(kSection, "FileType", FileType);
  ini_.ReadValue(kSection, "strLogFile", strLogFile);
  ini_.ReadValue(kSection, "strStartTag", strStartTag);
  // Read with the other keys; a missing or unknown text is GBK.
  std::string encoding = "\n";  // no stored text holds a line end
  ini_.ReadValue(kSection, "Encoding", encoding);
  encodingStored_ = encoding != "\n";
  if (!ParseEncoding(encoding, Encoding)) Encoding = kEncodingGbk;
}

int FinderSettings::Save() {
  // Every key on every save; a failed write does not stop the others.
  ini_.WriteNumber(kSection, "FileOrPath", FileOrPath);
  ini_.WriteNumber(kSection, "IncludeSubPath", IncludeSubPath);
  ini_.WriteNumber(kSection, "SearchUnicode", SearchUnicode);
  ini_.WriteNumber(kSection, "LimitHanZiCountEachFile", LimitHanZiCountEachFile);
  ini_.WriteNumber(kSection, "MaxHanZiCountEachFile", MaxHanZiCountEachFile);
  ini_.WriteValue(kSection, "FileName", FileName);
  ini_.WriteValue(kSection, "Path", Path);
  ini_.WriteValue(kSection, "FileType", FileType);
  ini_.WriteValue(kSection, "strLogFile", strLogFile);
  const int result = ini_.WriteValue(kSection, "strStartTag", strStartTag);
  // A user who never chose an encoding keeps a file of the ten keys alone.
  if (Encoding == kEncodingGbk && !encodingStored_) return result;
  encodingStored_ = true;
  return ini_.WriteValue(kSection, "Encoding", Encoding);
}
