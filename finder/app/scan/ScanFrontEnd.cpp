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

#include "finder/engine/HanziSearcher.h"
#include "finder/engine/SearchScope.h"
#include "finder/export/WorkbookExport.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"
#include "platform/ThisProcess.h"

namespace {

const char kUsage[] =
    "Usage: glyphwell-scan [OPTION]... PATH\n"
    "Find the Chinese (double-byte GBK) characters in a file or a directory tree\n"
    "and write them, by line number, into the result report.\n"
    "\n"
    "  PATH               a directory (directory mode) or a file (file mode)\n"
    "  --patterns LIST    patterns separated by \";\" (default \"*.txt;*.htm;*.html\")\n"
    "  --no-subdirs       stay in PATH itself\n"
    "  --no-unicode       do not convert five-digit character references\n"
    "  --limit N          per-file limit in bytes of extracted text (default 30)\n"
    "  --no-limit         no per-file limit\n"
    "  --start-tag TAG    start each file at its first line that contains TAG\n"
    "  --report FILE      result report (default \"c:\\GlyphwellResult.txt\")\n"
    "  --no-export        do not write the summary workbook\n"
    "  -q, --quiet        no progress display\n"
    "  -j, --threads N    files read by N threads at once (default: one per\n"
    "                     processor, at most 8); the output is the same\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when characters were found, 1 when none, 2 on an error.\n";

// Texts of the system, in UTF-8 here and turned into CP936 where the engine
// needs them.
const char kDirectoryPrefix[] = "目录 ";
const char kFilePrefix[] = "文件 ";
const char kMissingSuffix[] = " 不存在!";
const char kParsing[] = "正在解析文件 ";

std::string Ansi(std::string_view utf8) { return platform::Utf8ToAnsiOrRaw(utf8); }


// The export's messages and the missing-path texts, as lines on stderr.
class TerminalMessages : public MessageSink {
 public:
  explicit TerminalMessages(std::FILE* err) : err_(err) {}
  void ShowMessage(const std::string& text, const std::string&, MessageKind) override {
    std::fprintf(err_, "%s\n", platform::AnsiToUtf8OrRaw(text).c_str());
  }

 private:
  std::FILE* err_;
};

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
    text += kParsing;
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
      ++notWhole_;
    }
  }
  // Files whose scan ended early; the search then did not find everything.
  long NotWhole() const { return notWhole_; }

 private:
  std::FILE* err_;
  TerminalProgress& progress_;
  long notWhole_ = 0;
};

bool ParseLimit(const std::string& text, std::uint32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || number < INT32_MIN || number > UINT32_MAX) return false;
  // A negative limit compares as a very large unsigned number, as the dialog's does.
  value = static_cast<std::uint32_t>(number);
  return true;
}

std::atomic<unsigned char> g_running{1};

void OnInterrupt(int) { g_running.store(0); }

// The option that sets a flag of its own, or nullptr. "--no-..." options
// clear theirs; --quiet sets its one.
bool* FlagOption(const std::string& arg, ScanOptions& options) {
  if (arg == "--no-limit") return &options.limit;
  if (arg == "--no-subdirs") return &options.includeSubdirectories;
  if (arg == "--no-unicode") return &options.searchUnicode;
  if (arg == "--no-export") return &options.exportWorkbook;
  if (arg == "-q" || arg == "--quiet") return &options.quiet;
  return nullptr;
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
  bool havePath = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
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
      if (havePath) {
        error = "only one PATH may be given";
        return false;
      }
      options.path = arg;
      havePath = true;
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--patterns") {
      if (!takeValue(options.patterns)) return false;
    } else if (arg == "--start-tag") {
      if (!takeValue(options.startTag)) return false;
    } else if (arg == "--report") {
      if (!takeValue(options.report)) return false;
      if (options.report.empty()) {
        error = "the report path is empty";
        return false;
      }
    } else if (arg == "-j" || arg == "--threads" || (arg.rfind("-j", 0) == 0 && arg.size() > 2)) {
      std::string text = arg.size() > 2 && arg[1] == 'j' ? arg.substr(2) : std::string();
      if (text.empty() && !takeValue(text)) return false;
      char* end = nullptr;
      const long threads = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || threads < 1 || threads > 256) {
        error = "invalid thread count '" + text + "': a number from 1 to 256 is needed";
        return false;
      }
      options.threads = static_cast<int>(threads);
    } else if (arg == "--limit") {
      std::string text;
      if (!takeValue(text)) return false;
      if (!ParseLimit(text, options.maxBytes)) {
        error = "invalid limit '" + text + "': a whole number is needed";
        return false;
      }
      options.limit = true;
    } else if (bool* flag = FlagOption(arg, options)) {
      if (hasInlineValue) {
        error = "option '" + arg + "' takes no value";
        return false;
      }
      *flag = arg == "-q" || arg == "--quiet";
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (!havePath && !options.help && !options.version) {
    error = "no PATH given";
    return false;
  }
  return true;
}

