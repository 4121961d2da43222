#include "finder/context/CodeLexer.h"

#include <cctype>
#include <cstring>

#include "platform/TextEncoding.h"

namespace context {

namespace {

bool IsNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c >= 0x80;
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool StartsWith(std::string_view line, std::size_t i, std::string_view text) {
  return !text.empty() && i < line.size() && line[i] == text[0] && line.size() - i >= text.size() &&
         line.compare(i, text.size(), text) == 0;
}
char Closing(char open) { return open == '(' ? ')' : open == '[' ? ']' : open == '{' ? '}' : 0; }

// Words after which an operand, not an operator, comes: a "/" there starts a
// regular expression and a "<" a JSX element.
bool PrecedesOperand(std::string_view word) {
  static constexpr std::string_view kWords[] = {"return", "typeof", "instanceof", "in", "of", "new", "delete",
                                                "void", "throw", "case", "do", "else", "yield", "await",
                                                "when", "if", "unless", "and", "or", "not", "puts", "print"};
  // Most names are none of them: a look at the length and the first letter tells.
  if (word.size() < 2 || word.size() > 10 || std::strchr("rtionvdcewyaupt", word[0]) == nullptr) return false;
  for (std::string_view listed : kWords)
    if (listed == word) return true;
  return false;
}

constexpr std::size_t kMaxCallee = 160;

// "<" where an operand is expected: an element (<div, <Foo.Bar, <>), but not
// a TypeScript generic arrow function's parameters (<T,>, <T extends U>).
bool OpensJsx(std::string_view line, std::size_t i) {
  std::size_t j = i + 1;
  if (j < line.size() && line[j] == '>') return true;
  if (j >= line.size() || !std::isalpha(static_cast<unsigned char>(line[j]))) return false;
  while (j < line.size() && (IsNameByte(static_cast<unsigned char>(line[j])) || line[j] == '.' || line[j] == '-')) ++j;
  while (j < line.size() && IsBlank(line[j])) ++j;
  if (j < line.size() && line[j] == ',') return false;
  return line.compare(j, 8, "extends ") != 0;
}

// first, then middle, then last: a raw string's closing text. (Built by
// appending: GCC 12 warns falsely of overlap in "x" + std::string(...).)
std::string Enclosed(char first, std::string_view middle, std::string_view last) {
  std::string text(1, first);
  text.append(middle);
  text.append(last);
  return text;
}

// A string form made on the spot: raw strings, character literals, JSX attributes.
StringForm Quoted(char escape, bool multiline) {
  StringForm form;
  form.escape = escape;
  form.multiline = multiline;
  return form;
}

}  // namespace

CodeLexer::CodeLexer(const CodeRules& rules, const CallMatcher& calls) : rules_(rules), calls_(calls) {
  // The bytes that may open a comment or a string, so that every other
  // byte of code is passed over at once.
  auto opens = [this](char c) { opens_[static_cast<unsigned char>(c)] = true; };
  for (const LineCommentForm& form : rules_.lineComments)
    if (!form.open.empty()) opens(form.open[0]);
  for (const BlockCommentForm& form : rules_.blockComments)
    if (!form.open.empty()) opens(form.open[0]);
  for (const StringForm& form : rules_.strings)
    if (!form.open.empty()) opens(form.open[0]);
  if (rules_.raw & kSwiftRaw) opens('#');
  if (rules_.raw & kLuaLong) opens('[');
  if (rules_.raw & kDollarQuote) opens('$');
  if (rules_.heredoc != Heredoc::None || rules_.jsx) opens('<');
  if (rules_.regexLiterals) opens('/');
  if (rules_.charLiterals != CharLiterals::None) opens('\'');
  rawNames_ = (rules_.raw & (kCppRaw | kRustRaw | kDartRaw)) != 0;
  frames_.reserve(8);
  brackets_.reserve(32);
  callee_.reserve(kMaxCallee);
  frames_.emplace_back();
}

void CodeLexer::Embed(char closer, std::string_view closeText) {
  frames_.clear();
  brackets_.clear();
  Frame base;
  base.closer = closer;
  frames_.push_back(base);
  closeText_ = closeText;
  ended_ = false;
  prev_ = Prev::Operator;
  ForgetCallee();
}

Labels CodeLexer::Current() const {
  const Frame& top = frames_.back();
  switch (top.kind) {
    case Kind::Code:
    case Kind::JsxTag:
      return Bit(Label::Code);
    case Kind::JsxText:
      return Bit(Label::Text);
    case Kind::LineComment:
    case Kind::BlockComment:
      return Bit(Label::Comment);
    default:
      return top.labels;
  }
}

void CodeLexer::Push(Frame frame, std::size_t at, Marks& marks) {
  frames_.push_back(std::move(frame));
  marks.Set(at, Current());
}

void CodeLexer::Pop(std::size_t at, Marks& marks) {
  if (frames_.size() > 1) frames_.pop_back();
  marks.Set(at, Current());
}

void CodeLexer::ForgetCallee() {
  callee_.clear();
  calleeJoins_ = false;
}

void CodeLexer::NoteIdentifier(std::string_view name) {
  if (!calleeJoins_) callee_.clear();
  if (callee_.size() + name.size() <= kMaxCallee) callee_.append(name);
  calleeJoins_ = false;
}

Labels CodeLexer::StringLabels(Label where) const {
  Labels labels = Bit(where);
  if (where == Label::Code) return labels;
  if (!brackets_.empty()) labels |= brackets_.back().calls;
  // puts "x", logger.info "x", print "x": the string right after a name
  if (rules_.commandCalls && !callee_.empty() && !calleeJoins_)
    labels |= calls_.Match(callee_);
  return labels;
}

void CodeLexer::OpenString(const StringForm& form, std::string close, std::size_t at, std::size_t after,
                           Marks& marks) {
  Frame frame;
  frame.kind = Kind::String;
  frame.escape = form.escape;
  frame.multiline = form.multiline;
  frame.doubledClose = form.doubledClose;
  frame.interpolation = form.interpolation;
  frame.close = std::move(close);
  Label where = form.label;
  // A string standing alone as a statement documents the code around it.
  if (rules_.docstrings && statementStart_ && brackets_.empty() && where == Label::String) where = Label::Comment;
  if (frames_.back().kind == Kind::JsxTag) where = Label::Attribute;
  frame.labels = StringLabels(where);
  Push(std::move(frame), at, marks);
  marks.Set(after, Current());
  ForgetCallee();
  statementStart_ = false;
}

void CodeLexer::Line(std::string_view line, Marks& marks) {
  StartLine(line);
  Run(line, 0, line.size(), marks);
  EndLine(line);
}

void CodeLexer::StartLine(std::string_view line) {
  lineStart_ = true;
  if (!pendingHeredoc_.empty() && frames_.back().kind != Kind::Heredoc) {
    Frame frame;
    frame.kind = Kind::Heredoc;
    frame.labels = Bit(Label::String) | (brackets_.empty() ? 0 : brackets_.back().calls);
    frame.close = std::move(pendingHeredoc_);
    frame.indentedEnd = pendingIndented_;
    frames_.push_back(std::move(frame));
    pendingHeredoc_.clear();
  }
  Frame& top = frames_.back();
  if (top.kind != Kind::Heredoc) return;
  std::string_view rest = line;
  if (top.indentedEnd)
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.substr(0, top.close.size()) == top.close &&
      (rest.size() == top.close.size() || !IsNameByte(static_cast<unsigned char>(rest[top.close.size()]))))
    frames_.pop_back();
}

