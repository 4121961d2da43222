#include "finder/app/scan/ScanFrontEnd.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "finder/app/scan/Terminal.h"
#include "finder/app/search/FinderTexts.h"
#include "finder/app/search/SearchStart.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/export/WorkbookExport.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/ThisProcess.h"

namespace {

std::atomic<unsigned char> g_running{1};

void OnInterrupt(int) { g_running.store(0); }

}  // namespace

int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err) {
  std::vector<SearchRoot> roots;
  for (const std::string& typed : options.paths) {
    const std::string path = Ansi(typed);
    const bool endsInSeparator = !typed.empty() && (typed.back() == '/' || typed.back() == '\\');
    roots.push_back(SearchRoot{path, endsInSeparator || platform::IsDirectory(path)});
  }
  ScanSettings settings;
  SearchScope scope;
  MakeSearch(options.search, std::move(roots), settings, scope);
  settings.runningFlag = &g_running;
  TerminalProgress progress(err);
  if (!options.quiet && isatty(fileno(err))) settings.notifyWindow = &progress;
  TerminalMessages messages(err, progress);

  if (const std::string refusal = CheckStart(settings, scope); !refusal.empty()) {
    messages.ShowMessage(refusal, texts::kCaption, MessageKind::Stop);
    return 2;
  }

  HanziSearcher searcher(settings);
  searcher.SetWorkers(options.threads > 0 ? options.threads : DefaultThreads());
  TerminalProblems problems(err, progress);
  searcher.SetProblemSink(&problems);
  WorkbookExport workbook;
  workbook.SetMessageSink(&messages);
  if (options.exportWorkbook) searcher.SetSummaryExport(&workbook);

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

  ClearOldReport(settings.strLogFile);
  const SearchOutcome outcome = searcher.Search(scope);
  progress.Clear();

  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);

  std::fprintf(out, "%s\n", platform::AnsiToUtf8Lenient(CompletionText(outcome)).c_str());
  std::fflush(out);

  if (outcome.looksLikeUtf8 > 0)
    std::fprintf(err, "glyphwell-scan: %lld file(s) read as GBK look like UTF-8; --encoding auto reads them as UTF-8\n",
                 static_cast<long long>(outcome.looksLikeUtf8));
  int status = 0;
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
  if (status != 0) return status;
  if (outcome.cancelled) return 130;  // as a program ended by Ctrl+C
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
