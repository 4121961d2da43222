// --files-from FILE: the paths a search takes from a list, so that
// `git ls-files -z | glyphwell-scan --files-from - -0` scans what git tracks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a list: at NUL bytes when nulSeparated, else at line ends (a CR
// before the LF is dropped). Empty entries are skipped. Paths are appended.
void SplitPathList(std::string_view list, bool nulSeparated, std::vector<std::string>& paths);

// Reads the list in file (a native path; "-" is standard input) and appends
// its paths. false, with error naming the file, when it cannot be read.
bool ReadPathList(const std::string& file, bool nulSeparated, std::vector<std::string>& paths, std::string& error);
