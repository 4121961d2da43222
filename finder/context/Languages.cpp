// Which lexer reads a file, by its extension.
#include <algorithm>

#include "finder/context/CodeLexer.h"
#include "finder/context/LineFormats.h"
#include "finder/context/MarkupLexer.h"
#include "platform/AsciiText.h"
#include "platform/FileKinds.h"

namespace context {

namespace {

// ".ts" is TypeScript, or a Qt Linguist translation file in XML: its first
// line tells.
class TypeScriptOrLinguist final : public Lexer {
 public:
  explicit TypeScriptOrLinguist(const CallMatcher& calls) : calls_(calls) {}
  void Line(std::string_view line, Marks& marks) override {
    if (!chosen_) {
      std::string_view start = line;
      if (start.starts_with("\xEF\xBB\xBF")) start.remove_prefix(3);
      if (start.starts_with("<?xml") || start.starts_with("<!DOCTYPE TS"))
        chosen_ = std::make_unique<MarkupLexer>(*FindMarkupRules(".xml"), calls_);
      else
        chosen_ = std::make_unique<CodeLexer>(CodeRulesOf("TypeScript"), calls_);
    }
    chosen_->Line(line, marks);
  }

 private:
  const CallMatcher& calls_;
  std::unique_ptr<Lexer> chosen_;
};

}  // namespace

void Lexer::Skip(std::string_view lines, Marks& marks) {
  for (std::size_t start = 0;;) {
    const std::size_t lf = std::min(lines.find('\n', start), lines.size());
    Line(LineIn(lines, start, lf), marks);
    if (lf == lines.size()) return;
    start = lf + 1;
  }
}

std::unique_ptr<Lexer> MakeLexer(std::string_view path, const CallMatcher& calls) {
  std::string extension = platform::GetExtension(path);
  for (char& c : extension) c = static_cast<char>(platform::AsciiLower(static_cast<unsigned char>(c)));
  if (extension == ".ts") return std::make_unique<TypeScriptOrLinguist>(calls);
  if (const MarkupRules* markup = FindMarkupRules(extension)) return std::make_unique<MarkupLexer>(*markup, calls);
  if (const CodeRules* code = FindCodeRules(extension)) return std::make_unique<CodeLexer>(*code, calls);
  return MakeLineFormatLexer(extension);
}

}  // namespace context
