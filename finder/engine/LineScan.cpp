#include "finder/engine/LineScan.h"

#include <cerrno>
#include <new>

#include "finder/engine/HanziExtraction.h"
#include "finder/engine/ReportWriter.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace {

using platform::TextEncoding;

// Lines a worker may collect for one file, and a file read on trial as UTF-8
// may hold back; a file with more is read at its turn, or read again.
constexpr std::size_t kMostBufferedLines = 1 << 20;

// Why a line loop ended.
enum class LoopEnd {
  Ended,     // the end of the text, or a cancel
  Limit,     // the per-file limit was reached
  NotUtf8,   // read on trial as UTF-8, the text is not
  HeldFull   // read on trial as UTF-8, its lines would not fit the buffer
};

// Hits held back: their numbers, characters and (when keepLines) lines, to
// be handed on later; full once they would pass kMostBufferedLines.
class HeldHits : public HitSink {
 public:
  struct Full {};
  explicit HeldHits(bool keepLines) : keepLines_(keepLines) {}
  void Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) override {
    if (!keepLines_) line = {};
    // Checked before the copy, so that a huge line is never held twice.
    if (chars_.size() + lines_.size() + chars.size() + line.size() > kMostBufferedLines) throw Full{};
    chars_.append(chars);
    lines_.append(line);
    held_.push_back({lineNumber, chars_.size(), lines_.size()});
  }
  void HandOn(HitSink& to) const {
    std::size_t chars = 0, lines = 0;
    for (const Held& held : held_) {
      to.Hit(held.number, std::string_view(chars_).substr(chars, held.charsEnd - chars),
             std::string_view(lines_).substr(lines, held.linesEnd - lines));
      chars = held.charsEnd;
      lines = held.linesEnd;
    }
  }

 private:
  struct Held {
    std::int64_t number;
    std::size_t charsEnd, linesEnd;
  };
  bool keepLines_;
  std::vector<Held> held_;
  std::string chars_, lines_;
};

// A file whose lines would not fit a worker's buffer: read at its turn.
struct TooLarge {};

// Hit lines as the report's bytes, the header before the first, and (when
// hitLines is given) each line as read.
struct ReportLines : HitSink {
  ReportLines(const std::string& path, std::vector<std::pair<std::int64_t, std::string>>* hitLines)
      : path(path), hitLines(hitLines) {}
  void Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) override {
    // Checked before the copy, so that a huge line is never held twice.
    kept += chars.size() + (hitLines ? line.size() : 0);
    if (kept > kMostBufferedLines) throw TooLarge{};
    if (lines.empty()) AppendHeaderLine(lines, path);
    AppendHitLine(lines, lineNumber, chars);
    if (hitLines) hitLines->emplace_back(lineNumber, line);
  }
  const std::string& path;
  std::vector<std::pair<std::int64_t, std::string>>* hitLines;
  std::size_t kept = 0;
  std::string lines;
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

// The line loop: from the start tag on when tagApplies, each line's
// characters to hits, until the end, a cancel or the limit. On trial, a line
// that is not UTF-8 ends the loop at once; otherwise such a line is marked.
struct Trial {
  bool sawBeyondAscii = false;  // a byte beyond ASCII was met
};

template <class Lines>
LoopEnd ScanLines(const ScanSettings& settings, platform::LineReader& reader, bool tagApplies, std::string_view tag,
                  Trial* trial, std::string& chars, HitSink& hits, LineScan& scan, TextRead& read) {
  bool tagMet = false;
  std::int64_t lineNumber = 0;
  const SignificantBytes significant(settings.SearchUnicode != 0);
  // Only the GBK reading asks whether the file would read as UTF-8: lines
  // with characters are checked until one is not UTF-8, which for a GBK
  // text is its first.
  const bool askUtf8 = read.encoding == TextEncoding::Gbk;
  platform::Utf8Validator utf8;
  bool maybeUtf8 = askUtf8;
  std::string_view line;
  for (;;) {
    // Lines without a byte the extraction could use are only counted; until
    // a start tag is met every line has to be looked at for it.
    if (!tagApplies || tagMet) lineNumber += static_cast<std::int64_t>(reader.SkipPlainLines(significant));
    if (!reader.ReadLine(line)) break;
    if (settings.IsCancelled()) break;
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
    if (chars.empty()) continue;
    if (maybeUtf8) maybeUtf8 = utf8.Feed(line) && utf8.Feed("\n");
    hits.Hit(lineNumber, chars, line);
    if (scan.firstChars.empty()) scan.firstChars.assign(chars, 0, kFirstCharsKept);
    scan.count += static_cast<std::int64_t>(chars.size());
    if (settings.LimitHanZiCountEachFile == 1 &&
        static_cast<std::uint64_t>(scan.count) >= settings.MaxHanZiCountEachFile) {
      if (askUtf8) read.looksLikeUtf8 = maybeUtf8 && utf8.SawNonAscii();
      return LoopEnd::Limit;
    }
  }
  if (askUtf8) read.looksLikeUtf8 = maybeUtf8 && utf8.SawNonAscii();
  return LoopEnd::Ended;
}

