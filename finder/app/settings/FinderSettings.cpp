#include "finder/app/settings/FinderSettings.h"

#include "platform/CodePage.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "platform/ReportFormat.h"

namespace {

const char kSection[] = "common";

// An enumerated key, read with the others: a missing or unknown text is the
// default. True when the file holds the key.
template <class Value, std::size_t N>
bool ReadChoice(IniFile& ini, const char* key, const Choice<Value> (&table)[N], Value& value) {
  std::string text = "\n";  // no stored text holds a line end
  ini.ReadValue(kSection, key, text);
  const Choice<Value>* choice = ChoiceByText(table, text, &Choice<Value>::ini);
  value = choice ? choice->value : table[0].value;
  return text != "\n";
}

// Written only once the user chose other than the default (or the file holds
// it already), so that a user who never chose keeps a file of the ten keys.
template <class Value, std::size_t N>
void WriteChoice(IniFile& ini, const char* key, const Choice<Value> (&table)[N], Value value, bool& stored,
                 int& result) {
  if (value == table[0].value && !stored) return;
  stored = true;
  result = ini.WriteValue(kSection, key, ChoiceOf(table, value).ini);
}

}  // namespace

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
  encodingStored_ = ReadChoice(ini_, "Encoding", kEncodingChoices, Encoding);
  charsStored_ = ReadChoice(ini_, "Chars", kCharsChoices, Chars);
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
  int result = ini_.WriteValue(kSection, "strStartTag", strStartTag);
  WriteChoice(ini_, "Encoding", kEncodingChoices, Encoding, encodingStored_, result);
  WriteChoice(ini_, "Chars", kCharsChoices, Chars, charsStored_, result);
  return result;
}
