// The viewer's logic, apart from the toolkit: the refresh, the file and row
// selections with their two locate modes and the editor hand-off, the mode
// switch, the settings at start and close, and what the status line says.
// The window wires its controls to these handlers and shows what the view
// interface is told.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "viewer/ListedNames.h"
#include "viewer/ModAPI.h"
#include "viewer/SourceText.h"
#include "viewer/ViewerSettings.h"
#include "viewer/ViewerView.h"
#include "viewer/support/ClsObjMap.h"

class ClsIni;

// A page file at least this large opens with a word that its load takes a
// while: the browser took more than a second for every page of this size
// that it was timed on, and up to half a minute for one of 1 MB on one line.
inline constexpr std::uint64_t kLargePageBytes = 512u << 10;

class ViewerController {
 public:
  struct Services {
    WindowAutomation* automation = nullptr;
    ProgramStarter* starter = nullptr;
    DocumentConverter* converter = nullptr;
  };
  // The window's values as the settings file holds them, for the window to apply.
  struct StoredWindow {
    StoredPlacement placement;
    std::optional<PaneWidths> panes;
  };

  // settings: the viewer's settings file; its twips become pixels at dpiX and dpiY.
  ViewerController(ViewerView& view, ClsIni& settings, const Services& services, double dpiX, double dpiY);

  // The report that the refresh reads (a CP936 path text): the default
  // report unless the viewer was started with another.
  void SetReportPath(const std::string& strReportPath) { reportPath_ = strReportPath; }
  const std::string& ReportPath() const { return reportPath_; }

  // Applies the stored options and runs the refresh.
  StoredWindow Form_Load();
  void CmdRefresh_Click();
  void lstFileName_Click();
  void LstRowNum_Click();
  void OptLocateByMiao_Click(int Index);
  // A report handed over by a later start of the viewer, read as "刷新" reads.
  void OpenReport(const std::string& strReportPath);
  // The user moved a splitter: the pane widths are kept from now on.
  void PanesMoved() { panesKept_ = true; }
  // Writes the settings (the pane widths only once the user has moved a
  // splitter, in this run or one before) and deletes the viewer's own
  // files. Runs once.
  void Form_Unload(const OuterRect& outer, const PaneWidths& panes);

  // What the browser reports: a finished find, and a page load's progress.
  void FindFinished(const std::string& ansiText, int matches);
  void PageLoadProgress(int percent);
  void PageLoadFinished();

  // The lists' entries, by row.
  std::size_t FileCount() const { return files_.size(); }
  ListEntry FileEntry(std::size_t index) const;
  std::size_t RowCount() const;
  ListEntry RowEntry(std::size_t index) const;

  bool AnchorPageReady() const { return bAnchorPageReady; }

 private:
  void ShowAnchorPage();
  // The selected file's text itself, or why it cannot be shown.
  void ShowSourceText();
  // Sends the browser to a local page, saying first when it is large.
  void NavigateToPage(const std::string& strPage, const std::string& strFragment = "");
  std::string SelectedFile() const;
  ViewerOptions Options() const;

  ViewerView& view_;
  ClsIni& settings_;
  Services services_;
  double dpiX_, dpiY_;
  std::string reportPath_;

  ClsObjMap mapFiles;
  bool bAnchorPageReady = false;
  std::vector<std::string> files_;  // lstFileName's entries: the report's paths, in report order
  ListedNames names_;
  std::shared_ptr<ClsMap> rows_;  // LstRowNum's entries: the selected file's row map

  // What the browser says while no file is selected: how the last refresh went.
  std::string noFileNotice_;
  // The selected file's text (the file, or a Word document's conversion),
  // or, when that cannot be had, why.
  std::string sourceText_;
  std::string sourceTextProblem_;
  // A converted document's locators, one for each line of its text.
  std::vector<std::string> locators_;
  std::string anchorPageProblem_;

  // The status line: what the last refresh found, and a word on the page
  // being loaded.
  std::string reportStatus_;
  std::string pageNote_;
  bool pageLoading_ = false;

  bool panesKept_ = false;
  bool unloaded_ = false;
};
