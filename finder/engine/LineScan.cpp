#include "finder/engine/LineScan.h"

#include <cerrno>
#include <new>
#include <optional>

#include "finder/engine/HanziExtraction.h"
#include "finder/engine/ReportWriter.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/CodePage.h"
#include "platform/FileKinds.h"
#include "platform/Files.h"

namespace {

using platform::TextEncoding;

// Lines a worker may collect for one file, and a file read on trial as UTF-8
// may hold back; a file with more is read at its turn, or read again.
constexpr std::size_t kMostBufferedLines = 1 << 20;

// A text up to this long stays whole in the reader while a search annotates.
constexpr std::size_t kTextKeptForAnnotation = 1 << 20;

// Why a line loop ended.
enum class LoopEnd {
  Ended,       // the end of the text, or a cancel
  Limit,       // the per-file limit was reached
  NotUtf8,     // read on trial as UTF-8, the text is not
  StopFile,    // the sink could take no more of the file's lines
  StopSearch   // the sink ended the search
};

bool LineContains(std::string_view line, std::string_view tag) {
  return !tag.empty() && line.find(tag) != std::string_view::npos;
}

// Hits held back: their numbers, characters and (when keepLines) lines, to
// be handed on later; the file's lines are refused once they would pass
// kMostBufferedLines. A line is handed on where the reader still holds it,
// when it does, so that what is handed on can see the text before it.
class HeldHits : public HitSink {
 public:
  HeldHits(bool keepLines, const platform::LineReader& reader) : keepLines_(keepLines), reader_(reader) {}
  SinkVerdict Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) override {
    return Hold(lineNumber, chars, line, true);
  }
  SinkVerdict Uncounted(std::int64_t lineNumber, std::string_view line) override {
    return Hold(lineNumber, {}, line, false);
  }
  // Hands the held hits to the sink, as long as it takes them.
  SinkVerdict HandOn(HitSink& to) const {
    std::size_t chars = 0, lines = 0;
    const std::optional<std::string_view> text = reader_.TextKept();
    for (const Held& held : held_) {
      std::string_view line = std::string_view(lines_).substr(lines, held.linesEnd - lines);
      if (text && held.at != kNowhere && held.at + line.size() <= text->size()) line = text->substr(held.at, line.size());
      const SinkVerdict verdict =
          held.counted ? to.Hit(held.number, std::string_view(chars_).substr(chars, held.charsEnd - chars), line)
                       : to.Uncounted(held.number, line);
      if (verdict != SinkVerdict::GoOn) return verdict;
      chars = held.charsEnd;
      lines = held.linesEnd;
    }
    return SinkVerdict::GoOn;
  }

 private:
  SinkVerdict Hold(std::int64_t lineNumber, std::string_view chars, std::string_view line, bool counted) {
    if (!keepLines_) line = {};
    // Checked before the copy, so that a huge line is never held twice.
    if (chars_.size() + lines_.size() + chars.size() + line.size() > kMostBufferedLines) return SinkVerdict::StopFile;
    chars_.append(chars);
    lines_.append(line);
    const std::optional<std::string_view> before = line.empty() ? std::nullopt : reader_.TextBefore(line.data());
    held_.push_back({lineNumber, chars_.size(), lines_.size(), before ? before->size() : kNowhere, counted});
    return SinkVerdict::GoOn;
  }

  static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
  struct Held {
    std::int64_t number;
    std::size_t charsEnd, linesEnd;
    std::size_t at;  // where the line starts in the reader's text, kNowhere when it was not held there
    bool counted;    // a hit, not a line only looked at
  };
  bool keepLines_;
  const platform::LineReader& reader_;
  std::vector<Held> held_;
  std::string chars_, lines_;
};

// The report's lines as bytes in a worker's buffer, refused once they (and
// the runs found beside them, about twice their size) would pass
// kMostBufferedLines.
class LinesToBuffer : public ReportLines {
 public:
  // Without a report (findings alone) no line is made, but they count as before.
  LinesToBuffer(std::string& out, bool withRuns, bool report) : out_(out), withRuns_(withRuns), report_(report) {}
  void Header(std::string_view path) override {
    if (report_) AppendHeaderLine(out_, path);
  }
  bool HitLine(std::int64_t lineNumber, std::string_view chars) override {
    // Checked before the copy, so that a huge line is never held twice.
    kept_ += chars.size() + (withRuns_ ? 2 * chars.size() : 0);
    if (kept_ > kMostBufferedLines) return false;
    if (report_) AppendHitLine(out_, lineNumber, chars);
    return true;
  }
  bool Beside(std::size_t bytes) override {
    kept_ += bytes;
    return kept_ <= kMostBufferedLines;
  }

