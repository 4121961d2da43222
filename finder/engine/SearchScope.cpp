#include "finder/engine/SearchScope.h"

#include <vector>

#include "finder/engine/DirectoryWalker.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"

namespace {

// The walk of folder reaches the report (the native reportNative, links
// resolved) under a name that a pattern matches.
bool WalkReaches(const std::string& reportNative, const std::string& folder, const SearchScope& scope) {
  std::string folderNative;
  if (!platform::RealPath(folder, folderNative)) return false;
  const std::size_t slash = reportNative.rfind('/');
  const std::string reportFolder = reportNative.substr(0, slash == 0 ? 1 : slash);
  const bool inFolder = reportFolder == folderNative;
  const std::string prefix = folderNative == "/" ? "/" : folderNative + "/";
  const bool below = scope.includeSubdirectories && reportFolder.compare(0, prefix.size(), prefix) == 0;
  if (!inFolder && !below) return false;
  const std::string name = platform::Utf8ToAnsiOrRaw(reportNative.substr(slash + 1));
  std::vector<std::string> pieces;
  SplitList(scope.patterns, ';', pieces);
  for (const std::string& piece : pieces)
    if (!piece.empty() && platform::MatchesPattern(name, piece)) return true;
  return false;
}

}  // namespace

bool ReportIsASource(const std::string& report, const SearchScope& scope) {
  platform::FileIdentity reportFile, searched;
  if (!platform::GetIdentity(report, reportFile)) return false;  // nothing there to lose
  std::string reportNative;
  if (!platform::RealPath(report, reportNative)) return false;
  for (const SearchRoot& root : scope.roots) {
    if (!root.directory) {
      if (platform::GetIdentity(root.path, searched) && searched == reportFile) return true;
    } else if (WalkReaches(reportNative, root.path, scope)) {
      return true;
    }
  }
  return false;
}
