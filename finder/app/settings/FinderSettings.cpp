#include "finder/app/settings/FinderSettings.h"

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
  const auto* choice = ChoiceByText(kEncodingChoices, encoding, &Choice<platform::EncodingChoice>::ini);
  Encoding = choice ? choice->value : kEncodingChoices[0].value;
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
  if (Encoding == kEncodingChoices[0].value && !encodingStored_) return result;
  encodingStored_ = true;
  return ini_.WriteValue(kSection, "Encoding", ChoiceOf(kEncodingChoices, Encoding).ini);
}
