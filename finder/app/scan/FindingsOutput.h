// glyphwell-scan's findings: the lines with characters that the search tells
// turned into findings (each run of counted characters with its place),
// held against the baseline and printed in the chosen format.
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

class FindingsOutput : public HitLineSink {
 public:
  // Sets it up as the options say (format, baseline); false with error
  // when the format is unknown or the baseline cannot be read.
  bool Open(const ScanOptions& options, const std::vector<SearchRoot>& roots, std::FILE* out, std::string& error);

  void HitLine(const std::string& path, platform::TextEncoding encoding, bool systemText, std::int64_t lineNumber,
               std::string_view line) override;

  // Closes the listing with the search's counters and writes the new
  // baseline when asked; false with error when output or baseline failed.
  bool Close(std::int64_t files, std::int64_t characters, std::string& error);
  std::int64_t NewFindings() const { return stream_ ? stream_->NewFindings() : 0; }

 private:
  std::unique_ptr<FindingPrinter> printer_;
  std::optional<Baseline> baseline_;
  std::optional<BaselineRecorder> recorder_;
  std::optional<FindingStream> stream_;
  std::string baselineFile_;
  Baseline::Covered covered_;
  bool references_ = true;
  // The current file's name in UTF-8, and its runs, reused line to line.
  std::string path_, pathUtf8_;
  std::vector<CharacterRun> runs_;
};

// The roots' paths as a baseline holds them (relative to the current
// folder): a file scanned, or a folder walked, covers the baseline's
// entries of that file or of files below that folder.
Baseline::Covered CoveredBy(const std::vector<SearchRoot>& roots);
