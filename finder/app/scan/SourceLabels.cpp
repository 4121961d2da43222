#include "finder/app/scan/SourceLabels.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "finder/context/Escapes.h"
#include "platform/CodePage.h"
#include "platform/LineReader.h"

namespace {

using platform::TextEncoding;

// A line as the lexers and the escape search read it: UTF-8. A GBK line's
// characters each become one stand-in character, since only the ASCII
// around them and their count matter there, and a table-free pass is
// faster than a decoder. Lines of other encodings already are UTF-8.
std::string_view Utf8Form(std::string_view line, TextEncoding encoding, bool systemText, std::string& scratch) {
  if (encoding != TextEncoding::Gbk) return line;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t i = 0;
  while (i < line.size() && p[i] < 0x80) ++i;
  if (i == line.size()) return line;
  scratch.assign(line.substr(0, i));
  while (i < line.size()) {
    if (p[i] < 0x80) {
      scratch.push_back(static_cast<char>(p[i++]));
      continue;
    }
    char32_t ignored;
    std::size_t length = systemText ? platform::DecodeAnsiChar(line, i, ignored) : platform::GbkCharLength(line, i);
    scratch.append("\xE4\xB8\x80");  // U+4E00
    i += length > 0 ? length : 1;
  }
  return scratch;
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

class FileLabels final : public FileAnnotation {
 public:
  FileLabels(const SourceLabelsOptions& options, const context::Classifier& classifier, const AnnotatedFile& file)
      : options_(options), path_(file.path), encoding_(file.encoding), markLength_(file.markLength),
        converted_(file.converted), forms_(platform::CountedForms::Get(options.chars)) {
    if (options.labels) context_.emplace(classifier, file.path);
  }

  void Line(std::int64_t lineNumber, std::string_view line, std::vector<CharacterRun>& runs) override {
    if (options_.escapes) AddEscapes(line, runs);
    if (context_ && !runs.empty()) Label(lineNumber, line, runs);
  }

 private:
  void AddEscapes(std::string_view line, std::vector<CharacterRun>& runs) {
    const std::string_view text = WithoutRuns(Utf8Form(line, encoding_, converted_, utf8_), runs, blanked_);
    FindEscapes(text, [this](char32_t c) { return forms_.Lookup(c) != 0; }, escaped_);
    if (escaped_.empty()) return;
    const std::size_t found = runs.size();
    for (context::EscapedRun& escaped : escaped_) {
      CharacterRun& run = runs.emplace_back();
      run.characterColumn = escaped.column;
      run.characterSpan = escaped.span;
      run.byteColumn = StoredColumn(line, encoding_, converted_, escaped.column);
      run.text = std::move(escaped.text);
    }
    std::inplace_merge(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(found), runs.end(),
                       [](const CharacterRun& a, const CharacterRun& b) { return a.characterColumn < b.characterColumn; });
  }

  void Label(std::int64_t lineNumber, std::string_view line, std::vector<CharacterRun>& runs) {
    columns_.clear();
    for (const CharacterRun& run : runs) columns_.push_back(run.characterColumn);
    labels_.clear();
    if (!context_->ReadsText() || converted_) {
      // The labels come from the path, or (a converted document) from what
      // the lines with runs show.
      context_->Line(context_->ReadsText() ? Utf8Form(line, encoding_, converted_, utf8_) : std::string_view(),
                     columns_, labels_);
    } else {
      context_->Line(ReadUpTo(lineNumber), columns_, labels_);
    }
    for (std::size_t k = 0; k < runs.size() && k < labels_.size(); ++k) runs[k].labels = labels_[k];
  }

  // The file's own line lineNumber, after each line before it has gone
  // through the lexer; empty past its end (or when it cannot be read).
  std::string_view ReadUpTo(std::int64_t lineNumber) {
    if (!opened_) {
      opened_ = true;
      if (reader_.Open(path_)) platform::ReadAs(reader_, encoding_, markLength_);
    }
    std::string_view line;
    while (linesRead_ < lineNumber) {
      if (!reader_.ReadLine(line)) line = {};
      ++linesRead_;
      if (linesRead_ == lineNumber) break;
      context_->Line(Utf8Form(line, encoding_, false, utf8_), {}, skipped_);
    }
    return Utf8Form(line, encoding_, false, utf8_);
  }

  const SourceLabelsOptions& options_;
  std::string path_;
  TextEncoding encoding_;
  std::size_t markLength_;
  bool converted_;
  const platform::CountedForms& forms_;
  std::optional<context::FileContext> context_;
  platform::LineReader reader_;
  bool opened_ = false;
  std::int64_t linesRead_ = 0;
  std::string utf8_, blanked_;
  std::vector<context::EscapedRun> escaped_;
  std::vector<std::int64_t> columns_;
  std::vector<context::Labels> labels_, skipped_;
};

}  // namespace

SourceLabels::SourceLabels(const SourceLabelsOptions& options) : options_(options), classifier_(options.calls) {}

std::unique_ptr<FileAnnotation> SourceLabels::ForFile(const AnnotatedFile& file) const {
  return std::make_unique<FileLabels>(options_, classifier_, file);
}
