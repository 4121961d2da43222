#include "finder/app/scan/ScanOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "finder/app/search/FinderTexts.h"
#include "finder/engine/DirectoryWalker.h"
#include "platform/AsciiText.h"
#include "platform/Process.h"

namespace {

const char kUsage[] =
    "Usage: glyphwell-scan [OPTION]... PATH...\n"
    "Find the Chinese characters in files and directory trees: write them, by\n"
    "line number, into the result report, or print each finding for editors\n"
    "and CI (findings mode: --format, --check or --baseline).\n"
    "\n"
    "  PATH               a directory (walked) or a file (scanned); several are\n"
    "                     searched in order as one search\n"
    "  --patterns LIST    file-name patterns separated by \";\"\n"
    "  --no-subdirs       stay in PATH itself\n"
    "  --no-unicode       do not convert five-digit character references\n"
    "  --limit N          per-file limit in bytes of extracted text\n"
    "  --no-limit         no per-file limit\n"
    "  --start-tag TAG    start each file at its first line that contains TAG\n"
    "  --encoding ENC     how files are read: gbk (every byte 0x80 or above\n"
    "                     counts), utf-8, or auto (a byte-order mark, else UTF-8\n"
    "                     when a file is valid UTF-8 beyond ASCII, else GBK)\n"
    "  --chars SET        what counts: gbk (every character GBK writes in two\n"
    "                     bytes: Chinese, full-width forms, but also e.g. é, Greek,\n"
    "                     Cyrillic, kana) or han (Chinese text only: Han\n"
    "                     characters, Bopomofo, Chinese punctuation)\n"
    "  --report FILE      write the result report to FILE\n"
    "  --no-export        do not write the summary workbook\n"
    "  --export           write the summary workbook in findings mode too\n"
    "  --no-ignore        findings mode: read the files Git ignores too\n"
    "\n"
    "Findings for editors and CI (a finding is a run of Chinese characters on a\n"
    "line, with its line and column):\n"
    "  --format FORMAT    print the findings on stdout in UTF-8: vimgrep\n"
    "                     (PATH:LINE:COLUMN:TEXT), json (JSON Lines), sarif (SARIF\n"
    "                     2.1.0) or github (workflow annotations)\n"
    "  --files-from FILE  also search the paths listed in FILE (- for stdin), one\n"
    "                     a line\n"
    "  -0                 the --files-from lists are NUL-separated\n"
    "  --exclude GLOB     pass over files and folders whose path below the searched\n"
    "                     folder matches (*, ?, ** for any depth, a trailing / for\n"
    "                     folders; without a / the name matches at any depth)\n"
    "  --baseline FILE    accept the findings FILE lists; only new ones are printed\n"
    "  --update-baseline  write FILE anew from this search (exit 0 once written)\n"
    "  --check            exit 1 when there is a new finding, 0 when none\n"
    "                     (also without --format), 2 on any error\n"
    "  --context          label each finding by where it stands in its file:\n"
    "                     comment, string, text, attribute or code, and log,\n"
    "                     i18n, test or locale where they apply\n"
    "  --skip LABELS      drop the findings that carry any of these labels\n"
    "                     (separated by \",\"), e.g. comment,log,i18n,test,locale\n"
    "  --log-calls LIST   more logging calls, separated by \",\" (a trailing *\n"
    "                     matches any rest: fmt.Print*); their strings are log\n"
    "  --i18n-calls LIST  more translation calls, separated by \",\"; their\n"
    "                     strings are i18n\n"
    "  --escapes          also find Chinese written as escapes: \\u4E2D, \\u{4E2D},\n"
    "                     \\U00004E2D, \\x{4E2D}, \\xE4\\xB8\\xAD, &#20013;, &#x4E2D;,\n"
    "                     CSS \\4E2D, %E4%B8%AD\n"
    "A line holding glyphwell-ignore yields no finding.\n"
    "\n"
    "Defaults            report mode              findings mode\n"
    "  --encoding        gbk                      auto\n"
    "  --chars           gbk                      han\n"
    "  --patterns        *.txt;*.htm;*.html       every file\n"
    "  --limit           30                       none\n"
    "  report            c:\\GlyphwellResult.txt   none (--report FILE)\n"
    "  workbook          written (--no-export)    none (--export)\n"
    "  ignored by Git    read                     passed over (--no-ignore)\n"
    "In both modes binary files (a NUL byte in the first 64 KiB, no UTF-16 mark)\n"
    "are passed over, and a folder named .git is never read in findings mode.\n"
    "\n"
    "  -q, --quiet        no progress display, and no word of where the report went\n"
    "  -j, --threads N    files read by N threads at once (default: one per\n"
    "                     processor, at most 8); the output is the same\n"
    "  -h, --help         show this help\n"
    "      --version      show the version\n"
    "\n"
    "Exit status: 0 when characters were found (in findings mode: when a finding\n"
    "was printed), 1 when none, 2 on an error; with --check 0 when there is no\n"
    "new finding, 1 when there is, 2 on any error or when no file was searched.\n";

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

// The options that take no value; false for any other argument.
bool FlagOption(const std::string& arg, ScanOptions& options) {
  if (arg == "--no-limit") {
    options.search.LimitHanZiCountEachFile = 0;
    options.limitGiven = true;
  }
  else if (arg == "--no-subdirs")
    options.search.IncludeSubPath = 0;
  else if (arg == "--no-unicode")
    options.search.SearchUnicode = 0;
  else if (arg == "--no-export")
    options.exportWorkbook = false;
  else if (arg == "-q" || arg == "--quiet")
    options.quiet = true;
  else if (arg == "--export")
    options.exportGiven = true;
  else if (arg == "-0")
    options.nulSeparated = true;
  else if (arg == "--update-baseline")
    options.updateBaseline = true;
  else if (arg == "--check")
    options.check = true;
  else if (arg == "--no-ignore")
    options.noIgnore = true;
  else if (arg == "--context")
    options.context = true;
  else if (arg == "--escapes")
    options.escapes = true;
  else
    return false;
  return true;
}

// The names of a list separated by ",", without the blanks around them;
// empty ones left out.
std::vector<std::string> NamesOf(const std::string& text) {
  std::vector<std::string> pieces, names;
  SplitList(text, ',', pieces);
  for (const std::string& piece : pieces)
    if (const std::string_view name = platform::TrimSpacesAndTabs(piece); !name.empty()) names.emplace_back(name);
  return names;
}

bool ParseSkip(const std::string& text, context::Labels& skip, std::string& error) {
  for (const std::string& name : NamesOf(text)) {
    context::Label label;
    if (!context::ParseLabel(name, label)) {
      std::string names;
      for (int i = 0; i < context::kLabelCount; ++i)
        names += (i > 0 ? ", " : "") + std::string(context::LabelName(static_cast<context::Label>(i)));
      error = "invalid label '" + name + "': one of " + names + " is needed";
      return false;
    }
    skip |= context::Bit(label);
  }
  return true;
}

}  // namespace

