#include "finder/context/MarkupLexer.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif


namespace context {

// The rows name only what differs from the defaults of their struct.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

// The markup languages, a row each.
const MarkupRules kMarkupLanguages[] = {
    {.language = "HTML",
     .extensions = {".html", ".htm", ".xhtml", ".shtml", ".xht"},
     .scriptAndStyle = true,
     .mustache = true},
    {.language = "XML",
     .extensions = {".xml", ".xsl", ".xslt", ".xsd", ".plist", ".resx", ".xaml", ".xlf", ".xliff"}},
    {.language = "SVG", .extensions = {".svg"}, .scriptAndStyle = true},
    {.language = "Vue", .extensions = {".vue"}, .scriptAndStyle = true, .mustache = true, .directives = true, .i18nBlock = true},
    {.language = "Svelte", .extensions = {".svelte"}, .scriptAndStyle = true, .braces = true},
    {.language = "PHP", .extensions = {".php", ".phtml", ".php5", ".php7"}, .scriptAndStyle = true, .php = true},
};

bool StartsWith(std::string_view line, std::size_t i, std::string_view text) {
  return i < line.size() && line[i] == text[0] && line.size() - i >= text.size() &&
         line.compare(i, text.size(), text) == 0;
}
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) {
  return IsAlpha(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}
// Keeps the text, lower case, in to (whose room is used again).
void SetLower(std::string& to, std::string_view text) {
  to.assign(text);
  for (char& c : to) c = Lower(c);
}
// Where text (lower case) starts in line[from, to) without regard to case, or to.
std::size_t FindIgnoringCase(std::string_view line, std::string_view text, std::size_t from, std::size_t to) {
  for (std::size_t i = line.find('<', from); i != std::string_view::npos && i + text.size() <= to; i = line.find('<', i + 1)) {
    std::size_t k = 0;
    while (k < text.size() && Lower(line[i + k]) == text[k]) ++k;
    if (k == text.size()) return i;
  }
  return to;
}
std::size_t Find(std::string_view line, std::string_view text, std::size_t from, std::size_t to) {
  const std::size_t at = line.substr(0, to).find(text, from);
  return at == std::string_view::npos ? to : at;
}
// Where the first of two bytes stands in line[from, to), or to: markup text
// is passed over sixteen bytes at a time to its next "<" (or "{").
std::size_t FindEither(std::string_view line, char a, char b, std::size_t from, std::size_t to) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
  for (; i + 16 <= to; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < to && line[i] != a && line[i] != b) ++i;
  return i;
}
std::size_t Find(std::string_view line, char c, std::size_t from, std::size_t to) {
  if (from >= to) return to;
  const void* at = std::memchr(line.data() + from, c, to - from);
  return at == nullptr ? to : static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
}

// Where the next ">", "=" or (with braces) "{" stands in line[i, to), or to.
std::size_t NextInTag(std::string_view line, std::size_t i, std::size_t to, bool braces) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
#if defined(__SSE2__)
  const __m128i close = _mm_set1_epi8('>'), equals = _mm_set1_epi8('='), brace = _mm_set1_epi8(braces ? '{' : '>');
  for (; i + 16 <= to; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, close), _mm_cmpeq_epi8(v, equals)), _mm_cmpeq_epi8(v, brace));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < to && p[i] != '>' && p[i] != '=' && !(braces && p[i] == '{')) ++i;
  return i;
}

// Where a tag whose name goes on at i ends before to (past its ">"), when it
// holds nothing the lexer reads in a state of its own but quoted values: 0
// when it goes on past to, or holds a brace (Svelte's expressions). As in
// the tag's own state, a quote opens a value only right after "=" and its
// blanks, and a value without one ends at a blank or ">".
std::size_t PlainTagEnd(std::string_view line, std::size_t i, std::size_t to, bool braces) {
  while ((i = NextInTag(line, i, to, braces)) < to) {
    const char c = line[i];
    if (c == '>') return i + 1;
    if (c == '{') return 0;
    ++i;  // past "="
    while (i < to && IsBlank(line[i])) ++i;
    if (i < to && (line[i] == '"' || line[i] == '\'')) {
      // Values are short: searched inline, not by a library call. Svelte
      // reads an expression in a value too.
      const std::size_t close = FindEither(line, line[i], braces ? '{' : line[i], i + 1, to);
      if (close == to || line[close] == '{') return 0;
      i = close + 1;
    } else if (braces && i < to && line[i] == '{') {
      return 0;
    } else {
      // An unquoted value ends at a blank or ">", whatever it holds.
      while (i < to && !IsBlank(line[i]) && line[i] != '>') ++i;
    }
  }
  return 0;
}

}  // namespace

