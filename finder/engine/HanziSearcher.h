// The scan engine: one object for the life of a front end, reused by every
// search. A search is Reset, one or more ScanFile calls, then closing the
// report and the summary export.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/LineScan.h"
#include "finder/engine/ReportWriter.h"
#include "finder/engine/ResultTable.h"
#include "finder/engine/ScanSettings.h"
#include "finder/engine/SearchOutcome.h"
#include "finder/engine/SearchScope.h"
#include "platform/FileKinds.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/LineReader.h"

// Orders paths byte by byte with ASCII letters folded, so that two paths that
// differ only in letter case are one key.
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

using platform::GetExtension;
using platform::ToUpper;

class HanziSearcher {
 public:
  explicit HanziSearcher(ScanSettings& settings);
  virtual ~HanziSearcher();
  HanziSearcher(const HanziSearcher&) = delete;
  HanziSearcher& operator=(const HanziSearcher&) = delete;

  // One search: Reset, each root in order (a folder walked, a file scanned),
  // then the report closed and the summary exported. Returns how it ended.
  SearchOutcome Search(const SearchScope& scope);
  // The two entries of a search over one root.
  void SearchFile(const std::string& path);
  void SearchDirectory(const std::string& directory, bool includeSubdirectories, const std::string& patterns);

  void Reset();
  void ScanFile(const std::string& path);

  ResultTable& Results() { return results_; }
  const ReportWriter& Report() const { return report_; }
  const ScanSettings& Settings() const { return settings_; }
  // The last step of every search; none (the terminal's --no-export, most
  // tests) leaves it out.
  void SetSummaryExport(SummaryExport* summaryExport) { export_ = summaryExport; }
  // Folders and files that could not be read (whole) are told here.
  void SetProblemSink(ProblemSink* problems) { problems_ = problems; }
  // Every line with characters, as read, is told here too (with
  // ScanSettings::keepHitLines set, also those a worker read).
  void SetHitLineSink(HitLineSink* lines) { hitLines_ = lines; }
  // Where the document converter lies; the module directory by default.
  void SetConverterDirectory(std::string directory) { converterDirectory_ = std::move(directory); }
  // Files of a directory search are read and extracted by this many threads
  // (at least 1); their lines, rows, counters, progress and problems are
  // still committed in the walk's order, so that nothing the search writes
  // changes. With 1, the default, the calling thread scans alone.
  void SetWorkers(int workers) { workers_ = workers < 1 ? 1 : workers; }

  // How the last search ended.
  const SearchOutcome& Outcome() const { return outcome_; }

  // Files started and bytes of extracted text in the current search. Kept
  // 64-bit so that a large tree cannot wrap them.
  std::int64_t fileCount = 0;
  std::int64_t charCount = 0;

  // What the workers of a parallel search use: whether a path is new to
  // this search (it is then marked), and its turn, committed exactly as
  // ScanFile commits a file, from the lines a worker prepared (nullptr: the
  // file is read here, at its turn).
  bool MarkProcessed(const std::string& path) { return processedPaths_.insert(path).second; }
  void CommitFile(const std::string& path, PreparedFile* prepared);
  void Tell(const std::string& path, ReadProblem problem, int error);

 private:
  static void OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry& entry);
  bool ClassifyFile(const std::string& path, std::string& fileToRead, std::string& message);
  void SearchRoots(const SearchScope& scope);
  void Finish();
  // An open that failed or met a locked file; true when nothing is to be read.
  bool TellOpenProblem(const std::string& path, const OpenedFile& opened);
  void ScanHere(const std::string& path, const std::string& fileToRead, LineScan& scan);
  void CommitPrepared(const std::string& path, PreparedFile& prepared, LineScan& scan);
  void ReleaseLineMemory();
  void TellRead(const std::string& path, const TextRead& read);

  ScanSettings& settings_;
  ReportWriter report_;
  std::set<std::string, CaseInsensitiveLess> processedPaths_;
  ResultTable results_;
  SummaryExport* export_ = nullptr;
  ProblemSink* problems_ = nullptr;
  HitLineSink* hitLines_ = nullptr;
  platform::FileLock converterLock_;
  bool aborted_ = false;
  int workers_ = 1;
  std::string converterDirectory_;
  SearchOutcome outcome_;
  std::vector<std::string> notWhole_;
  std::int64_t looksLikeUtf8_ = 0;
  // Reused from file to file and line to line, so the line loop allocates nothing.
  platform::LineReader reader_;
  std::string chars_;
};