void CodeLexer::EndLine(std::string_view line) {
  Frame& top = frames_.back();
  if (top.kind == Kind::LineComment || top.kind == Kind::Regex) {
    frames_.pop_back();
  } else if (top.kind == Kind::String && !top.multiline) {
    // A backslash at the end carries a one-line string on (C, Python, JavaScript).
    if (!(top.escape != 0 && !line.empty() && line.back() == top.escape)) frames_.pop_back();
  }
  ForgetCallee();
  statementStart_ = brackets_.empty();
}

std::size_t CodeLexer::Run(std::string_view line, std::size_t from, std::size_t to, Marks& marks) {
  marks.Set(from, Current());
  std::size_t i = from;
  while (i < to && !ended_) {
    switch (frames_.back().kind) {
      case Kind::Code:
        i = StepCode(line, i, to, marks);
        break;
      case Kind::String:
        i = StepString(line, i, to, marks);
        break;
      case Kind::LineComment:
      case Kind::BlockComment:
        i = StepComment(line, i, to, marks);
        break;
      case Kind::Regex:
        i = StepRegex(line, i, to, marks);
        break;
      case Kind::Heredoc:
        i = to;
        break;
      case Kind::JsxTag:
      case Kind::JsxText:
        i = StepJsx(line, i, to, marks);
        break;
    }
    lineStart_ = false;
  }
  return i;
}

