#include "finder/engine/HanziSearcher.h"

#include <charconv>
#include <new>

#include "finder/engine/DirectoryWalker.h"
#include "finder/engine/FileConverter.h"
#include "finder/engine/HanziExtraction.h"
#include "platform/AsciiText.h"
#include "platform/Files.h"

namespace {

// "%-3d", one blank, then the characters.
void FormatHitLine(std::int64_t lineNumber, const std::string& chars, std::string& out) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, lineNumber);
  (void)ec;
  out.assign(digits, end);
  while (out.size() < 3) out += ' ';
  out += ' ';
  out += chars;
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return platform::CompareIgnoringAsciiCase(a, b) < 0;
}

std::string GetExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

void ToUpper(std::string& text) {
  for (char& c : text) c = static_cast<char>(platform::AsciiUpper(static_cast<unsigned char>(c)));
}

HanziSearcher::HanziSearcher(ScanSettings& settings) : settings_(settings) {}

HanziSearcher::~HanziSearcher() = default;

void HanziSearcher::Reset() {
  fileCount = 0;
  charCount = 0;
  aborted_ = false;
  report_.SetFileName(settings_.strLogFile);
  processedPaths_.clear();
}

void HanziSearcher::SearchFile(const std::string& path) {
  Reset();
  try {
    ScanFile(path);
  } catch (const std::exception&) {
    aborted_ = true;
  }
  Finish();
}

void HanziSearcher::SearchDirectory(const std::string& directory, bool includeSubdirectories,
                                    const std::string& patterns) {
  Reset();
  DirectoryWalker walker(settings_.runningFlag, &HanziSearcher::OnFileFound, this);
  try {
    walker.Walk(directory, includeSubdirectories, patterns);
  } catch (const std::exception&) {
    // A report that cannot take a notice, or memory exhausted outside a
    // file's line loop: stop here, but keep what was scanned.
    aborted_ = true;
  }
  Finish();
}

void HanziSearcher::Finish() {
  try {
    report_.Close();
  } catch (const ReportWriteError&) {
    // The last lines are lost (LostLines tells); the summary is still written.
  }
  if (export_) export_->Export(results_);
}

void HanziSearcher::OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry&) {
  static_cast<HanziSearcher*>(userObject)->ScanFile(fullPath);
}

bool HanziSearcher::ClassifyFile(const std::string& path, const std::string& extension, std::string& fileToRead,
                                 std::string& message) {
  if (extension == ".DOC") {
    WordConverter converter = converterDirectory_.empty() ? WordConverter() : WordConverter(converterDirectory_);
    return converter.Convert(path, fileToRead, message);
  }
  if (extension == ".XLS") {
    message = SkipNotice(path);
    return false;
  }
  fileToRead = path;
  return true;
}

void HanziSearcher::ScanFile(const std::string& path) {
  if (!processedPaths_.insert(path).second) return;
  if (settings_.notifyWindow) settings_.notifyWindow->PostProgress(path);
  ++fileCount;

  std::string extension = GetExtension(path);
  ToUpper(extension);
  std::string fileToRead;
  std::string message;
  if (!ClassifyFile(path, extension, fileToRead, message)) {
    report_.WriteLine(message);  // a failure here ends the search (see the entries)
    return;
  }

  std::int64_t count = 0;
  std::string firstChars;
  try {
    // A report being written is not shared with readers, so it reads as a
    // file that cannot be opened: this search's own (which would feed the
    // search its own output) or another search's.
    if (reader_.Open(fileToRead) &&
        (report_.IsReport(reader_.Descriptor()) || platform::IsLockedByWriter(reader_.Descriptor())))
      reader_.Close();
    const std::string& tag = settings_.strStartTag;
    const bool tagApplies = !tag.empty() && settings_.ContainsStartTag(path, tag);
    bool tagMet = false;
    bool headerWritten = false;
    std::int64_t lineNumber = 0;
    const SignificantBytes significant(settings_.SearchUnicode != 0);
    std::string_view line;
    for (;;) {
      // Lines without a byte the extraction could use are only counted; until
      // a start tag is met every line has to be looked at for it.
      if (!tagApplies || tagMet) lineNumber += static_cast<std::int64_t>(reader_.SkipPlainLines(significant));
      if (!reader_.ReadLine(line)) break;
      if (settings_.IsCancelled()) break;
      ++lineNumber;
      if (tagApplies && !tagMet) {
        if (!LineContains(line, tag)) continue;
        tagMet = true;
      }
      ExtractHanzi(line, settings_.SearchUnicode, chars_);
      if (chars_.empty()) continue;
      if (!headerWritten) {
        report_.WriteHeader(path);
        headerWritten = true;
      }
      FormatHitLine(lineNumber, chars_, hitLine_);
      report_.WriteLine(hitLine_);
      if (firstChars.empty()) firstChars = chars_;
      count += static_cast<std::int64_t>(chars_.size());
      if (settings_.LimitHanZiCountEachFile == 1 &&
          static_cast<std::uint64_t>(count) >= settings_.MaxHanZiCountEachFile)
        break;
    }
    // The file's lines leave the buffer with it, so that a full disk ends
    // the file whose lines were lost.
    report_.Flush();
  } catch (const std::exception&) {
    // A failed report write or exhausted memory ends this file as if it had
    // ended; its row is still recorded.
  }
  charCount += count;
  results_.AddRow(fileToRead, firstChars, count);
  reader_.Close();
}
