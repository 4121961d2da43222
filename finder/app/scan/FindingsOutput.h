// glyphwell-scan's findings: the runs of characters that the search tells
// (each with its place) as findings, held against the baseline and printed
// in the chosen format.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "finder/app/findings/Baseline.h"
#include "finder/app/findings/FindingPrinter.h"
#include "finder/app/findings/FindingStream.h"
#include "finder/app/scan/ScanOptions.h"
#include "finder/engine/FindingRuns.h"
#include "finder/engine/SearchScope.h"
#include "finder/engine/Sinks.h"

class FindingsOutput : public RunSink {
 public:
  // Sets it up as the options say (format, baseline); false with error
  // when the format is unknown or the baseline cannot be read.
  bool Open(const ScanOptions& options, const std::vector<SearchRoot>& roots, std::FILE* out, std::string& error);

  // Ends the search once the findings can no longer be printed.
  SinkVerdict Runs(const std::string& path, platform::TextEncoding encoding, std::int64_t lineNumber,
                   std::string_view locator, std::vector<CharacterRun>& runs) override;

  // Closes the listing with the search's counters and, when asked, writes
  // the new baseline, only from a search that saw everything it covers
  // (complete), since a baseline of part of a tree would forget the rest.
  // False with error when the output or the baseline failed, or the
  // baseline was not written; an output whose reader went away (a closed
  // pipe) fails quietly, with no error.
  bool Close(std::int64_t files, std::int64_t characters, bool complete, std::string& error);
  std::int64_t NewFindings() const { return stream_ ? stream_->NewFindings() : 0; }

 private:
  std::unique_ptr<FindingPrinter> printer_;
  std::optional<Baseline> baseline_;
  std::optional<BaselineRecorder> recorder_;
  std::optional<FindingStream> stream_;
  std::string baselineFile_;
  Baseline::Covered covered_;
  // The current file's name in UTF-8, and the finding reused run to run.
  std::string path_;
  Finding finding_;
  // Labels are printed (--context); findings with these are skipped (--skip).
  bool context_ = false;
  context::Labels skip_ = 0;
};

// The roots' paths as a baseline holds them (relative to the current
// folder): a file scanned, or a folder walked, covers the baseline's
// entries of that file or of files below that folder.
Baseline::Covered CoveredBy(const std::vector<SearchRoot>& roots);
