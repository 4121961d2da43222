#include "finder/context/SourceContext.h"

#include <algorithm>
#include <cstddef>

#include "finder/context/CallMatcher.h"
#include "finder/context/Lexer.h"
#include "finder/context/PathLabels.h"
#include "platform/TextEncoding.h"

namespace context {

namespace {

constexpr std::string_view kLabelNames[kLabelCount] = {"comment", "string", "text", "attribute", "code",
                                                       "log",     "i18n",   "test", "locale"};

}  // namespace

std::string_view LabelName(Label label) { return kLabelNames[static_cast<int>(label)]; }

bool ParseLabel(std::string_view name, Label& label) {
  for (int i = 0; i < kLabelCount; ++i) {
    if (kLabelNames[i] == name) {
      label = static_cast<Label>(i);
      return true;
    }
  }
  return false;
}

struct FileContext::Impl {
  Labels pathLabels = 0;
  std::unique_ptr<Lexer> lexer;
  Marks marks;
  std::vector<std::size_t> bytes;  // of the line's asked columns
};

FileContext::FileContext(const Classifier& classifier, std::string_view path) : impl_(std::make_unique<Impl>()) {
  impl_->pathLabels = PathLabels(path);
  impl_->lexer = MakeLexer(path, *classifier.calls_);
}

FileContext::~FileContext() = default;

bool FileContext::ReadsText() const { return impl_->lexer != nullptr; }

void FileContext::Line(std::string_view line, std::span<const std::int64_t> columns, std::vector<Labels>& labels) {
  Impl& impl = *impl_;
  if (!impl.lexer) {
    for (std::size_t k = 0; k < columns.size(); ++k) labels.push_back(Bit(Label::Text) | impl.pathLabels);
    return;
  }
  // Code points to bytes, counted as the findings count them: a byte that
  // starts no UTF-8 character is one.
  impl.bytes.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t byte = 0;
  std::int64_t column = 1;
  for (const std::int64_t wanted : columns) {
    while (column < wanted && byte < line.size()) {
      char32_t ignored;
      const int length = p[byte] < 0x80 ? 1 : platform::DecodeUtf8(p + byte, line.size() - byte, ignored);
      byte += length > 0 ? static_cast<std::size_t>(length) : 1;
      ++column;
    }
    impl.bytes.push_back(byte);
  }
  impl.marks.Begin(impl.bytes);
  impl.lexer->Line(line, impl.marks);
  for (const Labels found : impl.marks.Finish()) labels.push_back(found | impl.pathLabels);
}

void FileContext::Skip(std::string_view lines) {
  Impl& impl = *impl_;
  if (!impl.lexer) return;
  impl.marks.Begin({});
  impl.lexer->Skip(lines, impl.marks);
}

Classifier::Classifier(const CallNames& extra) : calls_(std::make_unique<CallMatcher>(extra)) {}

Classifier::~Classifier() = default;

void Classifier::Classify(std::string_view path, std::string_view text, std::span<const Position> positions,
                          std::vector<Labels>& labels) const {
  labels.clear();
  labels.reserve(positions.size());
  if (positions.empty()) return;
  FileContext file(*this, path);
  std::vector<std::int64_t> columns;
  std::size_t next = 0;  // the first position not yet labelled
  std::int64_t lineNumber = 0;
  std::size_t start = 0;
  while (next < positions.size()) {
    ++lineNumber;
    // Past the text's end every position left is labelled as its end.
    const bool past = start > text.size();
    std::string_view line;
    if (!past) {
      std::size_t end = std::min(text.find('\n', start), text.size());
      if (positions[next].line > lineNumber) {
        // The lines up to the next with a position, in one go.
        const std::size_t skipped = start;
        while (end < text.size() && lineNumber + 1 < positions[next].line) {
          end = std::min(text.find('\n', end + 1), text.size());
          ++lineNumber;
        }
        file.Skip(LineIn(text, skipped, end));
        start = end + 1;
        continue;
      }
      line = LineIn(text, start, end);
      start = end + 1;
    }
    columns.clear();
    while (next < positions.size() && (past || positions[next].line <= lineNumber)) {
      columns.push_back(positions[next].column);
      ++next;
    }
    file.Line(line, columns, labels);
  }
}

}  // namespace context
