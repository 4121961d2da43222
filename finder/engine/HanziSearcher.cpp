#include "finder/engine/HanziSearcher.h"

#include <cerrno>
#include <new>

#include "finder/engine/DirectoryWalker.h"
#include "finder/engine/FileConverter.h"
#include "finder/engine/HanziExtraction.h"
#include "finder/engine/ParallelScan.h"
#include "platform/AsciiText.h"
#include "platform/Files.h"

namespace {

// Hit lines straight into the report, the file's header before the first.
// The lines also go to a hit-line sink, when there is one, with the
// encoding the file is read in.
struct ReportHits : HitSink {
  ReportHits(ReportWriter& report, const std::string& path, HitLineSink* lines, const TextRead& read, bool converted)
      : report(report), path(path), lines(lines), read(read), converted(converted) {}
  ReportWriter& report;
  const std::string& path;
  HitLineSink* lines;
  const TextRead& read;
  bool converted;
  bool headerWritten = false;
  void Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) override {
    if (!headerWritten) report.WriteHeader(path);
    headerWritten = true;
    report.WriteHitLine(lineNumber, chars);
    if (lines) lines->HitLine(path, read.encoding, converted, lineNumber, line);
  }
};

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return platform::CompareIgnoringAsciiCase(a, b) < 0;
}

HanziSearcher::HanziSearcher(ScanSettings& settings) : settings_(settings) {}

HanziSearcher::~HanziSearcher() = default;

void HanziSearcher::Reset() {
  fileCount = 0;
  charCount = 0;
  aborted_ = false;
  notWhole_.clear();
  looksLikeUtf8_ = 0;
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
  if (workers_ > 1) {
    ParallelScan parallel(*this, workers_);
    for (const SearchRoot& root : scope.roots) {
      if (settings_.IsCancelled()) break;
      if (root.directory) {
        DirectoryWalker walker(settings_.runningFlag, &ParallelScan::OnFileFound, &parallel);
        walker.SetProblemSink(&parallel);
        walker.SetExclusion(scope.exclude);
        walker.Walk(root.path, scope.includeSubdirectories, scope.patterns);
      } else {
        parallel.Add(root.path);
      }
    }
    parallel.Drain();
    return;
  }
  for (const SearchRoot& root : scope.roots) {
    if (settings_.IsCancelled()) break;
    if (root.directory) {
      DirectoryWalker walker(settings_.runningFlag, &HanziSearcher::OnFileFound, this);
      walker.SetProblemSink(problems_);
      walker.SetExclusion(scope.exclude);
      walker.Walk(root.path, scope.includeSubdirectories, scope.patterns);
    } else {
      ScanFile(root.path);
    }
  }
}

void HanziSearcher::Finish() {
  try {
    report_.Close();
  } catch (const ReportWriteError&) {
    // The last lines are lost (Incomplete tells); the summary is still written.
  }
  outcome_ = SearchOutcome();
  if (export_) {
    outcome_.workbook = export_->Export(results_);
    outcome_.workbookPath = export_->Destination();
  }
  outcome_.fileCount = fileCount;
  outcome_.charCount = charCount;
  outcome_.cancelled = settings_.IsCancelled();
  outcome_.report = report_.FileName();
  outcome_.reportCreated = report_.Created();
  outcome_.reportIncomplete = report_.Incomplete();
  outcome_.reportHeldByAnother = report_.HeldByAnother();
  outcome_.aborted = aborted_;
  outcome_.notWhole = notWhole_;
  outcome_.looksLikeUtf8 = looksLikeUtf8_;
}

void HanziSearcher::OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry&) {
  static_cast<HanziSearcher*>(userObject)->ScanFile(fullPath);
}

bool HanziSearcher::ClassifyFile(const std::string& path, std::string& fileToRead, std::string& message) {
  switch (platform::ClassifyByExtension(path)) {
    case platform::FileKind::WordDocument: {
      // Every search converts into the same file, whose path the rows carry:
      // it is held from the converter's start until its text is scanned, and
      // another search waits for it.
      const bool held = converterLock_.Acquire(kConverterOutput, [this] { return settings_.IsCancelled(); });
      if (!held && settings_.IsCancelled()) {
        fileToRead = kConverterOutput;  // cancelled while waiting: nothing is read
        return true;
      }
      WordConverter converter = converterDirectory_.empty() ? WordConverter() : WordConverter(converterDirectory_);
      converter.SetCancelCheck([this] { return settings_.IsCancelled(); });
      return converter.Convert(path, fileToRead, message);
    }
    case platform::FileKind::Spreadsheet:
      message = SkipNotice(path);
      return false;
    case platform::FileKind::Text:
      break;
  }
  fileToRead = path;
  return true;
}

