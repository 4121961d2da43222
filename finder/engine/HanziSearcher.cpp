#include "finder/engine/HanziSearcher.h"

#include <optional>

#include "finder/engine/DirectoryWalker.h"
#include "finder/engine/FileConverter.h"
#include "platform/DocumentLocators.h"
#include "platform/AsciiText.h"

std::size_t CaseInsensitiveHash::operator()(const std::string& path) const {
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a over the folded bytes
  for (const char c : path) hash = (hash ^ platform::AsciiUpper(static_cast<unsigned char>(c))) * 1099511628211u;
  return static_cast<std::size_t>(hash);
}

bool CaseInsensitiveEqual::operator()(const std::string& a, const std::string& b) const {
  return a.size() == b.size() && platform::CompareIgnoringAsciiCase(a, b) == 0;
}

HanziSearcher::HanziSearcher(ScanSettings& settings) : settings_(settings) {}

HanziSearcher::~HanziSearcher() = default;

void HanziSearcher::Reset() {
  fileCount = 0;
  charCount = 0;
  aborted_ = false;
  stoppedByOutput_ = false;
  notWhole_.clear();
  counts_ = SearchOutcome();
  report_.SetFileName(settings_.strLogFile);
  processedPaths_.clear();
}

SearchOutcome HanziSearcher::Search(const SearchScope& scope) {
  Reset();
  try {
    SearchRoots(scope);
  } catch (const std::exception&) {
    // A report that cannot take a notice, or memory exhausted outside a
    // file's line loop: stop here, but keep what was scanned.
    aborted_ = true;
  }
  Finish();
  return outcome_;
}

void HanziSearcher::SearchFile(const std::string& path) { Search(SearchScope{{{path, false}}, false, {}}); }

void HanziSearcher::SearchDirectory(const std::string& directory, bool includeSubdirectories,
                                    const std::string& patterns) {
  Search(SearchScope{{{directory, true}}, includeSubdirectories, patterns});
}

void HanziSearcher::SearchRoots(const SearchScope& scope) {
  std::optional<ParallelScan> parallel;
  if (wiring_.workers > 1)
    parallel.emplace(settings_, wiring_,
                     Commits{[this](const std::string& path, PreparedFile* prepared) { return CommitFile(path, prepared); },
                             [this](const std::string& path, int error) { Tell(path, ReadProblem::Folder, error); }},
                     wiring_.workers);
  parallel_ = parallel ? &*parallel : nullptr;
  struct Unset {
    ParallelScan*& parallel;
    ~Unset() { parallel = nullptr; }
  } unset{parallel_};
  for (const SearchRoot& root : scope.roots) {
    if (wiring_.IsCancelled() || stoppedByOutput_) break;
    if (root.directory) {
      DirectoryWalker walker(wiring_.runningFlag, &HanziSearcher::OnFileFound, this);
      walker.SetProblemSink(this);
      walker.SetExclusion(scope.exclude);
      walker.Walk(root.path, scope.includeSubdirectories, scope.patterns);
    } else {
      Take(root.path);
    }
  }
  if (parallel) parallel->Drain();
}

bool HanziSearcher::OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry&) {
  return static_cast<HanziSearcher*>(userObject)->Take(fullPath);
}

bool HanziSearcher::Take(const std::string& path) {
  if (stoppedByOutput_) return false;
  if (!processedPaths_.insert(path).second) return true;
  return parallel_ ? parallel_->Add(path) : CommitFile(path, nullptr);
}

void HanziSearcher::ScanFile(const std::string& path) {
  if (processedPaths_.insert(path).second) CommitFile(path, nullptr);
}

void HanziSearcher::CannotRead(const std::string& path, ReadProblem problem, int error) {
  if (parallel_)
    parallel_->AddFolderProblem(path, error);
  else
    Tell(path, problem, error);
}

void HanziSearcher::Finish() {
  try {
    report_.Close();
  } catch (const ReportWriteError&) {
    // The last lines are lost (Incomplete tells); the summary is still written.
  }
  outcome_ = counts_;
  if (wiring_.summaryExport) {
    outcome_.workbook = wiring_.summaryExport->Export(results_);
    outcome_.workbookPath = wiring_.summaryExport->Destination();
  }
  outcome_.fileCount = fileCount;
  outcome_.charCount = charCount;
  outcome_.cancelled = wiring_.IsCancelled();
  outcome_.stoppedByOutput = stoppedByOutput_;
  outcome_.report = report_.FileName();
  outcome_.reportCreated = report_.Created();
  outcome_.reportIncomplete = report_.Incomplete();
  outcome_.reportHeldByAnother = report_.HeldByAnother();
  outcome_.aborted = aborted_;
  outcome_.notWhole = notWhole_;
}

