#include "finder/context/LineFormats.h"

#include <cctype>

namespace context {

namespace {

constexpr Labels kComment = Bit(Label::Comment);
constexpr Labels kString = Bit(Label::String);
constexpr Labels kText = Bit(Label::Text);
constexpr Labels kCode = Bit(Label::Code);

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

// The width of the line's indentation, a tab to the next multiple of four.
std::size_t Indentation(std::string_view line) {
  std::size_t width = 0;
  for (char c : line) {
    if (c == ' ') ++width;
    else if (c == '\t') width = (width / 4 + 1) * 4;
    else break;
  }
  return width;
}

// A closing fence is the fence's character alone, blanks may follow it.
bool OnlyFence(std::string_view rest, char fence) {
  const std::size_t end = rest.find_first_not_of(fence);
  return end == std::string_view::npos || rest.find_first_not_of(" \t", end) == std::string_view::npos;
}

// Markdown: text, with fenced and indented code blocks and code spans as
// code, and HTML comments as comments.
class MarkdownLexer final : public Lexer {
 public:
  void Line(std::string_view line, Marks& marks) override {
    const std::size_t start = SkipBlanks(line, 0);
    const std::size_t indent = Indentation(line);
    const std::string_view rest = line.substr(start);
    if (fence_ != 0) {
      marks.Set(0, kCode);
      if (indent <= 3 && Fence(rest) >= fenceLength_ && OnlyFence(rest, fence_))
        fence_ = 0;
      return;
    }
    if (!comment_ && indent <= 3) {
      const std::size_t length = Fence(rest);
      if (length >= 3 && !(rest[0] == '`' && rest.find('`', length) != std::string_view::npos)) {
        fence_ = rest[0];
        fenceLength_ = length;
        marks.Set(0, kCode);
        return;
      }
    }
    const bool blank = rest.empty();
    if (!comment_ && !blank && indent >= 4 && (previousBlank_ || indentedCode_) && !inList_) {
      indentedCode_ = true;
      marks.Set(0, kCode);
      return;
    }
    if (!blank) {
      indentedCode_ = false;
      if (IsListItem(rest)) inList_ = true;
      else if (indent == 0 && previousBlank_) inList_ = false;
    }
    previousBlank_ = blank;
    Inline(line, marks);
  }

 private:
  // The run of ` or ~ the text starts with (0 when none).
  static std::size_t Fence(std::string_view text) {
    if (text.empty() || (text[0] != '`' && text[0] != '~')) return 0;
    std::size_t n = 0;
    while (n < text.size() && text[n] == text[0]) ++n;
    return n;
  }
  static bool IsListItem(std::string_view text) {
    if (text.size() >= 2 && (text[0] == '-' || text[0] == '*' || text[0] == '+') && text[1] == ' ') return true;
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    return digits > 0 && digits + 1 < text.size() && (text[digits] == '.' || text[digits] == ')') && text[digits + 1] == ' ';
  }

  void Inline(std::string_view line, Marks& marks) {
    std::size_t i = 0;
    marks.Set(0, comment_ ? kComment : kText);
    while (i < line.size()) {
      if (comment_) {
        const std::size_t end = line.find("-->", i);
        if (end == std::string_view::npos) return;
        comment_ = false;
        i = end + 3;
        marks.Set(i, kText);
        continue;
      }
      const std::size_t next = line.find_first_of("`<\\", i);
      if (next == std::string_view::npos) return;
      i = next;
      if (line[i] == '\\') {
        i += 2;
      } else if (line[i] == '<') {
        if (line.compare(i, 4, "<!--") == 0) {
          comment_ = true;
          marks.Set(i, kComment);
          i += 4;
        } else {
          ++i;
        }
      } else {
        std::size_t run = 0;
        while (i + run < line.size() && line[i + run] == '`') ++run;
        // The span ends at the next run of exactly as many backquotes.
        std::size_t close = i + run;
        while ((close = line.find('`', close)) != std::string_view::npos) {
          std::size_t length = 0;
          while (close + length < line.size() && line[close + length] == '`') ++length;
          if (length == run) break;
          close += length;
        }
        if (close == std::string_view::npos) {
          i += run;
          continue;
        }
        marks.Set(i, kCode);
        i = close + run;
        marks.Set(i, kText);
      }
    }
  }

  char fence_ = 0;
  std::size_t fenceLength_ = 0;
  bool comment_ = false;
  bool previousBlank_ = true;
  bool indentedCode_ = false;
  bool inList_ = false;
};

// gettext catalogues: comments, and the quoted strings of each keyword; a
// translation (msgstr) is where Chinese belongs.
class PoLexer final : public Lexer {
 public:
  void Line(std::string_view line, Marks& marks) override {
    const std::size_t start = SkipBlanks(line, 0);
    const std::string_view rest = line.substr(start);
    if (rest.starts_with("#")) {
      marks.Set(0, kComment);
      return;
    }
    marks.Set(0, kCode);
    if (rest.starts_with("msgstr")) translation_ = true;
    else if (rest.starts_with("msg")) translation_ = false;
    else if (!rest.starts_with("\"")) return;
    const std::size_t quote = line.find('"', start);
    if (quote != std::string_view::npos) marks.Set(quote, translation_ ? kString | Bit(Label::Locale) : kString);
  }

