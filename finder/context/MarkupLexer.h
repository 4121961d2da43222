// Markup: HTML, XML, SVG, and the single-file components of Vue and Svelte,
// and PHP pages. Text between tags, attribute values, comments and CDATA
// are read here; embedded script, style, expressions and PHP go to the code
// lexer of their language.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "finder/context/CodeLexer.h"

namespace context {

struct MarkupRules {
  std::string_view language;
  std::string_view extensions[12];
  bool scriptAndStyle = false;  // <script> as JavaScript (or its lang or type), <style> as CSS, on* and style attributes
  bool mustache = false;        // {{ expression }} in text (Vue, Angular, Jinja)
  bool braces = false;          // { expression } in text and attribute values (Svelte)
  bool directives = false;      // the values of :attr, v-*, @event and #slot are JavaScript (Vue)
  bool php = false;             // <?php ... ?> and <?= ... ?> are PHP
  bool i18nBlock = false;       // <i18n> holds translations (Vue)
};

const MarkupRules* FindMarkupRules(std::string_view extension);

class MarkupLexer final : public Lexer {
 public:
  MarkupLexer(const MarkupRules& rules, const CallMatcher& calls);
  void Line(std::string_view line, Marks& marks) override;
  // Markup text that holds only plain tags is passed over without the
  // machinery of a line, and a script or style that ends among the lines is
  // not lexed at all: its lexer starts afresh at the next one.
  void Skip(std::string_view lines, Marks& marks) override;

 private:
  enum class State : unsigned char {
    Text, Tag, AttributeValue, AttributeCode, Comment, CData, Declaration, Instruction, Embedded, Expression, Php
  };

  // Line from byte from on, the state where it stands.
  void ReadFrom(std::string_view line, std::size_t from, Marks& marks);
  CodeLexer& Code(std::string_view language);
  std::size_t PlainTextEnd(std::string_view line, std::size_t i, std::size_t to, std::size_t asked) const;
  std::size_t StepText(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepTag(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepEmbedded(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepExpression(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepAttributeCode(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t Until(std::string_view line, std::size_t i, std::size_t to, std::string_view end, State next,
                    Marks& marks);
  void Enter(State state, std::size_t at, Marks& marks);
  void EndTag(std::size_t at, Marks& marks);
  Labels StateLabels() const;

  const MarkupRules& rules_;
  const CallMatcher& calls_;
  struct EmbeddedLexer {
    std::string_view language;
    std::unique_ptr<CodeLexer> lexer;
  };
  std::vector<EmbeddedLexer> lexers_;
  CodeLexer* php_ = nullptr;
  State state_ = State::Text;
  State afterExpression_ = State::Text;  // where a {{ }}, { } or PHP block returns to
  State afterPhp_ = State::Text;
  CodeLexer* code_ = nullptr;  // the lexer of Embedded (none for a block of translations), Expression and AttributeCode
  Labels blockLabels_ = 0;     // of Embedded without a lexer
  bool doubleBrace_ = false;
  std::string tag_;            // the tag being read, lower case
  bool closingTag_ = false;
  std::string attribute_;      // the attribute being read, lower case
  std::string language_;       // its lang or type attribute
  char quote_ = 0;             // of the attribute value being read; 0 when unquoted
  bool valueNext_ = false;     // an "=" was read
  std::string embeddedEnd_;    // "</script" or "</style"
  bool skipping_ = false;      // in Skip: nothing is asked, so a block's code that ends on its line is not read
};

}  // namespace context
