// One state machine for every code language, driven by its row of rules:
// comments, strings with their escapes and interpolations, raw strings,
// heredocs, regular expressions, JSX; the calls around a string for the log
// and i18n labels. Its state carries from line to line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "finder/context/CallMatcher.h"
#include "finder/context/CodeRules.h"
#include "finder/context/Lexer.h"

namespace context {

class CodeLexer final : public Lexer {
 public:
  CodeLexer(const CodeRules& rules, const CallMatcher& calls);

  void Line(std::string_view line, Marks& marks) override;

  // For code embedded in markup, read in pieces of lines:
  // A line the code goes on in starts (heredoc bodies end only here).
  void StartLine(std::string_view line);
  // Reads line[from, to); returns where it stopped: at to, or where the
  // embedded code ended (see Embed).
  std::size_t Run(std::string_view line, std::size_t from, std::size_t to, Marks& marks);
  // The line ends (one-line strings and comments with it).
  void EndLine(std::string_view line);
  // The code ends at closer ("}" of a template's {{ }} or a Svelte { })
  // met outside any bracket it opened, or at closeText ("?>") met in code or
  // a line comment at any depth. Starts the lexer afresh.
  void Embed(char closer, std::string_view closeText);
  bool Ended() const { return ended_; }
  // Back to reading after an end (PHP goes on at its next "<?php").
  void Resume() { ended_ = false; }
  Labels Current() const;

 private:
  enum class Kind : unsigned char { Code, LineComment, BlockComment, String, Regex, Heredoc, JsxTag, JsxText };
  enum class Prev : unsigned char { Operator, Value };
  struct Frame {
    Kind kind = Kind::Code;
    Labels labels = 0;
    char escape = 0;
    bool multiline = false;
    bool doubledClose = false;
    bool indentedEnd = false;  // Heredoc: its end may be indented
    bool closingTag = false;   // JsxTag
    char closer = 0;           // Code: the bracket that ends an embedded expression
    std::size_t base = 0;      // Code: brackets open when it began
    int depth = 0;             // BlockComment: nesting; JSX: elements open; Regex: in a class
    std::string_view open;     // BlockComment: its opening, for nesting
    std::string_view interpolation;
    std::string close;
  };
  struct Bracket {
    char open;
    Labels calls;
  };

  void Push(Frame frame, std::size_t at, Marks& marks);
  void Pop(std::size_t at, Marks& marks);
  std::size_t StepCode(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepString(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepComment(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepRegex(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t StepJsx(std::string_view line, std::size_t i, std::size_t to, Marks& marks);
  std::size_t OpensComment(std::string_view line, std::size_t i, Marks& marks);
  std::size_t OpensSpecialString(std::string_view line, std::size_t i, std::size_t identifierEnd, Marks& marks);
  std::size_t OpensHeredoc(std::string_view line, std::size_t i);
  void OpenString(const StringForm& form, std::string close, std::size_t at, std::size_t after, Marks& marks);
  Labels StringLabels(Label where) const;
  void NoteIdentifier(std::string_view name);
  void ForgetCallee();

  const CodeRules& rules_;
  bool opens_[256] = {};   // bytes that may open a comment or a string
  bool rawNames_ = false;  // names before a quote may open a raw string
  const CallMatcher& calls_;
  std::vector<Frame> frames_;
  std::vector<Bracket> brackets_;
  std::string callee_;         // the names just read, joined by "." (console.log)
  bool calleeJoins_ = false;   // a "." came after the last name
  Prev prev_ = Prev::Operator;
  bool statementStart_ = true;
  bool lineStart_ = true;
  std::string pendingHeredoc_;
  bool pendingIndented_ = false;
  std::string_view closeText_;
  bool ended_ = false;
};

}  // namespace context