bool HanziSearcher::ClassifyFile(const std::string& path, std::string& fileToRead, std::string& message) {
  switch (platform::ClassifyByExtension(path)) {
    case platform::FileKind::WordDocument:
    case platform::FileKind::Document: {
      // Every search converts into the same file, whose path the rows carry:
      // it is held from the converter's start until its text is scanned, and
      // another search waits for it.
      const bool held = converterLock_.Acquire(kConverterOutput, [this] { return wiring_.IsCancelled(); });
      if (!held && wiring_.IsCancelled()) {
        fileToRead = kConverterOutput;  // cancelled while waiting: nothing is read
        return true;
      }
      WordConverter converter = wiring_.converterDirectory.empty() ? WordConverter()
                                                                   : WordConverter(wiring_.converterDirectory);
      converter.SetCancelCheck([this] { return wiring_.IsCancelled(); });
      if (!converter.Convert(path, fileToRead, message)) {
        if (converter.Failed()) Tell(path, ReadProblem::NotConverted, converter.ExitStatus());
        return false;
      }
      if (converter.InPart()) Tell(path, ReadProblem::ConvertedInPart, converter.ExitStatus());
      platform::ReadLocators(fileToRead, locators_);
      return true;
    }
    case platform::FileKind::Spreadsheet:
      message = SkipNotice(path);
      return false;
    case platform::FileKind::Text:
      break;
  }
  fileToRead = path;
  locators_.clear();
  return true;
}

bool HanziSearcher::CommitFile(const std::string& path, PreparedFile* prepared) {
  if (wiring_.notifyWindow) wiring_.notifyWindow->PostProgress(path);
  ++fileCount;

  std::string fileToRead;
  std::string message;
  if (!ClassifyFile(path, fileToRead, message)) {
    converterLock_.Release();
    report_.WriteLine(message);  // a failure here ends the search (see Search)
    return true;
  }
  ScannedFile file;
  if (!prepared || prepared->tooLarge) {
    ReadHere(path, fileToRead, file);
  } else if (!wiring_.IsCancelled()) {
    // (A cancel at the progress notice meets the file's first line, as it
    // would here: nothing of the file counts.)
    WritePrepared(path, *prepared, file);
  }
  TellFile(path, file);
  if (file.binary) {
    // Passed over as a skipped type is: a notice, and no row.
    ++counts_.binaryFiles;
    converterLock_.Release();
    report_.WriteLine(SkipNotice(path));
    return true;
  }
  if (file.open.opened) ++counts_.filesRead;
  if (file.limitReached) ++counts_.limitReached;
  charCount += file.scan.count;
  results_.AddRow(fileToRead, file.scan.firstChars, file.scan.count);
  converterLock_.Release();
  if (file.stopSearch) stoppedByOutput_ = true;
  return !file.stopSearch;
}

void HanziSearcher::ReadHere(const std::string& path, const std::string& fileToRead, ScannedFile& file) {
  const bool converted = fileToRead != path;
  // A search cancelled while it waited for the converter's output reads
  // nothing: the output is another search's.
  if (converted && !converterLock_.Held() && wiring_.IsCancelled()) return;
  LinesToReport lines(report_);
  ReportHits hits(settings_, path, converted, file.read, reader_, lines, wiring_.runs, wiring_.annotator,
                  converted ? &locators_ : nullptr);
  try {
    ReadFileText(settings_, wiring_, path, fileToRead, converted, &report_, reader_, chars_, hits, file);
    // The file's lines leave the buffer with it, so that a full disk ends
    // the file whose lines were lost.
    report_.Flush();
  } catch (const ReportWriteError&) {
    // A full disk ends this file likewise.
  }
}

void HanziSearcher::WritePrepared(const std::string& path, PreparedFile& prepared, ScannedFile& file) {
  file = std::move(prepared.file);
  // This search's own report, read by a worker before the search held it.
  if (file.open.opened && report_.IsReport(file.open.identity)) file = ScannedFile();
  if (!file.open.opened) return;
  if (wiring_.runs) {
    std::size_t next = 0;
    for (const auto& [number, count] : prepared.hitRuns) {
      // Into the runs of the line before: their texts' room is used again.
      lineRuns_.resize(count);
      for (CharacterRun& run : lineRuns_) {
        const std::size_t start = next == 0 ? 0 : prepared.textEnds[next - 1];
        run = prepared.runs[next];
        run.text.assign(prepared.texts, start, prepared.textEnds[next] - start);
        ++next;
      }
      if (wiring_.runs->Runs(path, file.read.encoding, number, {}, lineRuns_) == SinkVerdict::StopSearch) {
        file.stopSearch = true;
        break;
      }
    }
  }
  try {
    report_.WriteLines(prepared.lines);
    report_.Flush();
  } catch (const ReportWriteError&) {
    // A full disk ends the file's lines; its row is still recorded.
  }
}

void HanziSearcher::TellFile(const std::string& path, const ScannedFile& file) {
  if (!file.open.opened) {
    // This search's own report is passed over without a word.
    if (file.open.error != 0 && !report_.IsReport(file.open.identity)) Tell(path, ReadProblem::File, file.open.error);
    return;
  }
  if (file.read.looksLikeUtf8) ++counts_.looksLikeUtf8;
  if (file.read.utf16Marked) ++counts_.utf16Marked;
  if (file.read.invalidBytes && wiring_.problems)
    wiring_.problems->NotInItsEncoding(path, platform::EncodingName(file.read.encoding));
  if (file.notWholeError != 0) Tell(path, ReadProblem::NotWhole, file.notWholeError);
}

void HanziSearcher::Tell(const std::string& path, ReadProblem problem, int error) {
  if (problem == ReadProblem::NotWhole || problem == ReadProblem::ConvertedInPart) notWhole_.push_back(path);
  if (wiring_.problems) wiring_.problems->CannotRead(path, problem, error);
}
