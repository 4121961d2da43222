// The scan engine: one object for the life of a front end, reused by every
// search. A search is Reset, one or more ScanFile calls, then closing the
// report and the summary export.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "finder/engine/LineScan.h"
#include "finder/engine/ParallelScan.h"
#include "finder/engine/ReportWriter.h"
#include "finder/engine/ResultTable.h"
#include "finder/engine/ScanSettings.h"
#include "finder/engine/SearchOutcome.h"
#include "finder/engine/SearchScope.h"
#include "platform/FileKinds.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/LineReader.h"

// Paths compared byte by byte with ASCII letters folded, so that two paths
// that differ only in letter case are one key.
struct CaseInsensitiveHash {
  std::size_t operator()(const std::string& path) const;
};
struct CaseInsensitiveEqual {
  bool operator()(const std::string& a, const std::string& b) const;
};

using platform::GetExtension;
using platform::ToUpper;

class HanziSearcher : private ProblemSink {
 public:
  explicit HanziSearcher(ScanSettings& settings);
  ~HanziSearcher() override;
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

  // Whom the search tells and who may stop it; the front end fills it in
  // before a search.
  SearchWiring& Wiring() { return wiring_; }
  ResultTable& Results() { return results_; }
  const ReportWriter& Report() const { return report_; }
  // How the last search ended.
  const SearchOutcome& Outcome() const { return outcome_; }

  // Files started and bytes of extracted text in the current search. Kept
  // 64-bit so that a large tree cannot wrap them.
  std::int64_t fileCount = 0;
  std::int64_t charCount = 0;

 private:
  static bool OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry& entry);
  // A file of the search: scanned now, or queued for the workers. False
  // once the search is to end.
  bool Take(const std::string& path);
  bool ClassifyFile(const std::string& path, std::string& fileToRead, std::string& message);
  void SearchRoots(const SearchScope& scope);
  void Finish();
  // The one commit of a file, read here or prepared by a worker; false
  // ends the search.
  bool CommitFile(const std::string& path, PreparedFile* prepared);
  // The walk's folders that cannot be listed: told at once, or at their
  // turn among the workers' files.
  void CannotRead(const std::string& path, ReadProblem problem, int error) override;
  void ReadHere(const std::string& path, const std::string& fileToRead, ScannedFile& file);
  void WritePrepared(const std::string& path, PreparedFile& prepared, ScannedFile& file);
  // The one place where what went wrong with a file is told.
  void TellFile(const std::string& path, const ScannedFile& file);
  void Tell(const std::string& path, ReadProblem problem, int error);

  ScanSettings& settings_;
  SearchWiring wiring_;
  ReportWriter report_;
  std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> processedPaths_;
  ResultTable results_;
  platform::FileLock converterLock_;
  ParallelScan* parallel_ = nullptr;  // during a search with several workers
  bool aborted_ = false;
  bool stoppedByOutput_ = false;
  SearchOutcome outcome_;
  std::vector<std::string> notWhole_;
  // The converted document's locators, a line each (none for other files).
  std::vector<std::string> locators_;
  // Counted as files are committed (SearchOutcome says what each is).
  SearchOutcome counts_;
  // Reused from file to file and line to line, so the line loop allocates nothing.
  platform::LineReader reader_;
  std::string chars_;
  std::vector<CharacterRun> lineRuns_;  // a prepared hit line's runs, handed on
};
