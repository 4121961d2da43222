// A search as both front ends start it: made from the user's choices, checked,
// the last search's files cleared, and after its end the UTF-8 copy of the
// report for the desktop.
#pragma once

#include <string>
#include <vector>

#include "finder/app/settings/FinderSettings.h"
#include "finder/engine/ScanSettings.h"
#include "finder/engine/SearchScope.h"

// The roots of the dialog's one search: its file or its folder, by its mode.
std::vector<SearchRoot> RootsFromFields(const FinderFields& fields);

// The one way the user's choices become a search: the engine's settings
// (the running flag and the progress sink stay the caller's) and the scope
// over roots.
void MakeSearch(const FinderFields& fields, std::vector<SearchRoot> roots, ScanSettings& settings,
                SearchScope& scope);

// The checks before a start, in order: every root exists ("目录 … 不存在!",
// "文件 … 不存在!"), and the report is not one of the files to be read.
// Empty when the search may start, otherwise the message (CP936).
std::string CheckStart(const ScanSettings& settings, const SearchScope& scope);

// The last search's report and its UTF-8 copy go (regular files only), so
// that a search without hits leaves neither.
void ClearOldReport(const std::string& report);

// Where the UTF-8 copy of a report lies: beside it, ".utf8" before the
// extension ("c:\GlyphwellResult.utf8.txt").
std::string Utf8CopyPath(const std::string& report);
// Writes the copy from the closed report: the same lines and line ends, in
// UTF-8; a byte that does not decode becomes U+FFFD and the rest still
// reads. False when it could not be written.
bool WriteUtf8Copy(const std::string& report);