// The start tag as the file's text holds it: its UTF-8 form in a file read
// as UTF-8 or UTF-16, the system's bytes otherwise.
std::string TagFor(const ScanSettings& settings, TextEncoding encoding) {
  if (encoding == TextEncoding::Gbk) return settings.strStartTag;
  std::string utf8;
  return platform::AnsiToUtf8(settings.strStartTag, utf8) ? utf8 : settings.strStartTag;
}

// Reads a file in its encoding: past a byte-order mark, UTF-16 as UTF-8.
void ReadAs(platform::LineReader& reader, TextEncoding encoding, std::size_t markLength) {
  if (markLength > 0) reader.StartAt(markLength);
  if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) reader.DecodeUtf16(encoding);
}

// Whether the tag stands on some line of the file at path, read as encoding.
bool TagInFile(const ScanSettings& settings, const std::string& path, TextEncoding encoding, std::size_t markLength,
               std::string_view tag) {
  platform::LineReader reader;
  if (!reader.Open(path)) return false;
  ReadAs(reader, encoding, markLength);
  std::string_view line;
  while (reader.ReadLine(line)) {
    if (settings.IsCancelled()) return false;
    if (LineContains(line, tag)) return true;
  }
  return false;
}

// The rest of the open file (from where the reader stands) is UTF-8 too.
bool RestIsUtf8(platform::LineReader& reader, platform::Utf8Validator& utf8) {
  return reader.FeedRest([&utf8](std::string_view piece) { return utf8.Feed(piece); }) && utf8.Finish();
}

}  // namespace