int DefaultThreads() { return std::min(platform::ProcessorCount(), 8); }

const char* ScanUsage() { return kUsage; }

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
      options.patternsGiven = true;
    } else if (arg == "--start-tag") {
      if (!takeValue(text)) return false;
      options.search.strStartTag = Ansi(text);
    } else if (arg == "--encoding") {
      if (!takeValue(text)) return false;
      const auto* choice = ChoiceByText(kEncodingChoices, text, &Choice<platform::EncodingChoice>::option);
      if (!choice) {
        error = "invalid encoding '" + text + "': " + OptionValues(kEncodingChoices) + " is needed";
        return false;
      }
      options.search.Encoding = choice->value;
      options.encodingGiven = true;
    } else if (arg == "--chars") {
      if (!takeValue(text)) return false;
      const auto* choice = ChoiceByText(kCharsChoices, text, &Choice<platform::CharacterSet>::option);
      if (!choice) {
        error = "invalid character set '" + text + "': " + OptionValues(kCharsChoices) + " is needed";
        return false;
      }
      options.search.Chars = choice->value;
      options.charsGiven = true;
    } else if (arg == "--report") {
      if (!takeValue(text)) return false;
      if (text.empty()) {
        error = "the report path is empty";
        return false;
      }
      options.search.strLogFile = Ansi(text);
      options.reportGiven = true;
    } else if (arg == "--format") {
      if (!takeValue(options.format)) return false;
    } else if (arg == "--files-from") {
      if (!takeValue(text)) return false;
      options.filesFrom.push_back(text);
    } else if (arg == "--exclude") {
      if (!takeValue(text)) return false;
      options.excludes.push_back(text);
    } else if (arg == "--skip") {
      if (!takeValue(text) || !ParseSkip(text, options.skip, error)) return false;
    } else if (arg == "--log-calls" || arg == "--i18n-calls") {
      if (!takeValue(text)) return false;
      std::vector<std::string>& names = arg == "--log-calls" ? options.calls.log : options.calls.i18n;
      for (std::string& name : NamesOf(text)) names.push_back(std::move(name));
    } else if (arg == "--baseline") {
      if (!takeValue(options.baseline)) return false;
      if (options.baseline.empty()) {
        error = "the baseline path is empty";
        return false;
      }
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
      options.limitGiven = true;
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
  // Findings mode has a developer's defaults: every Chinese character of
  // every text file, read as its bytes show; each can be overridden.
  if (options.FindingsMode()) {
    if (!options.limitGiven) options.search.LimitHanZiCountEachFile = 0;
    if (!options.encodingGiven) options.search.Encoding = platform::EncodingChoice::Automatic;
    if (!options.charsGiven) options.search.Chars = platform::CharacterSet::Han;
    if (!options.patternsGiven) options.search.FileType.assign(1, '*');  // every name
  }
  if ((options.Labelled() || options.escapes) && !options.FindingsMode()) {
    error = "--context, --skip and --escapes need findings mode (--format, --check or --baseline)";
    return false;
  }
  if (options.updateBaseline && options.baseline.empty()) {
    error = "--update-baseline needs --baseline FILE";
    return false;
  }
  if (options.paths.empty() && options.filesFrom.empty() && !options.help && !options.version) {
    error = "no PATH given";
    return false;
  }
  return true;
}

