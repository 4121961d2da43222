#include "finder/app/logic/FinderController.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "finder/app/search/FinderTexts.h"
#include "platform/PathFunctions.h"

FinderPaths FinderPathsFor(std::string_view moduleDirectory) {
  FinderPaths paths;
  paths.iniPath = WritableFilePath(moduleDirectory, "Glyphwell.ini", UserFileKind::Settings);
  paths.workbookPath = WritableFilePath(moduleDirectory, "~report.xls", UserFileKind::Data);
  paths.manualPath = std::string(moduleDirectory) + "/" + Ansi(texts::kManualName);
  return paths;
}

FinderPaths DefaultFinderPaths() { return FinderPathsFor(GetModuleDirectory()); }

bool ParseIntegerField(std::string_view text, int& value) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  // Beyond 32 bits is refused rather than cut to the limit.
  errno = 0;
  const long long number = std::strtoll(std::string(text).c_str(), nullptr, 10);
  if (errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<int>(number);
  return true;
}

namespace {

// The drop-down's item for a field value, and back.
// A drop-down's item of a value, and the value of an item.
template <class Value, std::size_t N>
std::string ChoiceItem(const Choice<Value> (&table)[N], Value value) {
  return Ansi(ChoiceOf(table, value).label);
}

template <class Value, std::size_t N>
Value ChoiceValue(const Choice<Value> (&table)[N], const std::string& item) {
  for (const Choice<Value>& choice : table)
    if (item == Ansi(choice.label)) return choice.value;
  return table[0].value;
}

}  // namespace

FinderController::FinderController(FinderView& view, DesktopServices& services, NoticePoster& poster,
                                   FinderPaths paths)
    : view_(view),
      services_(services),
      paths_(std::move(paths)),
      job_(*this, services, poster, paths_.workbookPath) {
  fields_ = settings_;
}

void FinderController::OnInitDialog() {
  settings_.Load(paths_.iniPath);
  LoadControlsFromSettings();
  UpdateScopeControls();
  view_.SetControlText(kIdSearch, Ansi(texts::kSearch));
  view_.SetControlText(kIdAdvertisement, Ansi(texts::kAdvertisement));
}

bool FinderController::ReadControls() {
  fields_.FileOrPath = view_.IsChecked(kIdFileMode) ? 0 : 1;
  fields_.FileName = view_.ControlText(kIdFileName);
  fields_.Path = view_.ControlText(kIdPath);
  fields_.SearchUnicode = view_.IsChecked(kIdSearchUnicode) ? 1 : 0;
  fields_.IncludeSubPath = view_.IsChecked(kIdIncludeSubPath) ? 1 : 0;
  fields_.FileType = view_.ControlText(kIdFileType);
  fields_.strLogFile = view_.ControlText(kIdLogFile);
  fields_.LimitHanZiCountEachFile = view_.IsChecked(kIdLimit) ? 1 : 0;
  if (!ParseIntegerField(view_.ControlText(kIdMaxCount), fields_.MaxHanZiCountEachFile)) {
    services_.MessageBox(Ansi(texts::kEnterInteger), texts::kCaption, MessageButtons::Ok, MessageIcon::Warning);
    view_.FocusControl(kIdMaxCount);
    return false;
  }
  fields_.strStartTag = view_.ControlText(kIdStartTag);
  fields_.Encoding = ChoiceValue(kEncodingChoices, view_.ControlText(kIdEncoding));
  fields_.Chars = ChoiceValue(kCharsChoices, view_.ControlText(kIdChars));
  return true;
}

void FinderController::WriteMode() {
  view_.SetChecked(kIdFileMode, fields_.FileOrPath == 0);
  view_.SetChecked(kIdDirectoryMode, fields_.FileOrPath != 0);
}

void FinderController::WriteControls() {
  WriteMode();
  view_.SetControlText(kIdFileName, fields_.FileName);
  view_.SetControlText(kIdPath, fields_.Path);
  view_.SetChecked(kIdSearchUnicode, fields_.SearchUnicode != 0);
  view_.SetChecked(kIdIncludeSubPath, fields_.IncludeSubPath != 0);
  view_.SetControlText(kIdFileType, fields_.FileType);
  view_.SetControlText(kIdLogFile, fields_.strLogFile);
  view_.SetChecked(kIdLimit, fields_.LimitHanZiCountEachFile != 0);
  view_.SetControlText(kIdMaxCount, std::to_string(fields_.MaxHanZiCountEachFile));
  view_.SetControlText(kIdStartTag, fields_.strStartTag);
  view_.SetControlText(kIdEncoding, ChoiceItem(kEncodingChoices, fields_.Encoding));
  view_.SetControlText(kIdChars, ChoiceItem(kCharsChoices, fields_.Chars));
}

void FinderController::LoadControlsFromSettings() {
  fields_ = settings_;
  WriteControls();
}

void FinderController::SaveSettingsFromControls() {
  ReadControls();  // a refused limit keeps the number in force
  static_cast<FinderFields&>(settings_) = fields_;
  settings_.Save();
}

void FinderController::UpdateScopeControls() {
  const bool fileMode = fields_.FileOrPath == 0;
  view_.EnableControl(kIdFileName, fileMode);
  view_.EnableControl(kIdBrowseFile, fileMode);
  view_.EnableControl(kIdPath, !fileMode);
  view_.EnableControl(kIdBrowseFolder, !fileMode);
}

void FinderController::OnScopeChanged() {
  ReadControls();
  UpdateScopeControls();
}

// A choice changes the chosen path and the mode only: text typed into the
// other fields since they were last read stays as typed.
void FinderController::OnBrowseFile() {
  std::string path;
  if (!services_.ChooseFile(Ansi(texts::kFileFilter), path)) return;
  fields_.FileName = path;
  fields_.FileOrPath = 0;
  view_.SetControlText(kIdFileName, fields_.FileName);
  WriteMode();
  UpdateScopeControls();
}

void FinderController::OnBrowseFolder() {
  std::string path;
  if (!services_.ChooseFolder(Ansi(texts::kFolderTitle), view_.ControlText(kIdPath), path) || path.empty()) return;
  fields_.Path = path;
  fields_.FileOrPath = 1;
  view_.SetControlText(kIdPath, fields_.Path);
  WriteMode();
  UpdateScopeControls();
}

void FinderController::OnHelpButton() {
  DesktopServices* services = &services_;
  services_.OpenWithShell(paths_.manualPath, [services](const std::string& native) {
    services->MessageBox(CannotOpenText(native), texts::kCaption, MessageButtons::Ok, MessageIcon::Warning);
  });
}

void FinderController::OnOK() {
  SaveSettingsFromControls();
  job_.Shutdown();
}

void FinderController::OnClose() {
  SaveSettingsFromControls();
  job_.Shutdown();
}

void FinderController::OnCancel() { job_.Shutdown(); }

const FinderFields& FinderController::ReadFieldsForSearch() {
  ReadControls();
  return fields_;
}

void FinderController::ShowStatus(const std::string& text) { view_.SetControlText(kIdStatus, text); }

void FinderController::SetSearchButtonText(const std::string& text) { view_.SetControlText(kIdSearch, text); }
