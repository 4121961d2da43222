// glyphwell-scan's command line.
#pragma once

#include <string>
#include <vector>

#include "finder/app/settings/FinderSettings.h"
#include "finder/context/SourceContext.h"

struct ScanOptions {
  // The choices a search is made from, as the dialog's fields hold them (in
  // CP936), with their defaults; the options set them.
  FinderFields search;
  std::vector<std::string> paths;  // as typed (UTF-8), searched in this order
  bool reportGiven = false;        // --report
  bool limitGiven = false;         // --limit or --no-limit
  bool encodingGiven = false;      // --encoding
  bool charsGiven = false;         // --chars
  bool patternsGiven = false;      // --patterns
  bool noIgnore = false;           // --no-ignore: read what Git ignores too
  bool exportWorkbook = true;      // --no-export clears it
  bool exportGiven = false;        // --export
  bool quiet = false;
  int threads = 0;  // workers reading files; 0: one per processor, at most 8
  // Findings for editors and CI.
  std::string format;                 // --format: vimgrep, json, sarif, github
  std::vector<std::string> filesFrom;  // --files-from lists, "-" for stdin
  bool nulSeparated = false;           // -0
  std::vector<std::string> excludes;   // --exclude GLOB
  std::string baseline;                // --baseline FILE
  bool updateBaseline = false;
  bool check = false;
  // What a finding is in its source file, and Chinese written as escapes.
  bool context = false;                // --context: print each finding's labels
  context::Labels skip = 0;            // --skip: drop findings with any of these
  context::CallNames calls;            // --log-calls, --i18n-calls
  bool escapes = false;                // --escapes
  bool help = false;
  bool version = false;

  // --format, --check or --baseline: the developers' tool, with a
  // developer's defaults (see ScanUsage).
  bool FindingsMode() const { return !format.empty() || check || !baseline.empty(); }
  // The findings are labelled: shown, or some skipped by their labels.
  bool Labelled() const { return context || skip != 0; }
};

// The workers a search uses when not told: one per processor, at most 8.
int DefaultThreads();

// The help text.
const char* ScanUsage();

// Parses the arguments after the program name. On false, error says why.
bool ParseScanOptions(const std::vector<std::string>& args, ScanOptions& options, std::string& error);
