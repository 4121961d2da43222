// One file's text: how it is read (its encoding), the line loop, and what
// it found. The search's own thread runs it with the hit lines going
// straight into the report; the workers of a parallel search run it with the
// lines going into a buffer of their own. Either way the same sink makes the
// report's lines and finds the runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "finder/engine/FindingRuns.h"
#include "finder/engine/RunAnnotation.h"
#include "finder/engine/ScanSettings.h"
#include "finder/engine/Sinks.h"
#include "platform/FileSearch.h"
#include "platform/LineReader.h"
#include "platform/TextEncoding.h"

// What the scan of a file found.
struct LineScan {
  std::int64_t count = 0;  // bytes of extracted text
  std::string firstChars;  // of the first line with a hit, as far as the workbook shows it
};

// How a file was read.
struct TextRead {
  platform::TextEncoding encoding = platform::TextEncoding::Gbk;
  std::size_t markLength = 0;  // of the byte-order mark its lines start after
  // Bytes that are not valid in its encoding were met (they acted as ASCII).
  bool invalidBytes = false;
  // Read as GBK, yet all that was read of it is UTF-8 with a character beyond
  // ASCII: the automatic choice would read it as UTF-8.
  bool looksLikeUtf8 = false;
  // Read as GBK by the user's choice, though it starts with a UTF-16 mark.
  bool utf16Marked = false;
};

// Receives each line with characters: its number, its extracted text (the
// report's bytes) and the line as read (UTF-8 for a Unicode file).
class HitSink {
 public:
  virtual ~HitSink() = default;
  virtual SinkVerdict Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) = 0;
  // A line without characters that the settings ask to be looked at all the
  // same (ScanSettings::findEscapes); it adds nothing to the report.
  virtual SinkVerdict Uncounted(std::int64_t lineNumber, std::string_view line) {
    (void)lineNumber;
    (void)line;
    return SinkVerdict::GoOn;
  }
};

// The first line's characters are kept for the workbook only, whose cell
// holds at most 32,767 UTF-16 units: no more than twice as many bytes can
// show there, so a longer first line costs no memory beyond this.
inline constexpr std::size_t kFirstCharsKept = 128 * 1024;

// Where a file's report lines go: the header before the first hit line.
// False when the lines would no longer fit (a worker's buffer).
class ReportLines {
 public:
  virtual ~ReportLines() = default;
  virtual void Header(std::string_view path) = 0;
  virtual bool HitLine(std::int64_t lineNumber, std::string_view chars) = 0;
  // Runs of a line that adds no report line (escapes) are held beside the
  // lines: false when those bytes would no longer fit.
  virtual bool Beside(std::size_t bytes) {
    (void)bytes;
    return true;
  }
};

class ReportWriter;

// The report's lines straight into the report.
class LinesToReport : public ReportLines {
 public:
  explicit LinesToReport(ReportWriter& report) : report_(report) {}
  void Header(std::string_view path) override;
  bool HitLine(std::int64_t lineNumber, std::string_view chars) override;

 private:
  ReportWriter& report_;
};

// The one sink of a file's hits: its report lines, and with findRuns the
// line's runs, annotated when the wiring has an annotator, handed to runs in
// the encoding the file is read in (with the line's locator, for a converted
// document that has them).
class ReportHits : public HitSink {
 public:
  // read is filled in by the scan before the first hit.
  // reader is the one the lines come from.
  ReportHits(const ScanSettings& settings, const std::string& path, bool converted, const TextRead& read,
             const platform::LineReader& reader, ReportLines& lines, RunSink* runs, const RunAnnotator* annotator,
             const std::vector<std::string>* locators = nullptr);
  ~ReportHits() override;
  SinkVerdict Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) override;
  SinkVerdict Uncounted(std::int64_t lineNumber, std::string_view line) override;

 private:
  bool Marked(std::string_view line) const;
  void Annotate(std::int64_t lineNumber, std::string_view line);
  std::string_view Locator(std::int64_t lineNumber) const;

  const ScanSettings& settings_;
  const std::string& path_;
  bool converted_;
  const TextRead& read_;
  const platform::LineReader& reader_;
  ReportLines& lines_;
  RunSink* runs_;
  const RunAnnotator* annotator_;
  const std::vector<std::string>* locators_;
  std::unique_ptr<FileAnnotation> annotation_;
  bool headerWritten_ = false;
  std::vector<CharacterRun> lineRuns_;
};

// A file opened for its scan. A file that a writer holds locked (a report
// being written: this search's own, which would feed the search its own
// output, or another search's) is not read. The converter's output is
// locked by the search itself, so the lock is not asked of it.
struct OpenedFile {
  bool opened = false;
  int error = 0;
  bool heldByWriter = false;
  platform::FileIdentity identity;
};

// What reading one file gave, wherever it was read.
struct ScannedFile {
  OpenedFile open;
  LineScan scan;
  TextRead read;
  // The errno of a read error, or ENOMEM: the scan ended early, the counts
  // miss the rest.
  int notWholeError = 0;
  // Binary (platform::IsBinary): not read, no lines.
  bool binary = false;
  // Its scan stopped at the per-file limit.
  bool limitReached = false;
  // A sink asked the search to end.
  bool stopSearch = false;
  // A sink could not take the file's lines (a worker's full buffer).
  bool stoppedFile = false;
};

// Opens fileToRead (converted: the converter's output, the system's own
// text; ownReport, when given, is not read: the search would read its own
// output) and reads it in the encoding the settings give it, from the start
// tag on when one applies (looked for in tagPath, a converted document's own
// path), handing each line with characters to hits until the end, a cancel,
// the limit or a sink's verdict. Memory exhausted ends the file as if it had
// ended (notWholeError ENOMEM); a failed report write travels on as
// ReportWriteError. reader and chars are the caller's, reused from file to
// file; the reader is closed after.
void ReadFileText(const ScanSettings& settings, const SearchWiring& wiring, const std::string& tagPath,
                  const std::string& fileToRead, bool converted, const ReportWriter* ownReport,
                  platform::LineReader& reader, std::string& chars, HitSink& hits, ScannedFile& result);

// True when some line of the file at path, read in encoding (past a mark of
// markLength), contains tag (exact bytes); false at once for an empty tag or
// a cancel.
bool ContainsStartTag(const SearchWiring& wiring, const std::string& path, platform::TextEncoding encoding,
                      std::size_t markLength, std::string_view tag);

// What a worker of a parallel search prepared for one text file: how its
// read went, its hit lines as report bytes and each hit's runs: runs holds
// them all in order, without their texts, which stand one after another in
// texts (each ending at its textEnds), and hitRuns each hit line's number
// and how many of the runs are its. So a file's runs take a few vectors,
// not a vector a line and a string a text, each freed on another thread.
// tooLarge: its lines would not fit the buffer, so it is read at its turn.
struct PreparedFile {
  ScannedFile file;
  std::string lines;
  std::vector<CharacterRun> runs;
  std::string texts;
  std::vector<std::size_t> textEnds;
  std::vector<std::pair<std::int64_t, std::size_t>> hitRuns;
  bool tooLarge = false;
};
// Reads and extracts path into prepared; reader and chars are the worker's own.
void PrepareFile(const ScanSettings& settings, const SearchWiring& wiring, const std::string& path,
                 platform::LineReader& reader, std::string& chars, PreparedFile& prepared);
