#include "finder/app/scan/ScanFrontEnd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

#include "finder/app/search/FinderTexts.h"
#include "finder/app/search/SearchStart.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/export/WorkbookExport.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"
#include "platform/ThisProcess.h"

namespace {

const char kUsage[] =
    "Usage: glyphwell-scan [OPTION]... PATH...\n"
    "Find the Chinese (double-byte GBK) characters in files and directory trees\n"
    "and write them, by line number, into the result report.\n"
    "\n"
    "  PATH               a directory (walked) or a file (scanned); several are\n"
    "                     searched in order as one search\n"
    "  --patterns LIST    patterns separated by \";\" (default \"*.txt;*.htm;*.html\")\n"
    "  --no-subdirs       stay in PATH itself\n"
    "  --no-unicode       do not convert five-digit character references\n"
    "  --limit N          per-file limit in bytes of extracted text (default 30)\n"
    "  --no-limit         no per-file limit\n"
    "  --start-tag TAG    start each file at its first line that contains TAG\n"
    "  --encoding ENC     how files are read: gbk (default: every byte 0x80 or\n"
    "                     above counts), utf-8, or auto (a byte-order mark, else\n"
    "                     UTF-8 when a file is valid UTF-8 beyond ASCII, else GBK)\n"
    "  --report FILE      result report (default \"c:\\GlyphwellResult.txt\")\n"
    "  --no-export        do not write the summary workbook\n"
    "  -q, --quiet        no progress display\n"
    "  -j, --threads N    files read by N threads at once (default: one per\n"
    "                     processor, at most 8); the output is the same\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when characters were found, 1 when none, 2 on an error.\n";


// Terminal columns of the UTF-8 character that starts with lead, near
// enough: characters of three or four bytes (CJK among them) take two.
std::size_t Columns(unsigned char lead) { return lead >= 0xE0 ? 2 : 1; }

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) width += Columns(c);
  return width;
}

// Keeps the end of a long path within room columns, the file name mattering
// more than the folders.
void KeepTail(std::string& text, std::size_t room) {
  if (DisplayWidth(text) <= room) return;
  const std::size_t budget = room > 1 ? room - 1 : 0;  // one column for the ellipsis
  std::size_t start = text.size();
  std::size_t width = 0;
  for (std::size_t i = text.size(); i-- > 0;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    if (width + Columns(c) > budget) break;
    width += Columns(c);
    start = i;
  }
  text.replace(0, start, "…");
}

// One line on stderr, redrawn a few times a second at most, so that a tree of
// many small files is not slowed down by the terminal.
class TerminalProgress : public ProgressSink {
 public:
  explicit TerminalProgress(std::FILE* err) : err_(err) {}
  ~TerminalProgress() override { Clear(); }

  void PostProgress(std::string path) override {
    ++files_;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    Draw(path);
  }

  void Clear() {
    if (drawn_) std::fputs("\r\x1b[K", err_);
    std::fflush(err_);
    drawn_ = false;
  }