const MarkupRules* FindMarkupRules(std::string_view extension) {
  for (const MarkupRules& rules : kMarkupLanguages)
    for (std::string_view listed : rules.extensions)
      if (!listed.empty() && listed == extension) return &rules;
  return nullptr;
}

MarkupLexer::MarkupLexer(const MarkupRules& rules, const CallMatcher& calls) : rules_(rules), calls_(calls) {}

CodeLexer& MarkupLexer::Code(std::string_view language) {
  for (EmbeddedLexer& embedded : lexers_)
    if (embedded.language == language) return *embedded.lexer;
  lexers_.push_back({language, std::make_unique<CodeLexer>(CodeRulesOf(language), calls_)});
  return *lexers_.back().lexer;
}

Labels MarkupLexer::StateLabels() const {
  switch (state_) {
    case State::Text:
    case State::CData:
      return Bit(Label::Text);
    case State::AttributeValue:
      return Bit(Label::Attribute);
    case State::Comment:
      return Bit(Label::Comment);
    case State::Embedded:
      return code_ != nullptr ? code_->Current() : blockLabels_;
    case State::Expression:
    case State::AttributeCode:
      return code_->Current();
    case State::Php:
      return php_->Current();
    default:
      return Bit(Label::Code);
  }
}

void MarkupLexer::Enter(State state, std::size_t at, Marks& marks) {
  state_ = state;
  marks.Set(at, StateLabels());
}

void MarkupLexer::Line(std::string_view line, Marks& marks) { ReadFrom(line, 0, marks); }

void MarkupLexer::ReadFrom(std::string_view line, std::size_t from, Marks& marks) {
  if ((state_ == State::Embedded || state_ == State::Expression || state_ == State::AttributeCode) && code_ != nullptr)
    code_->StartLine(line);
  else if (state_ == State::Php)
    php_->StartLine(line);
  marks.Set(from, StateLabels());
  const std::size_t n = line.size();
  std::size_t phpAt = 0;
  for (std::size_t i = from; i < n;) {
    std::size_t to = n;
    if (rules_.php && state_ != State::Php) {
      if (phpAt < i || (phpAt == 0 && i == 0)) phpAt = Find(line, "<?", i, n);
      if (phpAt == i) {
        afterPhp_ = state_;
        if (php_ == nullptr) {
          // PHP goes on where it stopped at each <?php; the other lexers start afresh where they are embedded.
          php_ = &Code("PHP");
          php_->Embed(0, "?>");
        }
        php_->Resume();
        state_ = State::Php;
        marks.Set(i, Bit(Label::Code));
        i += StartsWith(line, i, "<?php") ? 5 : StartsWith(line, i, "<?=") ? 3 : 2;
        continue;
      }
      to = phpAt;
    }
    switch (state_) {
      case State::Text:
        i = StepText(line, i, to, marks);
        break;
      case State::Tag:
        i = StepTag(line, i, to, marks);
        break;
      case State::AttributeValue: {
        if (quote_ == 0) {
          std::size_t end = i;
          while (end < to && !IsBlank(line[end]) && line[end] != '>') ++end;
          if (attribute_ == "lang" || attribute_ == "type") SetLower(language_, line.substr(i, end - i));
          if (end < to) Enter(State::Tag, end, marks);
          i = end;
          break;
        }
        std::size_t end = i;
        while (end < to && line[end] != quote_ && !(rules_.braces && line[end] == '{')) ++end;
        if (end == to) {
          i = to;
        } else if (line[end] == '{') {
          code_ = &Code("JavaScript");
          code_->Embed('}', "");
          doubleBrace_ = false;
          afterExpression_ = State::AttributeValue;
          Enter(State::Expression, end, marks);
          i = end + 1;
        } else {
          if (attribute_ == "lang" || attribute_ == "type") SetLower(language_, line.substr(i, end - i));
          Enter(State::Tag, end + 1, marks);
          i = end + 1;
        }
        break;
      }
      case State::AttributeCode:
        i = StepAttributeCode(line, i, to, marks);
        break;
      case State::Comment:
        i = Until(line, i, to, "-->", State::Text, marks);
        break;
      case State::CData:
        i = Until(line, i, to, "]]>", State::Text, marks);
        break;
      case State::Declaration:
        i = Until(line, i, to, ">", State::Text, marks);
        break;
      case State::Instruction:
        i = Until(line, i, to, "?>", State::Text, marks);
        break;
      case State::Embedded:
        i = StepEmbedded(line, i, to, marks);
        break;
      case State::Expression:
        i = StepExpression(line, i, to, marks);
        break;
      case State::Php: {
        const std::size_t stop = php_->Run(line, i, n, marks);
        if (php_->Ended()) {
          php_->Resume();
          state_ = afterPhp_;
          i = stop + 2;
          marks.Set(i, StateLabels());
        } else {
          i = n;
        }
        break;
      }
    }
  }
  if ((state_ == State::Embedded || state_ == State::Expression || state_ == State::AttributeCode) && code_ != nullptr)
    code_->EndLine(line);
  else if (state_ == State::Php)
    php_->EndLine(line);
}

