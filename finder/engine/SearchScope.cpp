#include "finder/engine/SearchScope.h"

#include <vector>

#include "finder/engine/DirectoryWalker.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"

bool ReportIsASource(const std::string& report, bool directoryMode, const std::string& path,
                     bool includeSubdirectories, const std::string& patterns) {
  platform::FileIdentity reportFile, searched;
  if (!platform::GetIdentity(report, reportFile)) return false;  // nothing there to lose
  if (!directoryMode) return platform::GetIdentity(path, searched) && searched == reportFile;

  // The report's own folder and name, links resolved, against the folder
  // searched: the walk reaches the same file under that name.
  std::string reportNative, folderNative;
  if (!platform::RealPath(report, reportNative) || !platform::RealPath(path, folderNative)) return false;
  const std::size_t slash = reportNative.rfind('/');
  const std::string reportFolder = reportNative.substr(0, slash == 0 ? 1 : slash);
  const bool inFolder = reportFolder == folderNative;
  const std::string prefix = folderNative == "/" ? "/" : folderNative + "/";
  const bool below = includeSubdirectories && reportFolder.compare(0, prefix.size(), prefix) == 0;
  if (!inFolder && !below) return false;
  const std::string name = platform::Utf8ToAnsiOrRaw(reportNative.substr(slash + 1));
  std::vector<std::string> pieces;
  SplitList(patterns, ';', pieces);
  for (const std::string& piece : pieces)
    if (!piece.empty() && platform::MatchesPattern(name, piece)) return true;
  return false;
}
