// Where a search hands its findings, in scan order: each is numbered among
// the equal texts of its file, held against the baseline, recorded for a new
// baseline, and printed when it is new.
#pragma once

#include <cstdint>

#include "finder/app/findings/Baseline.h"
#include "finder/app/findings/Finding.h"
#include "finder/app/findings/FindingPrinter.h"

class FindingStream {
 public:
  // baseline and recorder may be null: no baseline read, none written.
  // covered tells which of the baseline's files the scan looked at (all
  // when not given).
  explicit FindingStream(FindingPrinter& printer, Baseline* baseline = nullptr, BaselineRecorder* recorder = nullptr,
                         Baseline::Covered covered = {});

  void Begin() { printer_.Begin(); }
  // Fills in finding.occurrence where the baseline or the format needs it;
  // true when the finding is new and printed. A skipped finding is never
  // printed nor counted as new, but it is numbered, recorded and matched
  // against the baseline as any other, so that skipping some findings
  // neither renumbers the others nor makes accepted ones look gone.
  bool Add(Finding& finding, bool skipped = false);
  // The counters of the search so far; files and characters are the scan's.
  FindingSummary Summary(std::int64_t files, std::int64_t characters) const;
  // Closes the listing with Summary; false when the output failed.
  bool End(std::int64_t files, std::int64_t characters) { return printer_.End(Summary(files, characters)); }

  std::int64_t NewFindings() const { return new_; }
  std::int64_t Suppressed() const { return suppressed_; }

 private:
  FindingPrinter& printer_;
  Baseline* baseline_;
  BaselineRecorder* recorder_;
  Baseline::Covered covered_;
  bool numbered_;
  OccurrenceCounter occurrences_;
  std::int64_t new_ = 0;
  std::int64_t suppressed_ = 0;
  std::int64_t skipped_ = 0;
};
