#include "finder/app/scan/ScanFrontEnd.h"

#include <atomic>
#include <csignal>
#include <optional>
#include <cstdio>
#include <unistd.h>

#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/GitIgnores.h"
#include "finder/app/findings/IgnoreMarker.h"
#include "finder/app/findings/PathExclusions.h"
#include "finder/app/findings/PathList.h"
#include "finder/app/scan/FindingsOutput.h"
#include "finder/app/scan/SourceLabels.h"
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

// What the walk passes over: --exclude's globs; in findings mode also every
// ".git", and (unless --no-ignore) what Git ignores. The walk's paths are
// system texts.
class Exclusions : public PathFilter {
 public:
  bool Add(const std::string& glob, std::string& error) { return globs_.Add(glob, error); }
  void ForFindings(bool gitIgnores) {
    skipGitFolders_ = true;
    if (gitIgnores) git_.emplace();
  }
  // No glob: a file named by itself is never passed over.
  bool Empty() const { return globs_.Empty(); }
  bool Active() const { return !globs_.Empty() || skipGitFolders_; }
  bool Excludes(std::string_view root, std::string_view relativePath, bool folder) const override {
    const std::string relative = platform::AnsiToUtf8OrRaw(relativePath);
    if (skipGitFolders_ && relative.substr(relative.rfind('/') + 1) == ".git") return true;
    if (globs_.Excludes(relative, folder)) return true;
    if (!git_) return false;
    if (root != root_) {  // the walk asks of one root at a time
      root_ = root;
      nativeRoot_ = platform::ToNative(root);
    }
    return git_->Ignored(nativeRoot_, relative, folder);
  }
  bool Excludes(std::string_view relativePath, bool folder) const {
    return globs_.Excludes(platform::AnsiToUtf8OrRaw(relativePath), folder);
  }

 private:
  PathExclusions globs_;
  bool skipGitFolders_ = false;
  std::optional<GitIgnores> git_;
  mutable std::string root_, nativeRoot_;
};

bool NothingSearched(const SearchOutcome& outcome) {
  return outcome.filesRead == 0 && !outcome.cancelled && !outcome.stoppedByOutput;
}

// How the files were read, where it may surprise: no file read at all,
// binary files passed over, files stopped at the limit, files that another
// encoding would read better.
void TellReading(std::FILE* err, const ScanOptions& options, const SearchOutcome& outcome) {
  if (NothingSearched(outcome)) {
    std::string paths;
    for (const std::string& path : options.paths) paths += (paths.empty() ? "" : ", ") + path;
    for (const std::string& list : options.filesFrom) paths += (paths.empty() ? "paths listed in " : ", paths listed in ") + list;
    std::fprintf(err, "glyphwell-scan: no file was searched in %s (patterns \"%s\")%s\n", TerminalText(Ansi(paths)).c_str(),
                 TerminalText(options.search.FileType).c_str(),
                 outcome.binaryFiles > 0 ? "; binary files are passed over" : "");
  }
  if (outcome.binaryFiles > 0)
    std::fprintf(err, "glyphwell-scan: %lld binary file(s) passed over\n", static_cast<long long>(outcome.binaryFiles));
  if (outcome.limitReached > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) stopped at the per-file limit of %u bytes; --no-limit reads them whole\n",
                 static_cast<long long>(outcome.limitReached),
                 static_cast<unsigned>(options.search.MaxHanZiCountEachFile));
  if (outcome.looksLikeUtf8 > 0 && outcome.utf16Marked > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) read as GBK look like UTF-8 and %lld start with a UTF-16 mark; "
                      "--encoding auto reads them as such\n",
                 static_cast<long long>(outcome.looksLikeUtf8), static_cast<long long>(outcome.utf16Marked));
  else if (outcome.looksLikeUtf8 > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) read as GBK look like UTF-8; --encoding auto reads them as UTF-8\n",
                 static_cast<long long>(outcome.looksLikeUtf8));
  else if (outcome.utf16Marked > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) read as GBK start with a UTF-16 mark; --encoding auto reads them "
                      "as UTF-16\n",
                 static_cast<long long>(outcome.utf16Marked));
}

