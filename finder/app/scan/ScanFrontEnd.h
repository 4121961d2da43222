// The terminal front end over the scan engine: glyphwell-scan.
#pragma once

#include <cstdio>

#include "finder/app/scan/ScanOptions.h"

// Runs one search as the options say and returns the exit status. out
// receives the completion text (or the findings), err messages and progress.
int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err);

// The whole program: arguments, help, version, the search.
int ScanMain(int argc, char** argv);
