#include "finder/app/search/SearchStart.h"

#include "finder/app/search/FinderTexts.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"

std::vector<SearchRoot> RootsFromFields(const FinderFields& fields) {
  if (fields.FileOrPath != 0) return {SearchRoot{fields.Path, true}};
  return {SearchRoot{fields.FileName, false}};
}

void MakeSearch(const FinderFields& fields, std::vector<SearchRoot> roots, ScanSettings& settings,
                SearchScope& scope) {
  settings.strLogFile = fields.strLogFile;
  settings.SearchUnicode = fields.SearchUnicode;
  settings.LimitHanZiCountEachFile = fields.LimitHanZiCountEachFile;
  // A negative limit becomes a very large one, so it never cuts a file.
  settings.MaxHanZiCountEachFile = static_cast<std::uint32_t>(fields.MaxHanZiCountEachFile);
  settings.strStartTag = fields.strStartTag;
  settings.Encoding = fields.Encoding;
  settings.Chars = fields.Chars;
  scope.roots = std::move(roots);
  scope.includeSubdirectories = fields.IncludeSubPath == 1;
  scope.patterns = fields.FileType;
}

std::string CheckStart(const ScanSettings& settings, const SearchScope& scope) {
  for (const SearchRoot& root : scope.roots) {
    if (root.directory ? !DirectoryExists(root.path) : !FileExists(root.path))
      return Ansi(root.directory ? texts::kDirectoryPrefix : texts::kFilePrefix) + root.path +
             Ansi(texts::kMissingSuffix);
  }
  if (ReportIsASource(settings.strLogFile, scope) || ReportIsASource(Utf8CopyPath(settings.strLogFile), scope))
    return Ansi(texts::kReportPrefix) + settings.strLogFile + Ansi(texts::kReportIsSourceSuffix);
  return {};
}

void ClearOldReport(const std::string& report) {
  platform::RemoveFile(report);
  platform::RemoveFile(Utf8CopyPath(report));
}

std::string Utf8CopyPath(const std::string& report) {
  std::string directory, name;
  platform::SplitLastComponent(report, directory, name);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return report + ".utf8";
  return directory + name.substr(0, dot) + ".utf8" + name.substr(dot);
}

bool WriteUtf8Copy(const std::string& report) {
  std::string content;
  if (platform::ReadWholeFile(report, content) != 0) return false;
  return platform::ReplaceFileContent(Utf8CopyPath(report), platform::AnsiToUtf8Lenient(content));
}
