// What one search covers, and the check of it that comes before a start.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Files and folders a walk passes over, by their path below the folder
// walked (root, as the search was given it; relativePath a system text with
// "/" between names); a folder passed over is not entered.
class PathFilter {
 public:
  virtual ~PathFilter() = default;
  virtual bool Excludes(std::string_view root, std::string_view relativePath, bool folder) const = 0;
};

// A file or a folder to search, as the user gave it (a system text).
struct SearchRoot {
  std::string path;
  bool directory = true;
};

// One search: its roots in order, each walked (a folder) or scanned (a
// file), into one report with one set of counters. The dialog always gives
// one root.
struct SearchScope {
  std::vector<SearchRoot> roots;
  bool includeSubdirectories = true;  // in folders: their subfolders too
  std::string patterns;               // file-name patterns of the walk, ";" between them
  const PathFilter* exclude = nullptr;  // none: the walk takes every match
};

// True when the report path names an existing file that the search would
// read: a root that is that file, or a file in a folder root (or below it,
// with subfolders) whose name matches one of the patterns. Deleting the old
// report would then delete a file to be searched.
bool ReportIsASource(const std::string& report, const SearchScope& scope);