 private:
  void Draw(const std::string& path) {
    std::string text = "[";
    text += std::to_string(files_);
    text += "] ";
    text += texts::kParsing;
    std::string name = TerminalText(path);
    std::size_t columns = 80;
    struct winsize size {};
    if (ioctl(fileno(err_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) columns = size.ws_col;
    const std::size_t prefixWidth = DisplayWidth(text);
    KeepTail(name, columns > prefixWidth + 1 ? columns - prefixWidth - 1 : 0);
    text += name;
    std::fprintf(err_, "\r\x1b[K%s", text.c_str());
    std::fflush(err_);
    drawn_ = true;
  }

  std::FILE* err_;
  long files_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The export's messages and the refused starts, as lines on stderr, the
// progress line cleared first.
class TerminalMessages : public MessageSink {
 public:
  TerminalMessages(std::FILE* err, TerminalProgress& progress) : err_(err), progress_(progress) {}
  void ShowMessage(const std::string& text, const std::string&, MessageKind) override {
    progress_.Clear();
    std::fprintf(err_, "%s\n", TerminalText(text).c_str());
  }

 private:
  std::FILE* err_;
  TerminalProgress& progress_;
};

// One line on stderr for each folder or file that could not be read (whole).
class TerminalProblems : public ProblemSink {
 public:
  TerminalProblems(std::FILE* err, TerminalProgress& progress) : err_(err), progress_(progress) {}

  void CannotRead(const std::string& path, ReadProblem problem, int errorNumber) override {
    progress_.Clear();
    const std::string shown = TerminalText(path);
    const char* reason = std::strerror(errorNumber);
    if (problem == ReadProblem::Folder) {
      std::fprintf(err_, "glyphwell-scan: cannot read folder %s: %s\n", shown.c_str(), reason);
    } else if (problem == ReadProblem::File) {
      std::fprintf(err_, "glyphwell-scan: cannot read %s: %s\n", shown.c_str(),
                   errorNumber == EBUSY ? "another search is writing it" : reason);
    } else {
      std::fprintf(err_, "glyphwell-scan: %s could not be scanned whole: %s\n", shown.c_str(), reason);
    }
  }
  void NotInItsEncoding(const std::string& path, const char* encoding) override {
    progress_.Clear();
    std::fprintf(err_, "glyphwell-scan: %s holds bytes that are not valid %s; they were passed over\n",
                 TerminalText(path).c_str(), encoding);
  }

 private:
  std::FILE* err_;
  TerminalProgress& progress_;
};

bool ParseLimit(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || number < INT32_MIN || number > UINT32_MAX) return false;
  // Held as the dialog's field holds it; the search compares it unsigned, so
  // a negative limit never cuts a file, and one past 2^31 keeps its value.
  value = static_cast<int>(static_cast<std::uint32_t>(number));
  return true;
}

std::atomic<unsigned char> g_running{1};

void OnInterrupt(int) { g_running.store(0); }

// The options that take no value; false for any other argument.
bool FlagOption(const std::string& arg, ScanOptions& options) {
  if (arg == "--no-limit")
    options.search.LimitHanZiCountEachFile = 0;
  else if (arg == "--no-subdirs")
    options.search.IncludeSubPath = 0;
  else if (arg == "--no-unicode")
    options.search.SearchUnicode = 0;
  else if (arg == "--no-export")
    options.exportWorkbook = false;
  else if (arg == "-q" || arg == "--quiet")
    options.quiet = true;
  else
    return false;
  return true;
}

}  // namespace

int DefaultThreads() { return std::min(platform::ProcessorCount(), 8); }

std::string TerminalText(std::string_view ansi) {
  std::string utf8;
  if (!platform::AnsiToUtf8(ansi, utf8)) utf8 = platform::AnsiToUtf8Lenient(ansi);
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool c1 = c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
    if (c >= 0x20 && c != 0x7F && !c1) {
      shown += static_cast<char>(c);
      continue;
    }
    const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
    shown += escaped;
  }
  return shown;
}

bool ParseScanOptions(const std::vector<std::string>& args, ScanOptions& options, std::string& error) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    std::string text;
    bool hasInlineValue = false;
    if (!optionsEnded && arg.rfind("--", 0) == 0 && arg.size() > 2) {
      const std::size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        arg = arg.substr(0, equals);
        hasInlineValue = true;
      }
    }
    auto takeValue = [&](std::string& into) {
      if (hasInlineValue) {
        into = value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option '" + arg + "' needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options.paths.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--patterns") {
      if (!takeValue(text)) return false;
      options.search.FileType = Ansi(text);
    } else if (arg == "--start-tag") {
      if (!takeValue(text)) return false;
      options.search.strStartTag = Ansi(text);
    } else if (arg == "--encoding") {
      if (!takeValue(text)) return false;
      if (!ParseEncoding(text, options.search.Encoding)) {
        error = "invalid encoding '" + text + "': gbk, utf-8 or auto is needed";
        return false;
      }
    } else if (arg == "--report") {
      if (!takeValue(text)) return false;
      if (text.empty()) {
        error = "the report path is empty";
        return false;
      }
      options.search.strLogFile = Ansi(text);
    } else if (arg == "-j" || arg == "--threads" || (arg.rfind("-j", 0) == 0 && arg.size() > 2)) {
      text = arg.size() > 2 && arg[1] == 'j' ? arg.substr(2) : std::string();
      if (text.empty() && !takeValue(text)) return false;
      char* end = nullptr;
      const long threads = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || threads < 1 || threads > 256) {
        error = "invalid thread count '" + text + "': a number from 1 to 256 is needed";
        return false;
      }
      options.threads = static_cast<int>(threads);
    } else if (arg == "--limit") {
      if (!takeValue(text)) return false;
      if (!ParseLimit(text, options.search.MaxHanZiCountEachFile)) {
        error = "invalid limit '" + text + "': a whole number is needed";
        return false;
      }
      options.search.LimitHanZiCountEachFile = 1;
    } else if (!hasInlineValue && FlagOption(arg, options)) {
    } else if (hasInlineValue && FlagOption(arg, options)) {
      error = "option '" + arg + "' takes no value";
      return false;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (options.paths.empty() && !options.help && !options.version) {
    error = "no PATH given";
    return false;
  }
  return true;
}

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
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("glyphwell-scan %s\n", GLYPHWELL_VERSION);
    return 0;
  }
  return RunScan(options, stdout, stderr);
}