 private:
  bool translation_ = false;
};

// Java properties: comments, keys as code, values as strings, a value
// going on over lines that end in a backslash.
class PropertiesLexer final : public Lexer {
 public:
  void Line(std::string_view line, Marks& marks) override {
    const bool continued = continued_;
    continued_ = EndsInEscape(line);
    if (continued) {
      marks.Set(0, kString);
      return;
    }
    const std::size_t start = SkipBlanks(line, 0);
    if (start < line.size() && (line[start] == '#' || line[start] == '!')) {
      marks.Set(0, kComment);
      continued_ = false;
      return;
    }
    marks.Set(0, kCode);
    std::size_t i = start;
    while (i < line.size() && line[i] != '=' && line[i] != ':' && !IsBlank(line[i])) i += line[i] == '\\' ? 2 : 1;
    i = SkipBlanks(line, i);
    if (i < line.size() && (line[i] == '=' || line[i] == ':')) i = SkipBlanks(line, i + 1);
    if (i < line.size()) marks.Set(i, kString);
  }

 private:
  static bool EndsInEscape(std::string_view line) {
    std::size_t backslashes = 0;
    while (backslashes < line.size() && line[line.size() - 1 - backslashes] == '\\') ++backslashes;
    return backslashes % 2 == 1;
  }
  bool continued_ = false;
};

// YAML: comments, keys as code, scalar values (plain, quoted, block) as
// strings.
class YamlLexer final : public Lexer {
 public:
  void Line(std::string_view line, Marks& marks) override {
    const std::size_t start = SkipBlanks(line, 0);
    const std::size_t indent = Indentation(line);
    if (block_) {
      if (start == line.size() || indent > blockParent_) {
        marks.Set(0, kString);
        return;
      }
      block_ = false;
    }
    std::size_t i = 0;
    if (quote_ != 0) {
      marks.Set(0, kString);
      i = CloseQuote(line, 0);
      if (quote_ != 0) return;
      marks.Set(i, kCode);
      AfterValue(line, i, marks);
      return;
    }
    marks.Set(0, kCode);
    i = start;
    if (i == line.size()) return;
    if (line[i] == '#') {
      marks.Set(i, kComment);
      return;
    }
    if (i == 0 && (line.starts_with("---") || line.starts_with("..."))) {
      AfterValue(line, 3, marks);
      return;
    }
    while (i + 1 < line.size() && line[i] == '-' && IsBlank(line[i + 1])) i = SkipBlanks(line, i + 1);
    if (i < line.size() && line[i] == '-' && i + 1 == line.size()) return;
    // A key: up to ": " or a ":" that ends the line, outside quotes.
    std::size_t colon = i;
    char inQuote = 0;
    for (; colon < line.size(); ++colon) {
      const char c = line[colon];
      if (inQuote != 0) {
        if (c == inQuote) inQuote = 0;
      } else if (c == '"' || c == '\'') {
        if (colon == i) inQuote = c;
      } else if (c == '#' && colon > 0 && IsBlank(line[colon - 1])) {
        colon = line.size();
        break;
      } else if (c == ':' && (colon + 1 == line.size() || IsBlank(line[colon + 1]))) {
        break;
      }
    }
    if (colon < line.size()) i = SkipBlanks(line, colon + 1);
    Value(line, i, indent, marks);
  }

 private:
  void Value(std::string_view line, std::size_t i, std::size_t indent, Marks& marks) {
    // anchors and tags before the value
    while (i < line.size() && (line[i] == '&' || line[i] == '!')) {
      while (i < line.size() && !IsBlank(line[i])) ++i;
      i = SkipBlanks(line, i);
    }
    if (i >= line.size()) return;
    const char c = line[i];
    if (c == '#') {
      marks.Set(i, kComment);
    } else if (c == '|' || c == '>') {
      block_ = true;
      blockParent_ = indent;
      AfterValue(line, i + 1, marks);
    } else if (c == '"' || c == '\'') {
      quote_ = c;
      marks.Set(i, kString);
      const std::size_t end = CloseQuote(line, i + 1);
      if (quote_ == 0) {
        marks.Set(end, kCode);
        AfterValue(line, end, marks);
      }
    } else {
      marks.Set(i, kString);
      for (std::size_t k = i; k < line.size(); ++k)
        if (line[k] == '#' && IsBlank(line[k - 1])) {
          marks.Set(k, kComment);
          break;
        }
    }
  }
  // Where the open quote closes in line from i (the line's end when it does not; quote_ then stays set).
  std::size_t CloseQuote(std::string_view line, std::size_t i) {
    for (; i < line.size(); ++i) {
      if (quote_ == '"' && line[i] == '\\') {
        ++i;
      } else if (line[i] == quote_) {
        if (quote_ == '\'' && i + 1 < line.size() && line[i + 1] == '\'') {
          ++i;
          continue;
        }
        quote_ = 0;
        return i + 1;
      }
    }
    return line.size();
  }
  static void AfterValue(std::string_view line, std::size_t i, Marks& marks) {
    const std::size_t hash = line.find('#', i);
    if (hash != std::string_view::npos) marks.Set(hash, kComment);
  }

  bool block_ = false;
  std::size_t blockParent_ = 0;
  char quote_ = 0;
};

}  // namespace

std::unique_ptr<Lexer> MakeLineFormatLexer(std::string_view extension) {
  if (extension == ".md" || extension == ".markdown" || extension == ".mdx" || extension == ".mkd")
    return std::make_unique<MarkdownLexer>();
  if (extension == ".po" || extension == ".pot") return std::make_unique<PoLexer>();
  if (extension == ".properties") return std::make_unique<PropertiesLexer>();
  if (extension == ".yaml" || extension == ".yml") return std::make_unique<YamlLexer>();
  return nullptr;
}

}  // namespace context