// Returns where the comment's text starts, or 0 when none starts at i.
std::size_t CodeLexer::OpensComment(std::string_view line, std::size_t i, Marks& marks) {
  if ((rules_.raw & kLuaLong) && StartsWith(line, i, "--[")) {
    std::size_t j = i + 3;
    while (j < line.size() && line[j] == '=') ++j;
    if (j < line.size() && line[j] == '[') {
      Frame frame;
      frame.kind = Kind::BlockComment;
      frame.close = Enclosed(']', std::string(j - i - 3, '='), "]");
      Push(std::move(frame), i, marks);
      return j + 1;
    }
  }
  for (const BlockCommentForm& form : rules_.blockComments) {
    if (!StartsWith(line, i, form.open) || (form.atLineStart && i != 0)) continue;
    Frame frame;
    frame.kind = Kind::BlockComment;
    frame.open = form.nests ? form.open : std::string_view();
    frame.close = std::string(form.close);
    frame.indentedEnd = form.atLineStart;  // its end too stands at a line's start
    Push(std::move(frame), i, marks);
    return i + form.open.size();
  }
  for (const LineCommentForm& form : rules_.lineComments) {
    if (!StartsWith(line, i, form.open)) continue;
    if (form.atLineStart && i != 0) continue;
    if (form.atWordStart && i > 0 && !IsBlank(line[i - 1]) && std::strchr(";&|(", line[i - 1]) == nullptr) continue;
    if (form.notAfterColon && i > 0 && line[i - 1] == ':') continue;
    Frame frame;
    frame.kind = Kind::LineComment;
    Push(std::move(frame), i, marks);
    return i + form.open.size();
  }
  return 0;
}

