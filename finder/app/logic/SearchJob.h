// One search at a time over the dialog's one engine: the checks and the
// question before the start, the worker thread, cancel, the progress and
// completion notices, and opening the report. States:
//   Idle     button "搜索(&S)", no worker
//   Running  button "取消(&C)", the worker scans
//   Draining button "搜索(&S)", cancelled, the worker has not ended yet; a
//            start waits for its completion notice
//   Closed   the dialog has ended; notices are ignored
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderNotice.h"
#include "finder/app/logic/MessageRelay.h"
#include "finder/app/logic/ProgressCoalescer.h"
#include "finder/app/settings/FinderSettings.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/engine/ScanSettings.h"
#include "finder/export/WorkbookExport.h"

// What the job needs of the dialog.
class SearchJobHost {
 public:
  virtual ~SearchJobHost() = default;
  // Reads all controls into the fields and returns them.
  virtual const FinderFields& ReadFieldsForSearch() = 0;
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void SetSearchButtonText(const std::string& text) = 0;
};

enum class SearchState { Idle, Running, Draining, Closed };

class SearchJob {
 public:
  SearchJob(SearchJobHost& host, DesktopServices& services, NoticePoster& poster, std::string workbookPath);
  ~SearchJob();
  SearchJob(const SearchJob&) = delete;
  SearchJob& operator=(const SearchJob&) = delete;

  // The search button: starts, cancels, or (while draining) starts once the
  // old worker has ended.
  void OnSearch();
  // WM_FINDER_NOTIFY, on the user-interface thread.
  void OnFinderNotify(FinderNotice notice);
  // The dialog ends: a running search is cancelled and its worker waited
  // for; the export stays silent from here on.
  void Shutdown();

  SearchState State() const { return state_; }
  bool StartPending() const { return startPending_; }
  HanziSearcher& Searcher() { return searcher_; }
  const ScanSettings& Settings() const { return settings_; }
  int QueuedProgress() const { return progress_.Queued(); }
  // How the last search ended; read once it has.
  const SearchOutcome& Outcome() const { return outcome_; }

 private:
  void StartSearch();
  void CancelSearch();
  void OnSearchDone();
  void SearchThreadProc(const SearchScope& scope);
  void BackToIdle();
  void Open(const std::string& path);

  SearchJobHost& host_;
  DesktopServices& services_;
  NoticePoster& poster_;
  std::atomic<unsigned char> searchRunning_{0};
  ScanSettings settings_;
  ProgressCoalescer progress_;
  MessageRelay messages_;
  WorkbookExport workbook_;
  HanziSearcher searcher_;
  std::unique_ptr<WorkerThread> worker_;
  // Written by the worker, read after it has been joined.
  SearchOutcome outcome_;
  bool copyWritten_ = false;
  SearchState state_ = SearchState::Idle;
  bool startPending_ = false;
};
