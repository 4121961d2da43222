#include "finder/app/scan/SourceLabels.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "finder/app/findings/FindingText.h"
#include "finder/context/Escapes.h"
#include "platform/CodePage.h"
#include "platform/LineReader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using platform::TextEncoding;

// Where the next byte 0x80 or above stands at or after i, n when none does.
std::size_t NextNonAscii(const unsigned char* p, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// A line as the lexers and the escape search read it: UTF-8. Only the ASCII
// around a GBK line's characters and their count matter there, so each
// character becomes a stand-in of its own length: a double-byte one C2 80
// (U+0080), a four-byte form F0 90 80 80 (U+10000). A byte that makes no
// character (one that GBK leaves alone) is no UTF-8 either, and counts as
// one as it does in GBK. Lines of other encodings already are UTF-8.
std::string_view Utf8Form(std::string_view line, TextEncoding encoding, bool systemText, std::string& scratch) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  std::size_t i = encoding == TextEncoding::Gbk ? NextNonAscii(p, 0, n) : n;
  if (i == n) return line;
  scratch.assign(line);
  while (i < n) {
    char32_t ignored;
    const std::size_t length = systemText ? platform::DecodeAnsiChar(line, i, ignored) : platform::GbkCharLength(line, i);
    if (length == 2) {
      scratch[i] = '\xC2';
      scratch[i + 1] = '\x80';
    } else if (length == 4) {
      scratch.replace(i, 4, "\xF0\x90\x80\x80");
    }
    i = NextNonAscii(p, i + (length > 0 ? length : 1), n);
  }
  return scratch;
}

// The same for a line whose columns do not matter, only what the lexers
// read in it: a GBK trail byte that looks like ASCII ("\\", "{", a letter)
// must not read as such. Most Chinese text (GB2312's) has none, and its line
// is then read as it is.
std::string_view LexedForm(std::string_view line, TextEncoding encoding, std::string& scratch) {
  if (encoding != TextEncoding::Gbk) return line;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  bool copied = false;
  for (std::size_t i = NextNonAscii(p, 0, n); i < n; i = NextNonAscii(p, i, n)) {
    const std::size_t length = platform::GbkCharLength(line, i);
    if (length == 2 && p[i + 1] < 0x80) {
      if (!copied) scratch.assign(line);
      copied = true;
      scratch[i + 1] = '\x80';
    }
    i += length;
  }
  return copied ? std::string_view(scratch) : line;
}

// The line with the engine's runs blanked out code point for code point, so
// that a reference the engine converted already is not found again as an
// escape, and every later column stays where it was.
std::string_view WithoutRuns(std::string_view line, const std::vector<CharacterRun>& runs, std::string& scratch) {
  if (runs.empty()) return line;
  scratch.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t next = 0;
  std::int64_t column = 1;
  for (std::size_t i = 0; i < line.size(); ++column) {
    char32_t ignored;
    const int decoded = p[i] < 0x80 ? 1 : platform::DecodeUtf8(p + i, line.size() - i, ignored);
    const std::size_t length = decoded > 0 ? static_cast<std::size_t>(decoded) : 1;
    while (next < runs.size() && runs[next].characterColumn + runs[next].characterSpan <= column) ++next;
    const bool inRun = next < runs.size() && runs[next].characterColumn <= column;
    if (inRun)
      scratch.push_back(' ');
    else
      scratch.append(line.substr(i, length));
    i += length;
  }
  return scratch;
}

// The reader of each thread, used again from file to file (its buffer is
// large); a second file open at once on the same thread gets one of its own.
struct ThreadReader {
  platform::LineReader reader;
  bool busy = false;
};

class FileLabels final : public FileAnnotation {
 public:
  FileLabels(const SourceLabelsOptions& options, const context::Classifier& classifier, const std::string& here,
             const AnnotatedFile& file)
      : options_(options), path_(file.path), encoding_(file.encoding), markLength_(file.markLength),
        converted_(file.converted), forms_(platform::CountedForms::Get(options.chars)) {
    // The path's folders label tests and locale files as the project names
    // them, not the folders it lies in (a CI workspace under "test/").
    if (options.labels)
      context_.emplace(classifier, findings::RelativePath(platform::AnsiToUtf8OrRaw(file.path), here));
  }
  ~FileLabels() override {
    if (reader_ == nullptr) return;
    reader_->Close();
    if (reader_ == &shared_.reader) shared_.busy = false;
  }
  FileLabels(const FileLabels&) = delete;
  FileLabels& operator=(const FileLabels&) = delete;

  void Line(std::int64_t lineNumber, std::string_view line, std::optional<std::string_view> before,
            std::vector<CharacterRun>& runs) override {
    if (options_.escapes) AddEscapes(line, runs);
    if (context_ && !runs.empty()) Label(lineNumber, line, before, runs);
  }

 private:
  void AddEscapes(std::string_view line, std::vector<CharacterRun>& runs) {
    const std::string_view text = WithoutRuns(Utf8Form(line, encoding_, converted_, utf8_), runs, blanked_);
    FindEscapes(text, [this](char32_t c) { return forms_.Lookup(c) != 0; }, escaped_);
    if (escaped_.empty()) return;
    const std::size_t found = runs.size();
    StoredColumns columns(line, encoding_, converted_);
    for (context::EscapedRun& escaped : escaped_) {
      CharacterRun& run = runs.emplace_back();
      run.characterColumn = escaped.column;
      run.characterSpan = escaped.span;
      run.byteColumn = columns.At(escaped.column);
      run.text = std::move(escaped.text);
    }
    std::inplace_merge(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(found), runs.end(),
                       [](const CharacterRun& a, const CharacterRun& b) { return a.characterColumn < b.characterColumn; });
  }