 private:
  std::string& out_;
  bool withRuns_;
  bool report_;
  std::size_t kept_ = 0;
};

// Each hit's runs kept beside the worker's lines.
class RunsToBuffer : public RunSink {
 public:
  explicit RunsToBuffer(PreparedFile& out) : out_(out) {}
  // The line's runs stay as they are, their room kept for the next line.
  SinkVerdict Runs(const std::string&, TextEncoding, std::int64_t lineNumber, std::string_view,
                   std::vector<CharacterRun>& runs) override {
    for (CharacterRun& run : runs) {
      out_.texts += run.text;
      out_.textEnds.push_back(out_.texts.size());
      std::string text;
      text.swap(run.text);
      out_.runs.push_back(run);
      run.text.swap(text);
    }
    out_.hitRuns.emplace_back(lineNumber, runs.size());
    return SinkVerdict::GoOn;
  }

 private:
  PreparedFile& out_;
};

// The extraction of a line in each way a file is read. Each returns false
// when the line held bytes its encoding does not allow.
struct GbkLines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    ExtractHanzi(line, unicode, chars);
    return true;
  }
};
struct SystemTextLines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    ExtractSystemText(line, unicode, chars);
    return true;
  }
};
struct Utf8Lines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    return ExtractHanziUtf8(line, unicode, chars);
  }
};
// The same under the Han character set.
struct HanGbkLines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    ExtractHan(line, unicode, false, chars);
    return true;
  }
};
struct HanSystemTextLines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    ExtractHan(line, unicode, true, chars);
    return true;
  }
};
struct HanUtf8Lines {
  static bool Extract(std::string_view line, int unicode, std::string& chars) {
    return ExtractHanziUtf8(line, unicode, chars, platform::CharacterSet::Han);
  }
};

// A reading on trial as UTF-8: a line that is not UTF-8 ends it at once.
struct Trial {
  bool sawBeyondAscii = false;  // a byte beyond ASCII was met
};

// The line loop: from the start tag on when tagApplies, each line's
// characters to hits, until the end, a cancel, the limit or a verdict. Off
// trial, a line that is not valid in its encoding is marked.
template <class Lines>
LoopEnd ScanLines(const ScanSettings& settings, const SearchWiring& wiring, platform::LineReader& reader,
                  bool tagApplies, std::string_view tag, Trial* trial, std::string& chars, HitSink& hits,
                  LineScan& scan, TextRead& read) {
  bool tagMet = false;
  std::int64_t lineNumber = 0;
  platform::StopBytes stops = SignificantBytes(settings.SearchUnicode != 0).Stops();
  // With escapes, a line of ASCII may hold Chinese written as escapes.
  const bool escapes = settings.findRuns && settings.findEscapes;
  if (escapes) stops.Add('\\').Add('&').Add('%');
  // Only a file read as GBK by the user's choice asks whether it would read
  // as UTF-8: lines with characters are checked until one is not UTF-8,
  // which for a GBK text is its first. (The automatic choice has asked
  // already, and found it is not.)
  const bool askUtf8 = read.encoding == TextEncoding::Gbk && settings.Encoding == platform::EncodingChoice::Gbk;
  platform::Utf8Validator utf8;
  bool maybeUtf8 = askUtf8;
  const auto answerUtf8 = [&] {
    if (askUtf8) read.looksLikeUtf8 = maybeUtf8 && utf8.SawNonAscii();
  };
  std::string_view line;
  for (;;) {
    // Lines without a byte the extraction could use are only counted; until
    // a start tag is met every line has to be looked at for it.
    if (!tagApplies || tagMet) lineNumber += static_cast<std::int64_t>(reader.SkipPlainLines(stops));
    if (!reader.ReadLine(line)) break;
    if (wiring.IsCancelled()) break;
    ++lineNumber;
    if (tagApplies && !tagMet) {
      if (!LineContains(line, tag)) continue;
      tagMet = true;
    }
    if (!Lines::Extract(line, settings.SearchUnicode, chars)) {
      if (trial) return LoopEnd::NotUtf8;
      read.invalidBytes = true;
    }
    if (trial && !trial->sawBeyondAscii)
      for (const char c : line) trial->sawBeyondAscii = trial->sawBeyondAscii || static_cast<unsigned char>(c) >= 0x80;
    if (chars.empty()) {
      if (!escapes) continue;
      const SinkVerdict verdict = hits.Uncounted(lineNumber, line);
      if (verdict == SinkVerdict::StopFile) return LoopEnd::StopFile;
      if (verdict == SinkVerdict::StopSearch) return LoopEnd::StopSearch;
      continue;
    }
    if (maybeUtf8) maybeUtf8 = utf8.Feed(line) && utf8.Feed("\n");
    const SinkVerdict verdict = hits.Hit(lineNumber, chars, line);
    if (verdict == SinkVerdict::StopFile) return LoopEnd::StopFile;
    if (scan.firstChars.empty()) scan.firstChars.assign(chars, 0, kFirstCharsKept);
    scan.count += static_cast<std::int64_t>(chars.size());
    if (verdict == SinkVerdict::StopSearch) return LoopEnd::StopSearch;
    if (settings.LimitHanZiCountEachFile == 1 &&
        static_cast<std::uint64_t>(scan.count) >= settings.MaxHanZiCountEachFile) {
      answerUtf8();
      return LoopEnd::Limit;
    }
  }
  answerUtf8();
  return LoopEnd::Ended;
}

