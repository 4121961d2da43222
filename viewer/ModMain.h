// Start-up module of the viewer: loading the result report.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/ReportFormat.h"
#include "viewer/ListBoxItems.h"
#include "viewer/support/ClsObjMap.h"

// The report the viewer reads when it is given none: where a search writes
// it by default.
inline constexpr const char* kReportPath = platform::kDefaultReportPath;

// The report named on the command line (native bytes) as a path text: a
// relative name is taken from the current folder, so that a running viewer
// it is handed to finds the same file; a drive path stays as it is.
std::string ReportPathFromArgument(std::string_view nativeArgument);

// Reads the report at strReportPath (a CP936 path text): every "Input file:"
// header adds its path to lstFileName, every numbered line adds its number and
// the rest of the line to that file's row map in mapFiles, created at the
// file's first numbered line (rows before any header go under the key "").
// A report that cannot be opened or read, or a line number already present in
// its file's row map, raises a RunTimeError; what was loaded before stays.
void LoadReport(const std::string& strReportPath, ClsObjMap& mapFiles, ListBoxItems& lstFileName);

// How a refresh of the report went.
struct RefreshResult {
  bool reportOpened = false;  // false: the report could not be opened, nothing was loaded
  std::string loadError;      // the error that stopped the load early; empty when it ran to the end
};

// The refresh steps after the window has cleared its lists and blanked the
// browser: when the report opens, mapFiles is replaced by a new, empty file
// map and the report is loaded into it and lstFileName; otherwise mapFiles
// stays as it was. Never raises a RunTimeError.
RefreshResult RefreshReport(const std::string& strReportPath, ClsObjMap& mapFiles, ListBoxItems& lstFileName);

// The viewer's program folder, ending in "/".
extern std::string gAppPath;
// The viewer's settings file: made by InitIniFile, released when the window closes.
class ClsIni;
extern std::unique_ptr<ClsIni> gIni;

// Sets gAppPath and gives gIni the settings file "Tallyview.ini": beside the
// program when the user may write there, otherwise in the user's settings
// folder.
void InitIniFile();
