// The lexical rules of a programming or data language, as one row of a
// table that a reader can hold against the language's reference: its
// extensions, comment forms, string forms and the few special forms that
// the code lexer knows by name.
#pragma once

#include <string_view>

#include "finder/context/SourceContext.h"

namespace context {

struct LineCommentForm {
  std::string_view open;
  bool atWordStart = false;    // only at the line's start or after a blank or ; & | ( (shell's #)
  bool atLineStart = false;    // only as the line's first bytes (#! of a script)
  bool notAfterColon = false;  // not in http:// (SCSS, Less)
};

struct BlockCommentForm {
  std::string_view open;
  std::string_view close;
  bool nests = false;
  bool atLineStart = false;  // Ruby's =begin and =end
};

struct StringForm {
  std::string_view open;
  std::string_view close;
  char escape = '\\';               // 0: none
  bool multiline = false;           // else an unclosed string ends with its line
  bool doubledClose = false;        // the closing quote twice stands for itself ('it''s')
  std::string_view interpolation;   // opens code inside the string; the matching bracket closes it
  Label label = Label::String;
};

// The forms that need more than an opening and a closing text.
enum RawForm : unsigned {
  kCppRaw = 1,       // R"delim( ... )delim" with u8R, uR, UR, LR
  kRustRaw = 2,      // r"...", r#"..."#, br"..."
  kSwiftRaw = 4,     // #"..."#, #"""..."""#
  kDartRaw = 8,      // r'...', r"""...""": no escapes
  kLuaLong = 16,     // [[...]], [==[...]==], and --[[...]] as a comment
  kDollarQuote = 32  // $$...$$, $tag$...$tag$
};

enum class Heredoc { None, Shell, Ruby, Php };

enum class CharLiterals {
  None,
  Always,  // ' always opens a character literal (C, Java)
  Short    // only 'x' or '\...' (Rust's lifetimes and Scala's symbols are no literals)
};

struct CodeRules {
  std::string_view language;
  std::string_view extensions[12];  // lower case, with the dot
  LineCommentForm lineComments[3];
  BlockCommentForm blockComments[2];
  StringForm strings[8];  // a longer opening before a shorter one it starts with
  unsigned raw = 0;
  Heredoc heredoc = Heredoc::None;
  CharLiterals charLiterals = CharLiterals::None;
  bool regexLiterals = false;  // /.../ where an operand is expected
  bool jsx = false;            // <Tag> where an operand is expected
  bool docstrings = false;     // a string standing as a statement is documentation
  bool commandCalls = false;   // calls without parentheses: puts "x", print "x"
};

// The table; nullptr when no row lists the extension (lower case, with the dot).
const CodeRules* FindCodeRules(std::string_view extension);
// The row of a language by its name in the table ("JavaScript", "CSS").
const CodeRules& CodeRulesOf(std::string_view language);

}  // namespace context
