#include "finder/app/logic/SearchJob.h"

#include <utility>

#include "finder/app/search/FinderTexts.h"
#include "finder/engine/SearchScope.h"
#include "platform/Files.h"
#include "platform/PathFunctions.h"

SearchJob::SearchJob(SearchJobHost& host, DesktopServices& services, NoticePoster& poster, std::string workbookPath)
    : host_(host),
      services_(services),
      poster_(poster),
      progress_(poster),
      messages_(poster, services),
      workbook_(std::move(workbookPath)),
      searcher_(settings_) {
  settings_.notifyWindow = &progress_;
  settings_.runningFlag = &searchRunning_;
  workbook_.SetMessageSink(&messages_);
  searcher_.SetSummaryExport(&workbook_);
}

SearchJob::~SearchJob() { Shutdown(); }

void SearchJob::OnSearch() {
  switch (state_) {
    case SearchState::Idle:
      StartSearch();
      break;
    case SearchState::Running:
      CancelSearch();
      break;
    case SearchState::Draining:
      // Two workers would share the one engine: the start waits for the old
      // worker's completion notice.
      startPending_ = true;
      host_.ShowStatus(Ansi(texts::kClosingWorker));
      break;
    case SearchState::Closed:
      break;
  }
}

void SearchJob::StartSearch() {
  const FinderFields& fields = host_.ReadFieldsForSearch();
  const std::string caption = texts::kCaption;
  if (fields.FileOrPath != 0) {
    if (!DirectoryExists(fields.Path)) {
      services_.MessageBox(Ansi(texts::kDirectoryPrefix) + fields.Path + Ansi(texts::kMissingSuffix), caption,
                           MessageButtons::Ok, MessageIcon::Stop);
      return;
    }
  } else if (!FileExists(fields.FileName)) {
    services_.MessageBox(Ansi(texts::kFilePrefix) + fields.FileName + Ansi(texts::kMissingSuffix), caption,
                         MessageButtons::Ok, MessageIcon::Stop);
    return;
  }
  if (ReportIsASource(fields.strLogFile, fields.FileOrPath != 0, fields.FileOrPath != 0 ? fields.Path : fields.FileName,
                      fields.IncludeSubPath == 1, fields.FileType)) {
    services_.MessageBox(Ansi(texts::kReportPrefix) + fields.strLogFile + Ansi(texts::kReportIsSourceSuffix), caption,
                         MessageButtons::Ok, MessageIcon::Stop);
    return;
  }
  if (services_.MessageBox(Ansi(texts::kStartQuestion), caption, MessageButtons::YesNo, MessageIcon::Question) !=
      MessageAnswer::Yes)
    return;
  // The question's event loop may have let the dialog end meanwhile.
  if (state_ != SearchState::Idle) return;

  settings_.strLogFile = fields.strLogFile;
  settings_.SearchUnicode = fields.SearchUnicode;
  settings_.LimitHanZiCountEachFile = fields.LimitHanZiCountEachFile;
  // A negative limit becomes a very large one, so it never cuts a file.
  settings_.MaxHanZiCountEachFile = static_cast<std::uint32_t>(fields.MaxHanZiCountEachFile);
  settings_.strStartTag = fields.strStartTag;

  // The worker reads its own copy: the dialog's fields change with the controls.
  Scope scope;
  scope.directory = fields.FileOrPath != 0;
  scope.file = fields.FileName;
  scope.path = fields.Path;
  scope.includeSubdirectories = fields.IncludeSubPath == 1;
  scope.patterns = fields.FileType;

  searchRunning_.store(1);
  state_ = SearchState::Running;
  host_.SetSearchButtonText(Ansi(texts::kCancel));
  platform::RemoveFile(settings_.strLogFile);
  host_.ShowStatus(Ansi(texts::kPreparing));
  progress_.Reset();
  worker_ = services_.StartThread([this, scope = std::move(scope)] { SearchThreadProc(scope); });
  if (!worker_) {
    // No notice would ever come: say so instead of staying in the running state.
    BackToIdle();
    host_.ShowStatus(Ansi(texts::kStatusIdle));
    services_.MessageBox(Ansi(texts::kNoWorker), caption, MessageButtons::Ok, MessageIcon::Stop);
  }
}

void SearchJob::CancelSearch() {
  if (services_.MessageBox(Ansi(texts::kCancelQuestion), texts::kCaption, MessageButtons::YesNo,
                           MessageIcon::Question) != MessageAnswer::Yes)
    return;
  // The search may have ended while the question was up.
  if (state_ != SearchState::Running) return;
  searchRunning_.store(0);
  state_ = SearchState::Draining;
  host_.SetSearchButtonText(Ansi(texts::kSearch));
  host_.ShowStatus(Ansi(texts::kClosingWorker));
}

void SearchJob::SearchThreadProc(const Scope& scope) {
  if (scope.directory)
    searcher_.SearchDirectory(scope.path, scope.includeSubdirectories, scope.patterns);
  else
    searcher_.SearchFile(scope.file);
  poster_.PostFinderNotify(FinderNotice{kNoticeDone, 0, std::string()});
}

void SearchJob::OnFinderNotify(FinderNotice notice) {
  if (state_ == SearchState::Closed) return;
  if (notice.wParam == kNoticeProgress) {
    std::optional<std::string> name = progress_.Take(std::move(notice));
    static const std::string parsing = Ansi(texts::kParsing);
    // After a cancel the status line keeps saying that the worker is closing.
    if (name && state_ == SearchState::Running) host_.ShowStatus(parsing + *name);
  } else if (notice.wParam == kNoticeDone && worker_) {
    OnSearchDone();
  }
}

void SearchJob::OnSearchDone() {
  // The worker posted this as its last act; after the join its counters are final.
  worker_->Join();
  worker_.reset();
  BackToIdle();
  host_.ShowStatus(CompletionText(searcher_.fileCount, searcher_.charCount));
  if (startPending_) {
    // The new search deletes this report at once: opening it would show a
    // file that is about to go.
    startPending_ = false;
    StartSearch();
    return;
  }
  if (searcher_.charCount != 0) services_.OpenWithShell(settings_.strLogFile);
}

void SearchJob::BackToIdle() {
  searchRunning_.store(0);
  state_ = SearchState::Idle;
  host_.SetSearchButtonText(Ansi(texts::kSearch));
}

void SearchJob::Shutdown() {
  if (state_ == SearchState::Closed) return;
  state_ = SearchState::Closed;
  startPending_ = false;
  searchRunning_.store(0);
  messages_.Close();
  if (worker_) {
    worker_->Join();
    worker_.reset();
  }
}
