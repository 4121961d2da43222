#include "finder/app/scan/ScanFrontEnd.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/PathExclusions.h"
#include "finder/app/findings/PathList.h"
#include "finder/app/scan/FindingsOutput.h"
#include "finder/app/scan/Terminal.h"
#include "finder/app/search/FinderTexts.h"
#include "finder/app/search/SearchStart.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/export/WorkbookExport.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/ThisProcess.h"

namespace {

std::atomic<unsigned char> g_running{1};

void OnInterrupt(int) { g_running.store(0); }

}  // namespace

namespace {

// --exclude over the walk's paths, which are system texts.
class Exclusions : public PathFilter {
 public:
  bool Add(const std::string& glob, std::string& error) { return globs_.Add(glob, error); }
  bool Empty() const { return globs_.Empty(); }
  bool Excludes(std::string_view relativePath, bool folder) const override {
    return globs_.Excludes(platform::AnsiToUtf8OrRaw(relativePath), folder);
  }

 private:
  PathExclusions globs_;
};

// The paths typed and listed, each a root: a folder to walk or a file.
bool CollectRoots(const ScanOptions& options, const Exclusions& exclusions, std::vector<SearchRoot>& roots,
                  std::string& error) {
  std::vector<std::string> paths = options.paths;
  for (const std::string& list : options.filesFrom)
    if (!ReadPathList(list, options.nulSeparated, paths, error)) return false;
  const std::string here = findings::CurrentFolder();
  for (const std::string& typed : paths) {
    const std::string path = platform::Utf8ToAnsiOrRaw(typed);
    const bool endsInSeparator = !typed.empty() && (typed.back() == '/' || typed.back() == '\\');
    const bool directory = endsInSeparator || platform::IsDirectory(path);
    // A file named by itself (pre-commit's staged files) is held against the
    // exclusions by its path from here.
    if (!directory && !exclusions.Empty() && exclusions.Excludes(findings::RelativePath(typed, here), false)) continue;
    roots.push_back(SearchRoot{path, directory});
  }
  return true;
}

}  // namespace

int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err) {
  const auto usageError = [err](const std::string& error) {
    std::fprintf(err, "glyphwell-scan: %s\n", error.c_str());
    return 2;
  };
  Exclusions exclusions;
  std::string error;
  for (const std::string& glob : options.excludes)
    if (!exclusions.Add(glob, error)) return usageError(error);
  std::vector<SearchRoot> roots;
  if (!CollectRoots(options, exclusions, roots, error)) return usageError(error);

  // Findings go to stdout; a report and a workbook only when asked for then.
  const bool findingsShown = !options.format.empty();
  const bool findingsCounted = findingsShown || options.check || !options.baseline.empty();
  FinderFields fields = options.search;
  if (findingsShown && !options.reportGiven) fields.strLogFile.clear();
  ScanSettings settings;
  SearchScope scope;
  MakeSearch(fields, std::move(roots), settings, scope);
  if (!exclusions.Empty()) scope.exclude = &exclusions;
  settings.runningFlag = &g_running;
  settings.keepHitLines = findingsCounted;
  TerminalProgress progress(err);
  if (!options.quiet && isatty(fileno(err))) settings.notifyWindow = &progress;
  TerminalMessages messages(err, progress);

  if (const std::string refusal = CheckStart(settings, scope); !refusal.empty()) {
    messages.ShowMessage(refusal, texts::kCaption, MessageKind::Stop);
    return 2;
  }
  FindingsOutput findings;
  if (findingsCounted && !findings.Open(options, scope.roots, out, error)) return usageError(error);

  HanziSearcher searcher(settings);
  searcher.SetWorkers(options.threads > 0 ? options.threads : DefaultThreads());
  TerminalProblems problems(err, progress);
  searcher.SetProblemSink(&problems);
  if (findingsCounted) searcher.SetHitLineSink(&findings);
  WorkbookExport workbook;
  workbook.SetMessageSink(&messages);
  if (findingsShown ? options.exportGiven : options.exportWorkbook) searcher.SetSummaryExport(&workbook);

  // Ctrl+C cancels like the dialog's cancel button: the report is closed and
  // the summary still written.
  g_running.store(1);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  struct sigaction oldInt {}, oldTerm {};
  sigaction(SIGINT, &action, &oldInt);
  sigaction(SIGTERM, &action, &oldTerm);
  platform::IgnoreBrokenPipes();

  if (!settings.strLogFile.empty()) ClearOldReport(settings.strLogFile);
  const SearchOutcome outcome = searcher.Search(scope);
  progress.Clear();

  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);

  int status = 0;
  if (findingsCounted && !findings.Close(outcome.fileCount, outcome.charCount, error)) {
    std::fprintf(err, "glyphwell-scan: %s\n", error.c_str());
    status = 2;
  }
  // The completion text goes where it cannot mix with findings.
  const std::string completion = platform::AnsiToUtf8Lenient(CompletionText(outcome));
  if (!findingsShown) {
    std::fprintf(out, "%s\n", completion.c_str());
    std::fflush(out);
  } else if (!options.quiet) {
    std::fprintf(err, "%s\n", completion.c_str());
  }
  if (!options.quiet && outcome.reportCreated)
    std::fprintf(err, "glyphwell-scan: the report is %s\n", TerminalText(platform::Utf8ToAnsiOrRaw(platform::ToNative(outcome.report))).c_str());
  if (outcome.looksLikeUtf8 > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) read as GBK look like UTF-8; --encoding auto reads them as UTF-8\n",
                 static_cast<long long>(outcome.looksLikeUtf8));
  if (outcome.reportIncomplete) {
    std::fprintf(err, "glyphwell-scan: the report %s is incomplete: %s\n", TerminalText(outcome.report).c_str(),
                 outcome.reportHeldByAnother ? "another search is writing it, so its lines could not be written"
                                             : "some of its lines could not be written");
    status = 2;
  }
  if (outcome.workbook == ExportStatus::Failed) {
    std::fprintf(err, "glyphwell-scan: the workbook %s could not be written\n", TerminalText(outcome.workbookPath).c_str());
    status = 2;
  }
  if (!outcome.notWhole.empty()) {
    std::fprintf(err, "glyphwell-scan: %zu file(s) could not be scanned whole; the counts miss what they hold\n",
                 outcome.notWhole.size());
    status = 2;
  }
  // A check never passes on what it could not read.
  if (options.check && problems.Unreadable() > 0) status = 2;
  if (status != 0) return status;
  if (outcome.cancelled) return 130;  // as a program ended by Ctrl+C
  // Writing a baseline is the step's job: done, it succeeded.
  if (options.updateBaseline) return 0;
  if (options.check) return findings.NewFindings() > 0 ? 1 : 0;
  if (findingsCounted) return findings.NewFindings() > 0 ? 0 : 1;
  return outcome.charCount > 0 ? 0 : 1;
}

int ScanMain(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  ScanOptions options;
  std::string error;
  if (!ParseScanOptions(args, options, error)) {
    std::fprintf(stderr, "glyphwell-scan: %s\nTry 'glyphwell-scan --help' for more information.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ScanUsage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("glyphwell-scan %s\n", GLYPHWELL_VERSION);
    return 0;
  }
  return RunScan(options, stdout, stderr);
}