// The raw forms that start with a name or a mark before the quote: returns
// where the string's text starts, or 0 when none starts at i. identifierEnd
// is where a name starting at i ends (i when none does).
std::size_t CodeLexer::OpensSpecialString(std::string_view line, std::size_t i, std::size_t identifierEnd,
                                          Marks& marks) {
  const std::string_view name = line.substr(i, identifierEnd - i);
  const std::size_t n = line.size();
  StringForm raw = Quoted(0, true);
  if ((rules_.raw & kCppRaw) && (name == "R" || name == "u8R" || name == "uR" || name == "UR" || name == "LR") &&
      identifierEnd < n && line[identifierEnd] == '"') {
    const std::size_t paren = line.find('(', identifierEnd + 1);
    if (paren != std::string_view::npos && paren - identifierEnd - 1 <= 16) {
      OpenString(raw, Enclosed(')', line.substr(identifierEnd + 1, paren - identifierEnd - 1), "\""), i,
                 paren + 1, marks);
      return paren + 1;
    }
  }
  if ((rules_.raw & kRustRaw) && (name == "r" || name == "br")) {
    std::size_t j = identifierEnd;
    while (j < n && line[j] == '#') ++j;
    if (j < n && line[j] == '"') {
      OpenString(raw, Enclosed('"', std::string(j - identifierEnd, '#'), ""), i, j + 1, marks);
      return j + 1;
    }
  }
  if ((rules_.raw & kDartRaw) && name == "r" && identifierEnd < n && (line[identifierEnd] == '\'' || line[identifierEnd] == '"')) {
    const char quote = line[identifierEnd];
    const bool triple = StartsWith(line, identifierEnd, std::string(3, quote));
    raw.multiline = triple;
    OpenString(raw, std::string(triple ? 3 : 1, quote), i, identifierEnd + (triple ? 3 : 1), marks);
    return identifierEnd + (triple ? 3 : 1);
  }
  if ((rules_.raw & kDollarQuote) && line[i] == '$' && (i == 0 || !IsNameByte(static_cast<unsigned char>(line[i - 1])))) {
    std::size_t j = i + 1;
    while (j < n && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_')) ++j;
    if (j < n && line[j] == '$' && !(j > i + 1 && IsDigit(static_cast<unsigned char>(line[i + 1])))) {
      OpenString(raw, std::string(line.substr(i, j + 1 - i)), i, j + 1, marks);
      return j + 1;
    }
  }
  if (identifierEnd != i) return 0;
  if ((rules_.raw & kSwiftRaw) && line[i] == '#') {
    std::size_t j = i;
    while (j < n && line[j] == '#') ++j;
    if (j < n && line[j] == '"') {
      const bool triple = StartsWith(line, j, "\"\"\"");
      OpenString(raw, (triple ? "\"\"\"" : "\"") + std::string(j - i, '#'), i, j + (triple ? 3 : 1), marks);
      return j + (triple ? 3 : 1);
    }
  }
  if ((rules_.raw & kLuaLong) && line[i] == '[') {
    std::size_t j = i + 1;
    while (j < n && line[j] == '=') ++j;
    if (j < n && line[j] == '[') {
      OpenString(raw, Enclosed(']', std::string(j - i - 1, '='), "]"), i, j + 1, marks);
      return j + 1;
    }
  }
  return 0;
}

// <<EOF, <<-'EOF', <<~EOS, <<<EOT: the body starts on the next line. Returns
// the end of the opening, or 0 when none starts at i.
std::size_t CodeLexer::OpensHeredoc(std::string_view line, std::size_t i) {
  if (rules_.heredoc == Heredoc::None || !StartsWith(line, i, "<<")) return 0;
  // In the shell's $(( )) "<<" shifts.
  if (brackets_.size() >= 2 && brackets_.back().open == '(' && brackets_[brackets_.size() - 2].open == '(') return 0;
  std::size_t j = i + 2;
  bool indented = false;
  if (rules_.heredoc == Heredoc::Php) {
    if (j >= line.size() || line[j] != '<') return 0;
    ++j;
    indented = true;
    while (j < line.size() && IsBlank(line[j])) ++j;
  } else if (j < line.size() && (line[j] == '-' || line[j] == '~')) {
    if (rules_.heredoc == Heredoc::Shell && line[j] == '~') return 0;
    indented = true;
    ++j;
  } else if (j < line.size() && line[j] == '<') {
    return 0;  // the shell's <<< is a here-string
  }
  if (rules_.heredoc == Heredoc::Shell)
    while (j < line.size() && IsBlank(line[j])) ++j;
  char quote = 0;
  if (j < line.size() && (line[j] == '\'' || line[j] == '"' || (line[j] == '\\' && rules_.heredoc == Heredoc::Shell))) {
    quote = line[j] == '\\' ? 0 : line[j];
    ++j;
  }
  const std::size_t start = j;
  while (j < line.size() && IsNameByte(static_cast<unsigned char>(line[j])) && line[j] != '$') ++j;
  if (j == start || IsDigit(static_cast<unsigned char>(line[start]))) return 0;
  // Ruby's a <<b shifts; a heredoc's plain name is upper case.
  if (rules_.heredoc == Heredoc::Ruby && !indented && quote == 0 && !(line[start] >= 'A' && line[start] <= 'Z'))
    return 0;
  pendingHeredoc_ = std::string(line.substr(start, j - start));
  pendingIndented_ = indented;
  if (quote != 0 && j < line.size() && line[j] == quote) ++j;
  return j;
}

std::size_t CodeLexer::StepCode(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  const auto c = static_cast<unsigned char>(line[i]);
  if (IsBlank(static_cast<char>(c))) {
    while (i < to && IsBlank(line[i])) ++i;
    return i;
  }
  if (!closeText_.empty() && StartsWith(line, i, closeText_)) {
    ended_ = true;
    return i;
  }
  const bool opens = opens_[c];
  if (opens) {
    if (const std::size_t opened = OpensComment(line, i, marks)) return opened > to ? to : opened;
  }
  std::size_t end = i;
  // A "$" that may open a string ($'...', $$...$$) is looked at as an opening first.
  if (IsNameByte(c) && !IsDigit(c) && !(opens && c == '$')) {
    while (end < to && IsNameByte(static_cast<unsigned char>(line[end]))) ++end;
    // r"...", R"(...)", br#"..."#: a short name right before a quote
    if (rawNames_ && end - i <= 3 && end < line.size() && (line[end] == '"' || line[end] == '\'' || line[end] == '#'))
      if (const std::size_t after = OpensSpecialString(line, i, end, marks)) return after;
    statementStart_ = false;
    const std::string_view name = line.substr(i, end - i);
    NoteIdentifier(name);
    prev_ = (rules_.regexLiterals || rules_.jsx) && PrecedesOperand(name) ? Prev::Operator : Prev::Value;
    return end;
  }
  if (opens) {
    if (const std::size_t after = OpensSpecialString(line, i, i, marks)) return after;
    if (const std::size_t after = OpensHeredoc(line, i)) {
      prev_ = Prev::Value;
      return after;
    }
    for (const StringForm& form : rules_.strings) {
      if (!StartsWith(line, i, form.open)) continue;
      OpenString(form, std::string(form.close), i, i + form.open.size(), marks);
      return i + form.open.size();
    }
    if (c == '\'' && rules_.charLiterals != CharLiterals::None) {
      std::size_t close = 0;
      if (i + 1 < line.size() && line[i + 1] == '\\') {
        close = i + 2;
        while (close < line.size() && line[close] != '\'') close += line[close] == '\\' ? 2 : 1;
      } else if (i + 1 < line.size()) {
        char32_t ignored;
        const int length = static_cast<unsigned char>(line[i + 1]) < 0x80
                               ? 1
                               : platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(line.data() + i + 1),
                                                      line.size() - i - 1, ignored);
        close = i + 1 + static_cast<std::size_t>(length > 0 ? length : 1);
      }
      const bool literal = close > 0 && close < line.size() && line[close] == '\'';
      if (literal || rules_.charLiterals == CharLiterals::Always) {
        OpenString(Quoted('\\', false), "'", i, i + 1, marks);
        return i + 1;
      }
      prev_ = Prev::Operator;  // a lifetime or a symbol
      return i + 1;
    }
    if (c == '/' && rules_.regexLiterals && prev_ == Prev::Operator) {
      Frame frame;
      frame.kind = Kind::Regex;
      frame.labels = StringLabels(Label::String);
      Push(std::move(frame), i, marks);
      ForgetCallee();
      return i + 1;
    }
    if (c == '<' && rules_.jsx && prev_ == Prev::Operator && OpensJsx(line, i)) {
      Frame frame;
      frame.kind = Kind::JsxTag;
      Push(std::move(frame), i, marks);
      ForgetCallee();
      return i + 1;
    }
  }
  statementStart_ = false;
  if (c == '$') {  // one that opened nothing starts a name
    end = i + 1;
    while (end < to && IsNameByte(static_cast<unsigned char>(line[end]))) ++end;
    NoteIdentifier(line.substr(i, end - i));
    prev_ = Prev::Value;
    return end;
  }
  if (IsDigit(c) || (c == '.' && i + 1 < to && IsDigit(static_cast<unsigned char>(line[i + 1])))) {
    end = i + 1;
    // digits, letters of bases and exponents, separators (1'000 in C++, 1_000)
    while (end < to && (IsNameByte(static_cast<unsigned char>(line[end])) || line[end] == '.' ||
                        (line[end] == '\'' && end + 1 < to && std::isxdigit(static_cast<unsigned char>(line[end + 1])))))
      ++end;
    ForgetCallee();
    prev_ = Prev::Value;
    return end;
  }
  switch (c) {
    case '(':
    case '[':
    case '{': {
      Labels calls = 0;
      if (c == '(' && !callee_.empty() && !calleeJoins_) calls = calls_.Match(callee_);
      // Calls within calls: the outer call's labels hold up to a block.
      if (c != '{' && !brackets_.empty()) calls |= brackets_.back().calls;
      brackets_.push_back({static_cast<char>(c), calls});
      ForgetCallee();
      prev_ = Prev::Operator;
      return i + 1;
    }
    case ')':
    case ']':
    case '}': {
      Frame& top = frames_.back();
      if (top.closer == static_cast<char>(c) && brackets_.size() == top.base) {
        if (frames_.size() == 1) {
          ended_ = true;
          return i;
        }
        Pop(i + 1, marks);
        return i + 1;
      }
      if (brackets_.size() > top.base) brackets_.pop_back();
      ForgetCallee();
      prev_ = c == '}' ? Prev::Operator : Prev::Value;
      return i + 1;
    }
    case '.':
      if (!callee_.empty()) {
        callee_.push_back('.');
        calleeJoins_ = true;
      }
      prev_ = Prev::Operator;
      return i + 1;
    case ':':
    case '-':
    case '?':
      // ::, -> and ?. join names as "." does
      if (!callee_.empty() && i + 1 < to &&
          ((c == ':' && line[i + 1] == ':') || (c == '-' && line[i + 1] == '>') || (c == '?' && line[i + 1] == '.'))) {
        callee_.push_back('.');
        calleeJoins_ = true;
        prev_ = Prev::Operator;
        return i + 2;
      }
      break;
    case '!':
      // println!( and other macros
      if (!callee_.empty() && !calleeJoins_ && i > 0 && IsNameByte(static_cast<unsigned char>(line[i - 1])) &&
          i + 1 < to && (line[i + 1] == '(' || line[i + 1] == '[')) {
        callee_.push_back('!');
        return i + 1;
      }
      break;
    default:
      break;
  }
  ForgetCallee();
  prev_ = Prev::Operator;
  return i + 1;
}

