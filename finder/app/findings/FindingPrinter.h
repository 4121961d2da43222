// Prints findings in the formats editors and CI read, UTF-8 on a FILE*:
//   vimgrep  PATH:LINE:COLUMN:TEXT, the column in bytes (Vim's %c, rg --vimgrep)
//   json     JSON Lines: one object per finding, then one summary object
//   sarif    one SARIF 2.1.0 document for GitHub code scanning
//   github   GitHub Actions workflow commands, capped as GitHub shows them
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "finder/app/findings/Finding.h"

class FindingPrinter {
 public:
  virtual ~FindingPrinter() = default;
  // Called once before the first finding.
  virtual void Begin() {}
  // Each new finding, in walk order; each file's findings come together.
  virtual void Print(const Finding& finding) = 0;
  // Closes the listing and flushes it; false when some output could not be
  // written (a full disk, a closed pipe).
  virtual bool End(const FindingSummary& summary) = 0;
  // True once a write has failed; what follows is dropped.
  virtual bool Failed() const = 0;
  // True when that failure was the reader going away (a closed pipe): the
  // listing ends there without a word, as any filter's does.
  virtual bool Closed() const { return false; }
  // True when the format prints Finding::occurrence; numbering costs a
  // lookup per finding, spared where nothing needs it.
  virtual bool UsesOccurrence() const { return false; }
};

// GitHub shows at most ten warning annotations of one step (and fifty of a
// job, which a step cannot know of) and drops the rest without a word.
constexpr int kGithubAnnotationsPerStep = 10;

struct PrinterOptions {
  // The folder that SARIF URIs, GitHub annotations and baseline paths are
  // relative to; "" means the current folder.
  std::string currentFolder;
  // SARIF tool.driver: the product's version, and where to read about it
  // (left out when empty).
  std::string toolVersion = "0.80";
  std::string informationUri;
  // Warning annotations the github format prints before its closing notice.
  int annotationLimit = kGithubAnnotationsPerStep;
  // The character set in force ("gbk" or "han"), which the JSON summary and
  // the SARIF messages name.
  std::string characterSet = "gbk";
  // Each finding's labels (Finding::context) are printed: before the text in
  // vimgrep and github, as "context" in json, in a property bag in sarif.
  bool context = false;
  // Findings are skipped by their labels: the closing counts say how many.
  bool skipping = false;
};

// The names MakePrinter knows, for help and error texts.
constexpr std::string_view kFindingFormats = "vimgrep, json, sarif, github";

// A printer of the named format writing to out, nullptr for an unknown name.
std::unique_ptr<FindingPrinter> MakePrinter(std::string_view format, std::FILE* out,
                                            const PrinterOptions& options = {});
