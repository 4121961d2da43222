// The terminal front end over the scan engine: options, the missing-path
// checks, progress on stderr and the completion text on stdout.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "finder/app/settings/FinderSettings.h"

struct ScanOptions {
  // The choices a search is made from, as the dialog's fields hold them (in
  // CP936), with their defaults; the options set them.
  FinderFields search;
  std::vector<std::string> paths;  // as typed (UTF-8), searched in this order
  bool exportWorkbook = true;
  bool quiet = false;
  int threads = 0;  // workers reading files; 0: one per processor, at most 8
  bool help = false;
  bool version = false;
};

// The workers a search uses when not told: one per processor, at most 8.
int DefaultThreads();

// A path text as the terminal may show it: UTF-8, with control characters
// (C0, DEL and C1, which a terminal obeys) written as \xHH, so that a name
// holding escape sequences can neither retitle nor clear the terminal.
std::string TerminalText(std::string_view ansi);

// Parses the arguments after the program name. On false, error says why.
bool ParseScanOptions(const std::vector<std::string>& args, ScanOptions& options, std::string& error);

// Runs one search as the options say and returns the exit status: 0 when
// characters were found, 1 when none, 2 for a missing path or an unwritable
// report. out receives the completion text, err messages and progress.
int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err);

// The whole program: arguments, help, version, the search.
int ScanMain(int argc, char** argv);