std::size_t MarkupLexer::Until(std::string_view line, std::size_t i, std::size_t to, std::string_view end, State next,
                               Marks& marks) {
  const std::size_t at = Find(line, end, i, to);
  if (at == to) return to;
  Enter(next, at + end.size(), marks);
  return at + end.size();
}

// Where markup text from i on stops being plain, or to: at the first "<" or
// "{" that opens a state of its own. A tag is passed over in one go when it
// ends on this line, holds nothing the lexer reads in a state of its own but
// quoted values, and no asked place (it ends at asked or before): text goes
// on after it as before it. Only <script>, <style> and <i18n> matter once
// their tag ends, so no other name stops the text.
std::size_t MarkupLexer::PlainTextEnd(std::string_view line, std::size_t i, std::size_t to, std::size_t asked) const {
  const char brace = rules_.mustache || rules_.braces ? '{' : '<';
  for (;;) {
    const std::size_t j = FindEither(line, '<', brace, i, to);
    if (j == to) return to;
    const char next = j + 1 < to ? line[j + 1] : 0;
    if (line[j] == '{') {
      if (rules_.mustache && next != '{' && !rules_.braces) {
        i = j + 1;
        continue;
      }
      return j;
    }
    if (next == '!' || next == '?') return j;
    const std::size_t nameStart = j + (next == '/' ? 2 : 1);
    if (nameStart >= to || !IsAlpha(line[nameStart])) {
      i = j + 1;
      continue;
    }
    const char first = Lower(line[nameStart]);
    if (first == 's' || first == 'i') return j;
    // A name holds nothing the tag's end is sought by: sought from its start.
    const std::size_t end = PlainTagEnd(line, nameStart + 1, to, rules_.braces);
    if (end == 0 || asked < end) return j;
    i = end;
  }
}

