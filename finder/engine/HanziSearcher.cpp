#include "finder/engine/HanziSearcher.h"

#include <cerrno>
#include <new>

#include "finder/engine/DirectoryWalker.h"
#include "finder/engine/FileConverter.h"
#include "finder/engine/HanziExtraction.h"
#include "finder/engine/LineScan.h"
#include "platform/AsciiText.h"
#include "platform/Files.h"

namespace {

// The converter's output, shared by every search of every finder.
const char kConverterOutput[] = "c:\\~tmp.txt";

// Hit lines straight into the report, the file's header before the first.
struct ReportHits {
  ReportWriter& report;
  const std::string& path;
  bool headerWritten = false;
  void Hit(std::int64_t lineNumber, std::string_view chars) {
    if (!headerWritten) report.WriteHeader(path);
    headerWritten = true;
    report.WriteHitLine(lineNumber, chars);
  }
};

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return platform::CompareIgnoringAsciiCase(a, b) < 0;
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
  try {
    if (workers_ > 1) {
      ParallelWalk(directory, includeSubdirectories, patterns);
    } else {
      DirectoryWalker walker(settings_.runningFlag, &HanziSearcher::OnFileFound, this);
      walker.SetProblemSink(problems_);
      walker.Walk(directory, includeSubdirectories, patterns);
    }
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
    // Every search converts into the same file, whose path the rows carry:
    // it is held from the converter's start until its text is scanned, and
    // another search waits for it.
    const bool held = converterLock_.Acquire(kConverterOutput, [this] { return settings_.IsCancelled(); });
    if (!held && settings_.IsCancelled()) {
      fileToRead = kConverterOutput;  // cancelled while waiting: nothing is read
      return true;
    }
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

void HanziSearcher::Tell(const std::string& path, ReadProblem problem, int error) {
  if (problems_) problems_->CannotRead(path, problem, error);
}

void HanziSearcher::ScanFile(const std::string& path) {
  if (processedPaths_.insert(path).second) ScanNewFile(path);
}

void HanziSearcher::ScanNewFile(const std::string& path) {
  if (settings_.notifyWindow) settings_.notifyWindow->PostProgress(path);
  ++fileCount;

  std::string extension = GetExtension(path);
  ToUpper(extension);
  std::string fileToRead;
  std::string message;
  const bool read = ClassifyFile(path, extension, fileToRead, message);
  if (!read) {
    converterLock_.Release();
    report_.WriteLine(message);  // a failure here ends the search (see the entries)
    return;
  }
  const bool converted = fileToRead != path;

  LineScan scan;
  try {
    // A search cancelled while it waited for the converter's output reads
    // nothing: the output is another search's.
    const bool cancelledWaiting = converted && !converterLock_.Held() && settings_.IsCancelled();
    if (!cancelledWaiting) OpenForScan(path, fileToRead, converted);
    const bool tagApplies =
        reader_.IsOpen() && !settings_.strStartTag.empty() && settings_.ContainsStartTag(path, settings_.strStartTag);
    ReportHits hits{report_, path};
    ScanLines(settings_, reader_, tagApplies, chars_, hits, scan);
    if (reader_.LastError() != 0) Tell(path, ReadProblem::NotWhole, reader_.LastError());
    // The file's lines leave the buffer with it, so that a full disk ends
    // the file whose lines were lost.
    report_.Flush();
  } catch (const std::bad_alloc&) {
    // Memory exhausted (a line too long for it) ends this file as if it had
    // ended; its row is still recorded, and the user learns of it.
    Tell(path, ReadProblem::NotWhole, ENOMEM);
    ReleaseLineMemory();
  } catch (const ReportWriteError&) {
    // A full disk ends this file likewise.
  }
  charCount += scan.count;
  results_.AddRow(fileToRead, scan.firstChars, scan.count);
  reader_.Close();
  ReleaseLongLineChars(chars_);
  converterLock_.Release();
}

void HanziSearcher::OpenForScan(const std::string& path, const std::string& fileToRead, bool converted) {
  if (!reader_.Open(fileToRead)) {
    Tell(path, ReadProblem::File, reader_.LastError());
    return;
  }
  // A report being written is not shared with readers, so it reads as a
  // file that cannot be opened: this search's own (which would feed the
  // search its own output) or another search's. The converter's output is
  // locked by this search itself.
  if (report_.IsReport(reader_.Descriptor())) {
    reader_.Close();
  } else if (!converted && platform::IsLockedByWriter(reader_.Descriptor())) {
    reader_.Close();
    Tell(path, ReadProblem::File, EBUSY);
  }
}

void HanziSearcher::ReleaseLineMemory() {
  std::string().swap(chars_);
  reader_.Close();
}
