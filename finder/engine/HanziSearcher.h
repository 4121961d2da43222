// The scan engine: one object for the life of a front end, reused by every
// search. A search is Reset, one or more ScanFile calls, then closing the
// report and the summary export.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "finder/engine/ReportWriter.h"
#include "finder/engine/ResultTable.h"
#include "finder/engine/ScanSettings.h"
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

  // The two search entries; each ends by closing the report and exporting.
  void SearchFile(const std::string& path);
  void SearchDirectory(const std::string& directory, bool includeSubdirectories, const std::string& patterns);

  void Reset();
  void ScanFile(const std::string& path);

  ResultTable& Results() { return results_; }
  const ReportWriter& Report() const { return report_; }
  // The last step of every search; none (the terminal's --no-export, most
  // tests) leaves it out.
  void SetSummaryExport(SummaryExport* summaryExport) { export_ = summaryExport; }
  // Folders and files that could not be read (whole) are told here.
  void SetProblemSink(ProblemSink* problems) { problems_ = problems; }
  // Where the document converter lies; the module directory by default.
  void SetConverterDirectory(std::string directory) { converterDirectory_ = std::move(directory); }
  // Files of a directory search are read and extracted by this many threads
  // (at least 1); their lines, rows, counters, progress and problems are
  // still committed in the walk's order, so that nothing the search writes
  // changes. With 1, the default, the calling thread scans alone.
  void SetWorkers(int workers) { workers_ = workers < 1 ? 1 : workers; }

  // True when the last search ended early because the report could not be
  // written outside a file's line loop.
  bool Aborted() const { return aborted_; }

  // Files started and bytes of extracted text in the current search. Kept
  // 64-bit so that a large tree cannot wrap them.
  std::int64_t fileCount = 0;
  std::int64_t charCount = 0;

 private:
  static void OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry& entry);
  bool ClassifyFile(const std::string& path, const std::string& extension, std::string& fileToRead,
                    std::string& message);
  void Finish();
  void OpenForScan(const std::string& path, const std::string& fileToRead, bool converted);
  void Tell(const std::string& path, ReadProblem problem, int error);
  void ReleaseLineMemory();
  void ScanNewFile(const std::string& path);
  void ParallelWalk(const std::string& directory, bool includeSubdirectories, const std::string& patterns);
  friend class ParallelScan;

  ScanSettings& settings_;
  ReportWriter report_;
  std::set<std::string, CaseInsensitiveLess> processedPaths_;
  ResultTable results_;
  SummaryExport* export_ = nullptr;
  ProblemSink* problems_ = nullptr;
  platform::FileLock converterLock_;
  bool aborted_ = false;
  int workers_ = 1;
  std::string converterDirectory_;
  // Reused from file to file and line to line, so the line loop allocates nothing.
  platform::LineReader reader_;
  std::string chars_;
};
