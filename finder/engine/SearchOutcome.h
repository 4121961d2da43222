// How a search ended: what both front ends tell the user, from one record.
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
  // the automatic encoding would read them as UTF-8.
  std::int64_t looksLikeUtf8 = 0;

  // Something the user would otherwise take as found is missing.
  bool SomethingLost() const {
    return reportIncomplete || aborted || workbook == ExportStatus::Failed || !notWhole.empty();
  }
};
