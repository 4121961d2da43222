#include "finder/app/logic/SearchJob.h"

#include <utility>

#include "finder/app/search/FinderTexts.h"
#include "finder/app/search/SearchStart.h"

SearchJob::SearchJob(SearchJobHost& host, DesktopServices& services, NoticePoster& poster, std::string workbookPath)
    : host_(host),
      services_(services),
      poster_(poster),
      progress_(poster),
      messages_(poster, services),
      workbook_(std::move(workbookPath)),
      searcher_(settings_) {
  SearchWiring& wiring = searcher_.Wiring();
  wiring.notifyWindow = &progress_;
  wiring.runningFlag = &searchRunning_;
  wiring.summaryExport = &workbook_;
  workbook_.SetMessageSink(&messages_);
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
  SearchScope scope;
  MakeSearch(fields, RootsFromFields(fields), settings_, scope);
  const std::string caption = texts::kCaption;
  if (const std::string refusal = CheckStart(settings_, scope); !refusal.empty()) {
    services_.MessageBox(refusal, caption, MessageButtons::Ok, MessageIcon::Stop);
    return;
  }
  if (services_.MessageBox(Ansi(texts::kStartQuestion), caption, MessageButtons::YesNo, MessageIcon::Question) !=
      MessageAnswer::Yes)
    return;
  // The question's event loop may have let the dialog end meanwhile.
  if (state_ != SearchState::Idle) return;

  searchRunning_.store(1);
  state_ = SearchState::Running;
  host_.SetSearchButtonText(Ansi(texts::kCancel));
  ClearOldReport(settings_.strLogFile);
  host_.ShowStatus(Ansi(texts::kPreparing));
  progress_.Reset();
  // The worker reads its own copy of the scope: the fields change with the controls.
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

void SearchJob::SearchThreadProc(const SearchScope& scope) {
  outcome_ = searcher_.Search(scope);
  // The desktop's editors read UTF-8; the report itself stays as the viewer reads it.
  copyWritten_ = outcome_.reportCreated && WriteUtf8Copy(outcome_.report);
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
  // The worker posted this as its last act; after the join its outcome is final.
  worker_->Join();
  worker_.reset();
  // A cancel question still up asks about a search that has ended.
  services_.CloseQuestion();
  BackToIdle();
  host_.ShowStatus(CompletionText(outcome_));
  if (startPending_) {
    // The new search deletes this report at once: opening it would show a
    // file that is about to go.
    startPending_ = false;
    StartSearch();
    return;
  }
  if (const std::string lost = LostText(outcome_); !lost.empty())
    services_.MessageBox(lost, texts::kCaption, MessageButtons::Ok, MessageIcon::Warning);
  if (outcome_.charCount != 0 && outcome_.reportCreated)
    Open(copyWritten_ ? Utf8CopyPath(outcome_.report) : outcome_.report);
}

void SearchJob::Open(const std::string& path) {
  DesktopServices* services = &services_;
  services_.OpenWithShell(path, [services](const std::string& native) {
    services->MessageBox(CannotOpenText(native), texts::kCaption, MessageButtons::Ok, MessageIcon::Warning);
  });
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
