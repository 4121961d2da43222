// How a search ended: what both front ends tell the user, from one record,
// and the one list of what it lost, which each front end says in its own
// words (the dialog's box, the terminal's lines and exit status).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ExportStatus {
  NotRun,      // no summary export was asked for
  Written,     // the workbook was written
  Empty,       // no rows: nothing to write
  NotStarted,  // the workbook could not even be begun
  Failed       // begun, but could not be written whole
};

struct SearchOutcome {
  std::int64_t fileCount = 0;  // files started
  std::int64_t charCount = 0;  // bytes of extracted text
  bool cancelled = false;
  // A sink ended the search: the front end's output closed or failed, and
  // nobody is left to tell of the rest.
  bool stoppedByOutput = false;
  // The report: its path text, whether the search created it, whether lines
  // were lost (a full disk, a folder that does not exist) and whether the
  // cause was another search holding it.
  std::string report;
  bool reportCreated = false;
  bool reportIncomplete = false;
  bool reportHeldByAnother = false;
  // The search stopped early: the report could not take a notice, or memory
  // ran out outside a file's lines.
  bool aborted = false;
  ExportStatus workbook = ExportStatus::NotRun;
  std::string workbookPath;
  // Files whose scan ended early (a read error, memory exhausted): the
  // counts miss what they hold.
  std::vector<std::string> notWhole;
  // Files read as GBK that are UTF-8 beyond ASCII as far as they were read:
  // the automatic encoding would read them as UTF-8; and files read as GBK
  // that start with a UTF-16 mark.
  std::int64_t looksLikeUtf8 = 0;
  std::int64_t utf16Marked = 0;
  // Files whose text was read (opened, not binary); files passed over as
  // binary; files whose scan stopped at the per-file limit.
  std::int64_t filesRead = 0;
  std::int64_t binaryFiles = 0;
  std::int64_t limitReached = 0;
};

// What a search lost, each at most once, in the order the user is told.
enum class Loss {
  ReportHeldByAnother,  // another search writes the report: none of its lines went in
  ReportNotCreated,     // the report could not be created: its lines are lost
  ReportIncomplete,     // some lines could not be written (a full disk)
  Aborted,              // the search ended early: later files were not searched
  WorkbookFailed,       // the workbook could not be written whole
  FilesNotWhole         // outcome.notWhole: files read only in part
};

inline std::vector<Loss> Losses(const SearchOutcome& outcome) {
  std::vector<Loss> losses;
  if (outcome.reportHeldByAnother)
    losses.push_back(Loss::ReportHeldByAnother);
  else if (outcome.reportIncomplete)
    losses.push_back(outcome.reportCreated ? Loss::ReportIncomplete : Loss::ReportNotCreated);
  if (outcome.aborted) losses.push_back(Loss::Aborted);
  if (outcome.workbook == ExportStatus::Failed) losses.push_back(Loss::WorkbookFailed);
  if (!outcome.notWhole.empty()) losses.push_back(Loss::FilesNotWhole);
  return losses;
}