// How a text is read, with the extraction of the search's character set.
enum class LineKind { Gbk, SystemText, Utf8 };

template <class... Args>
LoopEnd ScanAs(LineKind kind, const ScanSettings& settings, Args&&... args) {
  const bool han = settings.Chars == platform::CharacterSet::Han;
  switch (kind) {
    case LineKind::Gbk:
      return han ? ScanLines<HanGbkLines>(settings, std::forward<Args>(args)...)
                 : ScanLines<GbkLines>(settings, std::forward<Args>(args)...);
    case LineKind::SystemText:
      return han ? ScanLines<HanSystemTextLines>(settings, std::forward<Args>(args)...)
                 : ScanLines<SystemTextLines>(settings, std::forward<Args>(args)...);
    case LineKind::Utf8:
      break;
  }
  return han ? ScanLines<HanUtf8Lines>(settings, std::forward<Args>(args)...)
             : ScanLines<Utf8Lines>(settings, std::forward<Args>(args)...);
}

// The start tag as the file's text holds it: its UTF-8 form in a file read
// as UTF-8 or UTF-16, the system's bytes otherwise.
std::string TagFor(const ScanSettings& settings, TextEncoding encoding) {
  if (encoding == TextEncoding::Gbk) return settings.strStartTag;
  std::string utf8;
  return platform::AnsiToUtf8(settings.strStartTag, utf8) ? utf8 : settings.strStartTag;
}

// The rest of the open file (from where the reader stands) is UTF-8 too.
bool RestIsUtf8(platform::LineReader& reader, platform::Utf8Validator& utf8) {
  return reader.FeedRest([&utf8](std::string_view piece) { return utf8.Feed(piece); }) && utf8.Finish();
}

// What a sink's last word leaves for the file's caller.
void Note(LoopEnd end, ScannedFile& result) {
  result.stoppedFile = end == LoopEnd::StopFile;
  result.stopSearch = end == LoopEnd::StopSearch;
  result.limitReached = end == LoopEnd::Limit;
}
void Note(SinkVerdict verdict, ScannedFile& result) {
  result.stoppedFile = verdict == SinkVerdict::StopFile;
  result.stopSearch = verdict == SinkVerdict::StopSearch;
}