// Text up to what opens a state of its own, and that opening.
std::size_t MarkupLexer::StepText(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  const std::size_t j = PlainTextEnd(line, i, to, marks.NextAsked());
  if (j == to) return to;
  const char next = j + 1 < to ? line[j + 1] : 0;
  if (line[j] == '{') {
    code_ = &Code("JavaScript");
    code_->Embed('}', "");
    doubleBrace_ = next == '{' && rules_.mustache;
    afterExpression_ = State::Text;
    Enter(State::Expression, j, marks);
    std::size_t after = j + (doubleBrace_ ? 2 : 1);
    // Svelte's blocks: {#if ...}, {:else}, {/each}, {@html ...}; the word is no script.
    if (rules_.braces && after < to &&
        (line[after] == '#' || line[after] == ':' || line[after] == '/' || line[after] == '@'))
      for (++after; after < to && IsAlpha(line[after]);) ++after;
    return after;
  }
  if (next == '!' && StartsWith(line, j, "<!--")) {
    Enter(State::Comment, j, marks);
    return j + 4;
  }
  if (next == '!' && StartsWith(line, j, "<![CDATA[")) {
    Enter(State::CData, j + 9, marks);
    return j + 9;
  }
  if (next == '!') {
    Enter(State::Declaration, j, marks);
    return j + 2;
  }
  if (next == '?') {
    Enter(State::Instruction, j, marks);
    return j + 2;
  }
  // A tag not passed over: one that matters once it ends, or is read in its state.
  const bool closing = next == '/';
  const std::size_t nameStart = j + (closing ? 2 : 1);
  std::size_t nameEnd = nameStart;
  while (nameEnd < to && IsNameChar(line[nameEnd])) ++nameEnd;
  const char first = Lower(line[nameStart]);
  if (first == 's' || first == 'i')
    SetLower(tag_, line.substr(nameStart, nameEnd - nameStart));
  else
    tag_.clear();
  closingTag_ = closing;
  attribute_.clear();
  language_.clear();
  valueNext_ = false;
  Enter(State::Tag, j, marks);
  return nameEnd;
}

void MarkupLexer::Skip(std::string_view lines, Marks& marks) {
  // PHP may open anywhere, in a tag or a string: such pages go line by line.
  if (rules_.php) return Lexer::Skip(lines, marks);
  skipping_ = true;
  for (std::size_t start = 0;;) {
    if (state_ == State::Text) {
      // Plain text and tags are passed over in one go, line ends and all, up
      // to what opens a state of its own; its line is read on from there.
      const std::size_t j = PlainTextEnd(lines, start, lines.size(), Marks::kNoneAsked);
      if (j == lines.size()) break;
      const std::size_t lineStart = lines.rfind('\n', j) + 1;  // npos + 1 is 0
      const std::size_t lf = Find(lines, '\n', j, lines.size());
      ReadFrom(LineIn(lines, lineStart, lf), j - lineStart, marks);
      if (lf == lines.size()) break;
      start = lf + 1;
      continue;
    }
    const std::size_t lf = Find(lines, '\n', start, lines.size());
    if (state_ == State::Embedded) {
      const std::size_t end = FindIgnoringCase(lines, embeddedEnd_, start, lines.size());
      if (end == lines.size()) {
        Lexer::Skip(lines.substr(start), marks);  // the block goes on past them
        break;
      }
      if (end > lf) {
        start = lines.rfind('\n', end) + 1;  // lines wholly in the block are not read at all
        continue;
      }
    }
    Line(LineIn(lines, start, lf), marks);
    if (lf == lines.size()) break;
    start = lf + 1;
  }
  skipping_ = false;
}