  void Label(std::int64_t lineNumber, std::string_view line, std::optional<std::string_view> before,
             std::vector<CharacterRun>& runs) {
    columns_.clear();
    for (const CharacterRun& run : runs) columns_.push_back(run.characterColumn);
    labels_.clear();
    if (!context_->ReadsText() || converted_) {
      // The labels come from the path, or (a converted document) from what
      // the lines with runs show.
      context_->Line(context_->ReadsText() ? Utf8Form(line, encoding_, converted_, utf8_) : std::string_view(),
                     columns_, labels_);
    } else if (before && reader_ == nullptr) {
      context_->Line(LexUpTo(*before, line), columns_, labels_);
    } else {
      context_->Line(ReadUpTo(lineNumber), columns_, labels_);
    }
    linesRead_ = lineNumber;
    for (std::size_t k = 0; k < runs.size() && k < labels_.size(); ++k) runs[k].labels = labels_[k];
  }

  // The line, after the lines between the last one lexed and it have gone
  // through the lexer, from the text before it that the scan's reader still
  // holds: the file is not read again.
  std::string_view LexUpTo(std::string_view before, std::string_view line) {
    // The last line lexed ends at the first LF from its content's end.
    if (linesRead_ > 0) lexedEnd_ = std::min(before.find('\n', lexedEnd_), before.size() - 1) + 1;
    if (lexedEnd_ < before.size()) {
      // Whole lines, each with its end: the last one's goes, and the CR before it.
      std::string_view lines = before.substr(lexedEnd_, before.size() - 1 - lexedEnd_);
      if (!lines.empty() && lines.back() == '\r') lines.remove_suffix(1);
      context_->Skip(LexedForm(lines, encoding_, utf8_));
    }
    lexedEnd_ = before.size() + line.size();
    return Utf8Form(line, encoding_, false, utf8_);
  }

  // The file's own line lineNumber, after each line before it has gone
  // through the lexer; empty past its end (or when it cannot be read).
  std::string_view ReadUpTo(std::int64_t lineNumber) {
    if (reader_ == nullptr) {
      if (!shared_.busy) {
        shared_.busy = true;
        reader_ = &shared_.reader;
      } else {
        own_ = std::make_unique<platform::LineReader>();
        reader_ = own_.get();
      }
      if (reader_->Open(path_)) platform::ReadAs(*reader_, encoding_, markLength_);
      // The lines lexed already from the scan's reader are passed over.
      for (std::int64_t passed = 0; passed < linesRead_ && Batched(); ++passed) ++batchNext_;
    }
    // The lines before it go to the lexer a batch at a time: the reader's
    // lines of one batch follow each other in its buffer, ends and all.
    while (linesRead_ + 1 < lineNumber && Batched()) {
      const std::size_t take = std::min(batchSize_ - batchNext_, static_cast<std::size_t>(lineNumber - 1 - linesRead_));
      const std::string_view first = batch_[batchNext_], last = batch_[batchNext_ + take - 1];
      const std::string_view lines(first.data(), static_cast<std::size_t>(last.data() + last.size() - first.data()));
      context_->Skip(LexedForm(lines, encoding_, utf8_));
      batchNext_ += take;
      linesRead_ += static_cast<std::int64_t>(take);
    }
    // Past the file's end its lines are empty.
    for (; linesRead_ + 1 < lineNumber; ++linesRead_) context_->Line({}, {}, skipped_);
    std::string_view line;
    if (linesRead_ < lineNumber && Batched()) line = batch_[batchNext_++];
    return Utf8Form(line, encoding_, false, utf8_);
  }

  // True when the batch holds a line not yet taken, read from the reader when it had none.
  bool Batched() {
    if (batchNext_ == batchSize_) {
      batchSize_ = reader_->ReadLines(batch_, kBatch);
      batchNext_ = 0;
    }
    return batchNext_ < batchSize_;
  }

  static constexpr std::size_t kBatch = 64;
  const SourceLabelsOptions& options_;
  std::string path_;
  TextEncoding encoding_;
  std::size_t markLength_;
  bool converted_;
  const platform::CountedForms& forms_;
  std::optional<context::FileContext> context_;
  static thread_local ThreadReader shared_;
  platform::LineReader* reader_ = nullptr;  // opened at the first line labelled
  std::unique_ptr<platform::LineReader> own_;
  std::string_view batch_[kBatch];
  std::size_t batchSize_ = 0, batchNext_ = 0;
  std::int64_t linesRead_ = 0;  // lines through the lexer
  std::size_t lexedEnd_ = 0;    // from the scan's reader: where the last line lexed ends, without its end
  std::string utf8_, blanked_;
  std::vector<context::EscapedRun> escaped_;
  std::vector<std::int64_t> columns_;
  std::vector<context::Labels> labels_, skipped_;
};

thread_local ThreadReader FileLabels::shared_;

}  // namespace

SourceLabels::SourceLabels(const SourceLabelsOptions& options)
    : options_(options), classifier_(options.calls), here_(findings::CurrentFolder()) {}

std::unique_ptr<FileAnnotation> SourceLabels::ForFile(const AnnotatedFile& file) const {
  return std::make_unique<FileLabels>(options_, classifier_, here_, file);
}