void HanziSearcher::Tell(const std::string& path, ReadProblem problem, int error) {
  if (problem == ReadProblem::NotWhole) notWhole_.push_back(path);
  if (problems_) problems_->CannotRead(path, problem, error);
}

void HanziSearcher::TellRead(const std::string& path, const TextRead& read) {
  if (read.looksLikeUtf8) ++looksLikeUtf8_;
  if (read.invalidBytes && problems_) problems_->NotInItsEncoding(path, platform::EncodingName(read.encoding));
}

void HanziSearcher::ScanFile(const std::string& path) {
  if (MarkProcessed(path)) CommitFile(path, nullptr);
}

void HanziSearcher::CommitFile(const std::string& path, PreparedFile* prepared) {
  if (settings_.notifyWindow) settings_.notifyWindow->PostProgress(path);
  ++fileCount;

  std::string fileToRead;
  std::string message;
  if (!ClassifyFile(path, fileToRead, message)) {
    converterLock_.Release();
    report_.WriteLine(message);  // a failure here ends the search (see Search)
    return;
  }
  LineScan scan;
  if (!prepared || prepared->tooLarge) {
    ScanHere(path, fileToRead, scan);
  } else if (!settings_.IsCancelled()) {
    // (A cancel at the progress notice meets the file's first line, as it
    // would here: nothing of the file counts.)
    CommitPrepared(path, *prepared, scan);
  }
  charCount += scan.count;
  results_.AddRow(fileToRead, scan.firstChars, scan.count);
  converterLock_.Release();
}

bool HanziSearcher::TellOpenProblem(const std::string& path, const OpenedFile& opened) {
  if (report_.IsReport(opened.identity)) return true;  // this search's own report: not worth a word
  if (!opened.opened) Tell(path, ReadProblem::File, opened.error);
  return !opened.opened;
}

void HanziSearcher::ScanHere(const std::string& path, const std::string& fileToRead, LineScan& scan) {
  const bool converted = fileToRead != path;
  try {
    // A search cancelled while it waited for the converter's output reads
    // nothing: the output is another search's.
    const bool cancelledWaiting = converted && !converterLock_.Held() && settings_.IsCancelled();
    if (!cancelledWaiting && TellOpenProblem(path, OpenForScan(reader_, fileToRead, converted))) reader_.Close();
    TextRead read;
    ReportHits hits(report_, path, hitLines_, read, converted);
    ScanText(settings_, path, converted, reader_, chars_, hits, scan, read);
    TellRead(path, read);
    if (reader_.LastError() != 0) Tell(path, ReadProblem::NotWhole, reader_.LastError());
    // The file's lines leave the buffer with it, so that a full disk ends
    // the file whose lines were lost.
    report_.Flush();
  } catch (const std::bad_alloc&) {
    // Memory exhausted (a line too long for it) ends this file as if it had
    // ended; its row is still recorded, and the user learns of it.
    Tell(path, ReadProblem::NotWhole, ENOMEM);
    ReleaseLineMemory();
  } catch (const ReportWriteError&) {
    // A full disk ends this file likewise.
  }
  reader_.Close();
  ReleaseLongLineChars(chars_);
}

void HanziSearcher::CommitPrepared(const std::string& path, PreparedFile& prepared, LineScan& scan) {
  if (TellOpenProblem(path, prepared.open)) return;
  TellRead(path, prepared.read);
  for (const PreparedFile::Problem& problem : prepared.problems) Tell(path, problem.problem, problem.error);
  scan = std::move(prepared.scan);
  if (hitLines_)
    for (const auto& [number, line] : prepared.hitLines)
      hitLines_->HitLine(path, prepared.read.encoding, false, number, line);
  try {
    report_.WriteLines(prepared.lines);
    report_.Flush();
  } catch (const ReportWriteError&) {
    // A full disk ends the file's lines; its row is still recorded.
  }
}

void HanziSearcher::ReleaseLineMemory() {
  std::string().swap(chars_);
  reader_.Close();
}