std::size_t CodeLexer::StepString(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  Frame& top = frames_.back();
  const char first = top.close.front();
  while (i < to) {
    const char c = line[i];
    if (c == first && StartsWith(line, i, top.close)) {
      if (top.doubledClose && StartsWith(line, i + top.close.size(), top.close)) {
        i += 2 * top.close.size();
        continue;
      }
      i += top.close.size();
      Pop(i, marks);
      prev_ = Prev::Value;
      return i;
    }
    if (!top.interpolation.empty() && c == top.interpolation.front() && StartsWith(line, i, top.interpolation)) {
      Frame code;
      // "${", "#{", "{$", "\\(", "$(": the bracket in the opening is matched
      code.closer = Closing(top.interpolation[top.interpolation.find_first_of("({[")]);
      code.base = brackets_.size();
      i += top.interpolation.size();
      Push(std::move(code), i, marks);
      prev_ = Prev::Operator;
      ForgetCallee();
      return i;
    }
    // Swift's \( opens code, so the escape is looked at after it.
    i += top.escape != 0 && c == top.escape ? 2 : 1;
  }
  return i > to ? to : i;
}

std::size_t CodeLexer::StepComment(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  Frame& top = frames_.back();
  if (top.kind == Kind::LineComment) {
    if (closeText_.empty()) return to;
    const std::size_t close = line.substr(0, to).find(closeText_, i);
    if (close == std::string_view::npos) return to;
    Pop(close, marks);
    return close;
  }
  if (top.indentedEnd) {  // =begin ... =end, each at a line's start
    if (i == 0 && StartsWith(line, 0, top.close)) {
      Pop(to, marks);
      return to;
    }
    return to;
  }
  // Each search is kept until i passes what it found: searching afresh at
  // every opening made a long line of openings cost its length squared.
  const std::string_view text = line.substr(0, to);
  std::size_t close = text.find(top.close, i);
  std::size_t open = top.open.empty() ? std::string_view::npos : text.find(top.open, i);
  while (i < to) {
    if (close != std::string_view::npos && close < i) close = text.find(top.close, i);
    if (open != std::string_view::npos && open < i) open = text.find(top.open, i);
    if (open < close) {
      ++top.depth;
      i = open + top.open.size();
      continue;
    }
    if (close == std::string_view::npos) return to;
    i = close + top.close.size();
    if (top.depth > 0) {
      --top.depth;
      continue;
    }
    Pop(i, marks);
    prev_ = Prev::Operator;
    return i;
  }
  return to;
}