// The open file's lines in the encoding the settings give it.
void ScanText(const ScanSettings& settings, const SearchWiring& wiring, const std::string& tagPath, bool converted,
              platform::LineReader& reader, std::string& chars, HitSink& hits, ScannedFile& result) {
  TextRead& read = result.read;
  LineScan& scan = result.scan;
  const bool tagWanted = !settings.strStartTag.empty();
  // The tag of the system's text, looked for in the file handed in (a
  // converted document's own file).
  const auto systemTagIn = [&] {
    return tagWanted && ContainsStartTag(wiring, tagPath, TextEncoding::Gbk, 0, settings.strStartTag);
  };
  // The byte rule of the text as written: the converter writes the system's
  // own text, whose four-byte forms are whole characters, whatever the
  // user's choice of encoding for files.
  const auto runGbk = [&](bool tagApplies) {
    read.encoding = TextEncoding::Gbk;
    Note(ScanAs(converted ? LineKind::SystemText : LineKind::Gbk, settings, wiring, reader, tagApplies,
                settings.strStartTag, nullptr, chars, hits, scan, read),
         result);
  };
  // A known Unicode encoding: from a byte-order mark, or UTF-8 as chosen.
  const auto runUnicode = [&](TextEncoding encoding, std::size_t markLength) {
    read.encoding = encoding;
    read.markLength = markLength;
    platform::ReadAs(reader, encoding, markLength);
    const std::string tag = TagFor(settings, encoding);
    const bool tagApplies = tagWanted && ContainsStartTag(wiring, tagPath, encoding, markLength, tag);
    Note(ScanAs(LineKind::Utf8, settings, wiring, reader, tagApplies, tag, nullptr, chars, hits, scan, read), result);
    if (reader.HadInvalidUtf16()) read.invalidBytes = true;
  };

  TextEncoding encoding;
  std::size_t markLength = 0;
  if (converted) return runGbk(systemTagIn());
  const std::string_view head = reader.RawHead(platform::kBinaryHeadBytes);
  if (platform::IsBinary(head)) {
    result.binary = true;
    return;
  }
  read.utf16Marked = settings.Encoding == platform::EncodingChoice::Gbk &&
                     platform::ByteOrderMark(head, encoding) == 2;
  if (platform::EncodingBeforeReading(reader, settings.Encoding, encoding, markLength)) {
    if (encoding == TextEncoding::Gbk) return runGbk(systemTagIn());
    return runUnicode(encoding, markLength);
  }

  // The automatic choice and a file without a mark: its text decides. With a
  // start tag the file is read once for the tag anyway, so the answer is
  // found first.
  if (tagWanted) {
    if (platform::DetectEncoding(reader, settings.Encoding, markLength) == TextEncoding::Utf8)
      return runUnicode(TextEncoding::Utf8, 0);
    return runGbk(systemTagIn());
  }
  // Otherwise the text is read on trial as UTF-8, its hits held back: most
  // GBK texts fail at their first character, and a UTF-8 text is then read
  // only once. Lines the extraction passes over hold no byte beyond ASCII.
  HeldHits held(settings.findRuns, reader);
  ScannedFile trialResult;
  trialResult.read.encoding = TextEncoding::Utf8;
  Trial trial;
  const LoopEnd end = ScanAs(LineKind::Utf8, settings, wiring, reader, false, std::string_view(), &trial, chars,
                            held, trialResult.scan, trialResult.read);
  // A trial cut short (the limit, or more hits than are held) has read only
  // part of the file: the rest, not read for its lines, decides.
  platform::Utf8Validator rest;
  const bool cutShort = end == LoopEnd::Limit || end == LoopEnd::StopFile;
  const bool whole = end != LoopEnd::NotUtf8 && (!cutShort || RestIsUtf8(reader, rest));
  encoding = platform::UnmarkedEncoding(whole, trial.sawBeyondAscii || rest.SawNonAscii());
  if (whole && end != LoopEnd::StopFile) {
    // Read as UTF-8, or plain ASCII, which reads the same either way.
    read.encoding = encoding;
    scan = std::move(trialResult.scan);
    Note(held.HandOn(hits), result);
    if (end == LoopEnd::Limit) result.limitReached = true;
    return;
  }
  reader.Rewind();
  if (encoding == TextEncoding::Utf8) return runUnicode(TextEncoding::Utf8, 0);
  runGbk(false);
}

OpenedFile OpenForScan(platform::LineReader& reader, const std::string& fileToRead, bool converted) {
  OpenedFile opened;
  if (!reader.Open(fileToRead)) {
    opened.error = reader.LastError();
    return opened;
  }
  opened.identity = reader.Identity();
  if (!converted && platform::IsLockedByWriter(reader.Descriptor())) {
    opened.heldByWriter = true;
    opened.error = EBUSY;
    reader.Close();
    return opened;
  }
  opened.opened = true;
  return opened;
}

// The characters of a long line are given back when its file is done, so
// that one long line does not hold its memory for the rest of the search.
void ReleaseLongLineChars(std::string& chars) {
  if (chars.capacity() > (1u << 20)) std::string().swap(chars);
}

}  // namespace

void LinesToReport::Header(std::string_view path) { report_.WriteHeader(path); }

bool LinesToReport::HitLine(std::int64_t lineNumber, std::string_view chars) {
  report_.WriteHitLine(lineNumber, chars);
  return true;
}

ReportHits::ReportHits(const ScanSettings& settings, const std::string& path, bool converted, const TextRead& read,
                       const platform::LineReader& reader, ReportLines& lines, RunSink* runs,
                       const RunAnnotator* annotator, const std::vector<std::string>* locators)
    : settings_(settings),
      path_(path),
      converted_(converted),
      read_(read),
      reader_(reader),
      lines_(lines),
      runs_(runs),
      annotator_(annotator),
      locators_(locators) {}

ReportHits::~ReportHits() = default;