int RunScan(const ScanOptions& options, std::FILE* out, std::FILE* err) {
  TerminalMessages messages(err);
  const std::string path = Ansi(options.path);
  const bool endsInSeparator = !options.path.empty() && (options.path.back() == '/' || options.path.back() == '\\');
  const bool directoryMode = endsInSeparator || platform::IsDirectory(path);
  if (directoryMode ? !DirectoryExists(path) : !FileExists(path)) {
    const std::string text = std::string(directoryMode ? kDirectoryPrefix : kFilePrefix) + options.path + kMissingSuffix;
    messages.ShowMessage(Ansi(text), "Glyphwell", MessageKind::Stop);
    return 2;
  }

  ScanSettings settings;
  settings.strLogFile = Ansi(options.report);
  settings.SearchUnicode = options.searchUnicode ? 1 : 0;
  settings.LimitHanZiCountEachFile = options.limit ? 1 : 0;
  settings.MaxHanZiCountEachFile = options.maxBytes;
  settings.strStartTag = Ansi(options.startTag);
  settings.runningFlag = &g_running;
  TerminalProgress progress(err);
  if (!options.quiet && isatty(fileno(err))) settings.notifyWindow = &progress;

  const std::string patterns = Ansi(options.patterns);
  if (ReportIsASource(settings.strLogFile, directoryMode, path, options.includeSubdirectories, patterns)) {
    // Its deletion at the start would take a file the search is to read.
    std::fprintf(err, "glyphwell-scan: the report %s is one of the files to be searched; choose another report path\n",
                 TerminalText(settings.strLogFile).c_str());
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

  // A search starts from no report, so that one without hits leaves none.
  platform::RemoveFile(settings.strLogFile);
  if (directoryMode)
    searcher.SearchDirectory(path, options.includeSubdirectories, patterns);
  else
    searcher.SearchFile(path);
  progress.Clear();

  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);

  std::fprintf(out, "处理结束 共搜索了 %lld 个文件，发现汉字 %lld 个。\n", static_cast<long long>(searcher.fileCount),
               static_cast<long long>(searcher.charCount));
  std::fflush(out);

  int status = 0;
  if (searcher.Report().Incomplete()) {
    std::fprintf(err, "glyphwell-scan: the report %s is incomplete: %s\n", TerminalText(settings.strLogFile).c_str(),
                 searcher.Report().HeldByAnother() ? "another search is writing it, so its lines could not be written"
                                                   : "some of its lines could not be written");
    status = 2;
  }
  if (options.exportWorkbook && workbook.LastExportFailed()) {
    std::fprintf(err, "glyphwell-scan: the workbook %s could not be written\n", TerminalText(workbook.WorkbookPath()).c_str());
    status = 2;
  }
  if (problems.NotWhole() > 0) {
    std::fprintf(err, "glyphwell-scan: %ld file(s) could not be scanned whole; the counts miss what they hold\n",
                 problems.NotWhole());
    status = 2;
  }
  if (status != 0) return status;
  if (g_running.load() == 0) return 130;  // as a program ended by Ctrl+C
  return searcher.charCount > 0 ? 0 : 1;
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