std::size_t MarkupLexer::StepTag(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  while (i < to && IsBlank(line[i])) ++i;
  if (i == to) return to;
  const char c = line[i];
  if (c == '>' || (c == '/' && i + 1 < to && line[i + 1] == '>')) {
    const std::size_t after = i + (c == '>' ? 1 : 2);
    valueNext_ = false;
    if (c == '/') closingTag_ = true;  // nothing is embedded in <script/>
    EndTag(after, marks);
    return after;
  }
  if (valueNext_) {
    valueNext_ = false;
    if (rules_.braces && c == '{') {
      code_ = &Code("JavaScript");
      code_->Embed('}', "");
      doubleBrace_ = false;
      afterExpression_ = State::Tag;
      Enter(State::Expression, i, marks);
      return i + 1;
    }
    quote_ = (c == '"' || c == '\'') ? c : 0;
    std::string_view language;
    if (quote_ != 0 && rules_.directives &&
        (attribute_[0] == ':' || attribute_[0] == '@' || attribute_[0] == '#' || attribute_.starts_with("v-")))
      language = "JavaScript";
    else if (quote_ != 0 && rules_.scriptAndStyle && attribute_.size() > 2 && attribute_.starts_with("on"))
      language = "JavaScript";
    else if (quote_ != 0 && rules_.scriptAndStyle && attribute_ == "style")
      language = "CSS";
    if (!language.empty()) {
      code_ = &Code(language);
      code_->Embed(0, "");
      Enter(State::AttributeCode, i, marks);
      return i + 1;
    }
    Enter(State::AttributeValue, i, marks);
    return quote_ != 0 ? i + 1 : i;
  }
  if (c == '=') {
    valueNext_ = true;
    return i + 1;
  }
  if (rules_.braces && c == '{') {  // Svelte's {...props} and {name}
    code_ = &Code("JavaScript");
    code_->Embed('}', "");
    doubleBrace_ = false;
    afterExpression_ = State::Tag;
    Enter(State::Expression, i, marks);
    return i + 1;
  }
  std::size_t end = i;
  while (end < to && !IsBlank(line[end]) && line[end] != '=' && line[end] != '>' && line[end] != '/' &&
         line[end] != '"' && line[end] != '\'')
    ++end;
  if (end == i) return i + 1;
  // Only lang, type, on..., style and Vue's :, @, # and v- matter for the value.
  const char first = Lower(line[i]);
  if (first == 'l' || first == 't' || first == 'o' || first == 's' || first == ':' || first == '@' || first == '#' ||
      first == 'v')
    SetLower(attribute_, line.substr(i, end - i));
  else
    attribute_.clear();
  return end;
}

void MarkupLexer::EndTag(std::size_t at, Marks& marks) {
  std::string_view language;
  if (!closingTag_ && rules_.scriptAndStyle && tag_ == "script") {
    if (language_.find("template") != std::string::npos || language_.find("html") != std::string::npos)
      language = "";  // a template's markup stays markup
    else if (language_ == "ts" || language_.find("typescript") != std::string::npos)
      language = "TypeScript";
    else if (language_ == "tsx")
      language = "TSX";
    else if (language_.find("json") != std::string::npos)
      language = "JSON";
    else
      language = "JavaScript";
  } else if (!closingTag_ && rules_.scriptAndStyle && tag_ == "style") {
    language = language_ == "scss" || language_ == "sass" || language_ == "less" || language_ == "stylus" ? "SCSS" : "CSS";
  } else if (!closingTag_ && rules_.i18nBlock && tag_ == "i18n") {
    // Translations, in JSON or YAML: all of it is where Chinese belongs.
    code_ = nullptr;
    blockLabels_ = Bit(Label::String) | Bit(Label::Locale);
    embeddedEnd_ = "</" + tag_;
    Enter(State::Embedded, at, marks);
    return;
  }
  if (language.empty()) {
    Enter(State::Text, at, marks);
    return;
  }
  code_ = &Code(language);
  code_->Embed(0, "");
  embeddedEnd_ = "</" + tag_;
  Enter(State::Embedded, at, marks);
}

std::size_t MarkupLexer::StepEmbedded(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  const std::size_t end = FindIgnoringCase(line, embeddedEnd_, i, to);
  if (code_ != nullptr && !(skipping_ && end < to)) code_->Run(line, i, end, marks);
  if (end == to) return to;
  closingTag_ = true;
  tag_ = embeddedEnd_.substr(2);
  attribute_.clear();
  valueNext_ = false;
  Enter(State::Tag, end, marks);
  return end + embeddedEnd_.size();
}

std::size_t MarkupLexer::StepExpression(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  const std::size_t stop = code_->Run(line, i, to, marks);
  if (!code_->Ended()) return to;
  const std::size_t after = stop + (doubleBrace_ && stop + 1 < to && line[stop + 1] == '}' ? 2 : 1);
  marks.Set(stop, Bit(Label::Code));
  Enter(afterExpression_, after, marks);
  return after;
}

std::size_t MarkupLexer::StepAttributeCode(std::string_view line, std::size_t i, std::size_t to, Marks& marks) {
  const std::size_t end = Find(line, quote_, i, to);
  code_->Run(line, i, end, marks);
  if (end == to) return to;
  Enter(State::Tag, end, marks);
  return end + 1;
}

}  // namespace context
