// The terminal front end over the scan engine: glyphwell-scan.
#pragma once

#include <cstdint>
#include <cstdio>

#include "finder/app/scan/ScanOptions.h"
#include "finder/engine/SearchOutcome.h"

// Runs one search as the options say and returns the exit status. out
// receives the completion text (or the findings), err messages and progress.
int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err);

// The exit status of a search that ran: 2 when its output failed or
// anything was lost (an aborted search included); with --check also when a
// file or folder could not be read; 130 after a cancel; otherwise 0 or 1 by
// what was found (with --check, 1 for a new finding).
int ExitStatus(const ScanOptions& options, const SearchOutcome& outcome, bool outputFailed, long unreadable,
               std::int64_t newFindings);

// The whole program: arguments, help, version, the search.
int ScanMain(int argc, char** argv);