std::size_t CodeLexer::StepRegex(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  Frame& top = frames_.back();
  while (i < to) {
    const char c = line[i];
    if (c == '\\') {
      i += 2;
      continue;
    }
    if (c == '[') top.depth = 1;
    else if (c == ']') top.depth = 0;
    else if (c == '/' && top.depth == 0) {
      ++i;
      while (i < to && std::isalpha(static_cast<unsigned char>(line[i]))) ++i;  // flags
      Pop(i, marks);
      prev_ = Prev::Value;
      return i;
    }
    ++i;
  }
  return to;
}

// JSX: an element's tags with their attributes, its children's text, and
// code in braces. depth counts the elements open.
std::size_t CodeLexer::StepJsx(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  Frame& top = frames_.back();
  const char c = line[i];
  if (c == '{') {
    Frame code;
    code.closer = '}';
    code.base = brackets_.size();
    Push(std::move(code), i + 1, marks);
    prev_ = Prev::Operator;
    ForgetCallee();
    return i + 1;
  }
  if (top.kind == Kind::JsxText) {
    if (c != '<') {
      const std::size_t next = line.substr(0, to).find_first_of("{<", i);
      return next == std::string_view::npos ? to : next;
    }
    top.kind = Kind::JsxTag;
    top.closingTag = i + 1 < to && line[i + 1] == '/';
    marks.Set(i, Current());
    return i + (top.closingTag ? 2 : 1);
  }
  if (c == '"' || c == '\'') {
    OpenString(Quoted(0, true), std::string(1, c), i, i + 1, marks);
    return i + 1;
  }
  const bool selfClosing = c == '/' && i + 1 < to && line[i + 1] == '>';
  if (c != '>' && !selfClosing) return i + 1;
  const std::size_t after = i + (selfClosing ? 2 : 1);
  if (top.closingTag) --top.depth;
  else if (!selfClosing) ++top.depth;
  if (top.depth <= 0) {
    Pop(after, marks);
    prev_ = Prev::Value;
    return after;
  }
  top.kind = Kind::JsxText;
  top.closingTag = false;
  marks.Set(after, Current());
  return after;
}

}  // namespace context