bool ReportHits::Marked(std::string_view line) const {
  return !settings_.ignoreMarker.empty() && line.find(settings_.ignoreMarker) != std::string_view::npos;
}

void ReportHits::Annotate(std::int64_t lineNumber, std::string_view line) {
  if (!annotation_) annotation_ = annotator_->ForFile({path_, read_.encoding, read_.markLength, converted_});
  annotation_->Line(lineNumber, line, reader_.TextBefore(line.data()), lineRuns_);
}

std::string_view ReportHits::Locator(std::int64_t lineNumber) const {
  if (!locators_ || lineNumber < 1 || static_cast<std::uint64_t>(lineNumber) > locators_->size()) return {};
  return (*locators_)[static_cast<std::size_t>(lineNumber - 1)];
}

SinkVerdict ReportHits::Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) {
  if (!headerWritten_) lines_.Header(path_);
  headerWritten_ = true;
  if (!lines_.HitLine(lineNumber, chars)) return SinkVerdict::StopFile;
  if (!runs_ || !settings_.findRuns) return SinkVerdict::GoOn;
  if (Marked(line)) {
    lineRuns_.clear();
  } else {
    FindRuns(line, read_.encoding, converted_, settings_.SearchUnicode != 0, settings_.Chars, lineRuns_);
    if (annotator_) Annotate(lineNumber, line);
  }
  return runs_->Runs(path_, read_.encoding, lineNumber, Locator(lineNumber), lineRuns_);
}

SinkVerdict ReportHits::Uncounted(std::int64_t lineNumber, std::string_view line) {
  if (!runs_ || !settings_.findRuns || !annotator_ || Marked(line)) return SinkVerdict::GoOn;
  lineRuns_.clear();
  Annotate(lineNumber, line);
  if (lineRuns_.empty()) return SinkVerdict::GoOn;
  std::size_t bytes = 0;
  for (const CharacterRun& run : lineRuns_) bytes += sizeof run + run.text.size();
  if (!lines_.Beside(bytes)) return SinkVerdict::StopFile;
  return runs_->Runs(path_, read_.encoding, lineNumber, Locator(lineNumber), lineRuns_);
}

bool ContainsStartTag(const SearchWiring& wiring, const std::string& path, TextEncoding encoding,
                      std::size_t markLength, std::string_view tag) {
  if (tag.empty()) return false;
  platform::LineReader reader;
  if (!reader.Open(path)) return false;
  platform::ReadAs(reader, encoding, markLength);
  std::string_view line;
  while (reader.ReadLine(line)) {
    if (wiring.IsCancelled()) return false;
    if (LineContains(line, tag)) return true;
  }
  return false;
}

void ReadFileText(const ScanSettings& settings, const SearchWiring& wiring, const std::string& tagPath,
                  const std::string& fileToRead, bool converted, const ReportWriter* ownReport,
                  platform::LineReader& reader, std::string& chars, HitSink& hits, ScannedFile& result) {
  // The reader is closed and a long line's memory given back however the
  // file ends, a failed report write included.
  struct Done {
    platform::LineReader& reader;
    std::string& chars;
    ~Done() {
      reader.Close();
      ReleaseLongLineChars(chars);
    }
  } done{reader, chars};
  // An annotation may read the text before a line: from the reader, for a
  // file that is not too large, rather than from the file again.
  reader.KeepTextFront(wiring.annotator ? kTextKeptForAnnotation : 0);
  result.open = OpenForScan(reader, fileToRead, converted);
  if (result.open.opened && ownReport && ownReport->IsReport(result.open.identity)) result.open = OpenedFile();
  if (!result.open.opened) return;
  try {
    ScanText(settings, wiring, tagPath, converted, reader, chars, hits, result);
    result.notWholeError = reader.LastError();
  } catch (const std::bad_alloc&) {
    // Memory exhausted (a line too long for it) ends this file as if it had
    // ended; its row is still recorded, and the user learns of it.
    result.notWholeError = ENOMEM;
    std::string().swap(chars);
  }
}

void PrepareFile(const ScanSettings& settings, const SearchWiring& wiring, const std::string& path,
                 platform::LineReader& reader, std::string& chars, PreparedFile& prepared) {
  LinesToBuffer lines(prepared.lines, settings.findRuns, !settings.strLogFile.empty());
  RunsToBuffer runs(prepared);
  ReportHits hits(settings, path, false, prepared.file.read, reader, lines, &runs, wiring.annotator);
  ReadFileText(settings, wiring, path, path, false, nullptr, reader, chars, hits, prepared.file);
  if (prepared.file.stoppedFile) {
    prepared = PreparedFile();
    prepared.tooLarge = true;
  }
}