void ScanText(const ScanSettings& settings, const std::string& tagPath, bool converted, platform::LineReader& reader,
              std::string& chars, HitSink& hits, LineScan& scan, TextRead& read) {
  if (!reader.IsOpen()) return;
  const bool tagWanted = !settings.strStartTag.empty();
  // The byte rule of the text as written: the converter writes the system's
  // own text, whose four-byte forms are whole characters.
  const auto runGbk = [&](TextEncoding encoding, bool tagApplies) {
    read.encoding = encoding;
    const std::string tag = TagFor(settings, TextEncoding::Gbk);
    if (converted)
      ScanLines<SystemTextLines>(settings, reader, tagApplies, tag, nullptr, chars, hits, scan, read);
    else
      ScanLines<GbkLines>(settings, reader, tagApplies, tag, nullptr, chars, hits, scan, read);
  };
  if (settings.Encoding == EncodingSetting::Gbk) {
    // Exactly the byte rule, whatever the file starts with.
    runGbk(TextEncoding::Gbk, tagWanted && settings.ContainsStartTag(tagPath, settings.strStartTag));
    return;
  }

  TextEncoding marked = TextEncoding::Gbk;
  const std::size_t markLength = platform::ByteOrderMark(reader.Head(3), marked);
  // A known encoding: from a byte-order mark, or UTF-8 as the user chose.
  const auto runUnicode = [&](TextEncoding encoding, std::size_t skip) {
    read.encoding = encoding;
    ReadAs(reader, encoding, skip);
    const std::string tag = TagFor(settings, encoding);
    const bool tagApplies =
        tagWanted && (converted ? settings.ContainsStartTag(tagPath, settings.strStartTag)
                                : TagInFile(settings, tagPath, encoding, skip, tag));
    ScanLines<Utf8Lines>(settings, reader, tagApplies, tag, nullptr, chars, hits, scan, read);
    if (reader.HadInvalidUtf16()) read.invalidBytes = true;
  };
  if (markLength > 0) return runUnicode(marked, markLength);
  if (settings.Encoding == EncodingSetting::Utf8) return runUnicode(TextEncoding::Utf8, 0);

  // Automatic, no mark: UTF-8 when the whole text is UTF-8 with a character
  // beyond ASCII, GBK otherwise. With a start tag the file is read once for
  // the tag anyway: the answer is found first.
  platform::Utf8Validator utf8;
  if (tagWanted) {
    const bool isUtf8 = RestIsUtf8(reader, utf8) && utf8.SawNonAscii();
    reader.Rewind();
    if (isUtf8) return runUnicode(TextEncoding::Utf8, 0);
    return runGbk(TextEncoding::Gbk, settings.ContainsStartTag(tagPath, settings.strStartTag));
  }
  // Otherwise the text is read on trial as UTF-8, its hits held back: most
  // GBK texts fail at their first character, and a UTF-8 text is then read
  // only once. Lines the extraction passes over hold no byte beyond ASCII.
  HeldHits held(settings.keepHitLines);
  LineScan trialScan;
  TextRead trialRead;
  trialRead.encoding = TextEncoding::Utf8;
  Trial trial;
  LoopEnd end;
  try {
    end = ScanLines<Utf8Lines>(settings, reader, false, {}, &trial, chars, held, trialScan, trialRead);
  } catch (const HeldHits::Full&) {
    end = LoopEnd::HeldFull;
  }
  bool whole = end != LoopEnd::NotUtf8;
  if (end == LoopEnd::Limit || end == LoopEnd::HeldFull) {
    // What was read is UTF-8; the rest, not read for its lines, decides.
    whole = RestIsUtf8(reader, utf8);
    trial.sawBeyondAscii = trial.sawBeyondAscii || utf8.SawNonAscii();
  }
  const bool isUtf8 = whole && trial.sawBeyondAscii;
  if (whole && end != LoopEnd::HeldFull) {
    // Read as UTF-8, or plain ASCII, which reads the same either way.
    read.encoding = isUtf8 ? TextEncoding::Utf8 : TextEncoding::Gbk;
    scan = std::move(trialScan);
    held.HandOn(hits);
    return;
  }
  reader.Rewind();
  if (isUtf8) return runUnicode(TextEncoding::Utf8, 0);
  runGbk(TextEncoding::Gbk, false);
}

OpenedFile OpenForScan(platform::LineReader& reader, const std::string& fileToRead, bool converted) {
  OpenedFile opened;
  if (!reader.Open(fileToRead)) {
    opened.error = reader.LastError();
    return opened;
  }
  platform::GetIdentity(reader.Descriptor(), opened.identity);
  if (!converted && platform::IsLockedByWriter(reader.Descriptor())) {
    opened.heldByWriter = true;
    opened.error = EBUSY;
    reader.Close();
    return opened;
  }
  opened.opened = true;
  return opened;
}

void PrepareFile(const ScanSettings& settings, const std::string& path, platform::LineReader& reader,
                 std::string& chars, PreparedFile& prepared) {
  ReportLines hits(path, settings.keepHitLines ? &prepared.hitLines : nullptr);
  try {
    prepared.open = OpenForScan(reader, path, false);
    if (prepared.open.opened) {
      ScanText(settings, path, false, reader, chars, hits, prepared.scan, prepared.read);
      if (reader.LastError() != 0) prepared.problems.push_back({ReadProblem::NotWhole, reader.LastError()});
    }
  } catch (const TooLarge&) {
    prepared.tooLarge = true;
  } catch (const std::bad_alloc&) {
    prepared.problems.push_back({ReadProblem::NotWhole, ENOMEM});
    std::string().swap(chars);
  }
  ReleaseLongLineChars(chars);
  if (prepared.tooLarge) {
    prepared.hitLines.clear();
    prepared.scan = LineScan();
    prepared.read = TextRead();
    prepared.problems.clear();
  } else {
    prepared.lines = std::move(hits.lines);
  }
  reader.Close();
}
