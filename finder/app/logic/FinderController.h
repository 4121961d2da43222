// The finder dialog's logic, apart from the toolkit: the transfers between
// controls, fields and settings, the scope rows, the choosers, help, the
// ways out, and the search job.
#pragma once

#include <string>
#include <string_view>

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderNotice.h"
#include "finder/app/settings/FinderSettings.h"
#include "finder/app/logic/FinderView.h"
#include "finder/app/logic/SearchJob.h"

// Where the finder's own files lie. The settings and the workbook go where
// the user can write them (WritableFilePath); the manual is read where it was
// shipped (ShippedFileFolder).
struct FinderPaths {
  std::string iniPath;
  std::string workbookPath;
  std::string manualPath;
};
FinderPaths FinderPathsFor(std::string_view moduleDirectory);
FinderPaths DefaultFinderPaths();

// A signed decimal 32-bit integer with optional blanks around it, as an
// integer field accepts it.
bool ParseIntegerField(std::string_view text, int& value);

class FinderController : private SearchJobHost {
 public:
  FinderController(FinderView& view, DesktopServices& services, NoticePoster& poster, FinderPaths paths);

  void OnInitDialog();
  void OnScopeChanged();
  void OnBrowseFile();
  void OnBrowseFolder();
  void OnHelpButton();
  void OnSearch() { job_.OnSearch(); }
  void OnFinderNotify(FinderNotice notice) { job_.OnFinderNotify(std::move(notice)); }
  // The exit button and the close box save the settings; Esc does not.
  // Each waits for a running worker to end.
  void OnOK();
  void OnClose();
  void OnCancel();

  // False when the limit field held no integer: the prompt was shown and
  // the fields of that control and the later ones kept their values.
  bool ReadControls();
  void WriteControls();
  void LoadControlsFromSettings();
  void SaveSettingsFromControls();
  void UpdateScopeControls();

  const FinderFields& Fields() const { return fields_; }
  SearchJob& Job() { return job_; }

 private:
  const FinderFields& ReadFieldsForSearch() override;
  void ShowStatus(const std::string& text) override;
  void SetSearchButtonText(const std::string& text) override;
  void WriteMode();

  FinderView& view_;
  DesktopServices& services_;
  FinderPaths paths_;
  FinderSettings settings_;
  FinderFields fields_;
  SearchJob job_;
};