// What the search lost, a line each; the exit status is then 2.
void TellLosses(std::FILE* err, const SearchOutcome& outcome, const std::vector<Loss>& losses) {
  const std::string report = TerminalText(outcome.report);
  for (const Loss loss : losses) {
    switch (loss) {
      case Loss::ReportHeldByAnother:
        std::fprintf(err, "glyphwell-scan: the report %s is incomplete: another search is writing it, so its lines "
                          "could not be written\n", report.c_str());
        break;
      case Loss::ReportNotCreated:
        std::fprintf(err, "glyphwell-scan: the report %s could not be created, so its lines could not be written\n", report.c_str());
        break;
      case Loss::ReportIncomplete:
        std::fprintf(err, "glyphwell-scan: the report %s is incomplete: some of its lines could not be written\n",
                     report.c_str());
        break;
      case Loss::Aborted:
        std::fprintf(err, "glyphwell-scan: the search ended early (the report could not take a line, or memory ran "
                          "out); the files after that were not searched\n");
        break;
      case Loss::WorkbookFailed:
        std::fprintf(err, "glyphwell-scan: the workbook %s could not be written\n",
                     TerminalText(outcome.workbookPath).c_str());
        break;
      case Loss::FilesNotWhole:
        std::fprintf(err, "glyphwell-scan: %zu file(s) could not be scanned whole; the counts miss what they hold\n",
                     outcome.notWhole.size());
        break;
    }
  }
}

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
  if (options.FindingsMode()) exclusions.ForFindings(!options.noIgnore);
  std::vector<SearchRoot> roots;
  if (!CollectRoots(options, exclusions, roots, error)) return usageError(error);

  // Findings go to stdout; a report and a workbook only when asked for then.
  const bool findingsShown = !options.format.empty();
  const bool findingsCounted = options.FindingsMode();
  FinderFields fields = options.search;
  if (findingsCounted && !options.reportGiven) fields.strLogFile.clear();
  ScanSettings settings;
  SearchScope scope;
  MakeSearch(fields, std::move(roots), settings, scope);
  if (exclusions.Active()) scope.exclude = &exclusions;
  settings.findRuns = findingsCounted;
  settings.ignoreMarker = std::string(kIgnoreMarker);
  settings.findEscapes = options.escapes;
  std::optional<SourceLabels> labels;
  if (options.Labelled() || options.escapes)
    labels.emplace(SourceLabelsOptions{options.Labelled(), options.escapes, settings.Chars, options.calls});
  TerminalProgress progress(err);
  TerminalMessages messages(err, progress);

  if (const std::string refusal = CheckStart(settings, scope); !refusal.empty()) {
    messages.ShowMessage(refusal, texts::kCaption, MessageKind::Stop);
    return 2;
  }
  FindingsOutput findings;
  if (findingsCounted && !findings.Open(options, scope.roots, out, error)) return usageError(error);

  HanziSearcher searcher(settings);
  TerminalProblems problems(err, progress);
  WorkbookExport workbook;
  workbook.SetMessageSink(&messages);
  SearchWiring& wiring = searcher.Wiring();
  wiring.runningFlag = &g_running;
  if (!options.quiet && isatty(fileno(err))) wiring.notifyWindow = &progress;
  wiring.problems = &problems;
  wiring.workers = options.threads > 0 ? options.threads : DefaultThreads();
  if (findingsCounted) wiring.runs = &findings;
  if (labels) wiring.annotator = &*labels;
  if (findingsCounted ? options.exportGiven : options.exportWorkbook) wiring.summaryExport = &workbook;

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

  const std::vector<Loss> losses = Losses(outcome);
  const bool complete =
      losses.empty() && !outcome.cancelled && !outcome.stoppedByOutput && problems.Unreadable() == 0;
  bool outputFailed = false;
  if (findingsCounted && !findings.Close(outcome.fileCount, outcome.charCount, complete, error) && !error.empty()) {
    std::fprintf(err, "glyphwell-scan: %s\n", error.c_str());
    outputFailed = true;
  }
  // The completion text goes where it cannot mix with findings; a reader
  // that went away has no use for it.
  const std::string completion = platform::AnsiToUtf8Lenient(CompletionText(outcome));
  if (!findingsShown) {
    std::fprintf(out, "%s\n", completion.c_str());
    std::fflush(out);
  } else if (!options.quiet && !outcome.stoppedByOutput) {
    std::fprintf(err, "%s\n", completion.c_str());
  }
  if (!options.quiet && outcome.reportCreated)
    std::fprintf(err, "glyphwell-scan: the report is %s\n", TerminalText(platform::Utf8ToAnsiOrRaw(platform::ToNative(outcome.report))).c_str());
  TellReading(err, options, outcome);
  TellLosses(err, outcome, losses);
  return ExitStatus(options, outcome, outputFailed, problems.Unreadable(), findings.NewFindings());
}

int ExitStatus(const ScanOptions& options, const SearchOutcome& outcome, bool outputFailed, long unreadable,
               std::int64_t newFindings) {
  if (outputFailed || !Losses(outcome).empty()) return 2;
  // A check never passes on what it could not read, nor on nothing read.
  if (options.check && (unreadable > 0 || NothingSearched(outcome))) return 2;
  if (outcome.cancelled) return 130;  // as a program ended by Ctrl+C
  // Writing a baseline is the step's job: done, it succeeded.
  if (options.updateBaseline) return 0;
  if (options.check) return newFindings > 0 ? 1 : 0;
  if (!options.format.empty() || !options.baseline.empty()) return newFindings > 0 ? 0 : 1;
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
