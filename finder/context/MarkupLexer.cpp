#include "finder/context/MarkupLexer.h"

#include <algorithm>
#include <cstdint>
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
std::size_t Find(std::string_view line, char c, std::size_t from, std::size_t to) {
  if (from >= to) return to;
  const void* at = std::memchr(line.data() + from, c, to - from);
  return at == nullptr ? to : static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
}

// One bit for each of the count bytes at p (64 at most) that plain markup
// turns on: "<", "=", ">", the quotes, and "{" where braces matter.
std::uint64_t EventBitsOf(const unsigned char* p, std::size_t count, bool brace) {
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const unsigned char c = p[k];
    if ((c >= '<' && c <= '>') || c == '"' || c == '\'' || (brace && c == '{')) bits |= std::uint64_t{1} << k;
  }
  return bits;
}

// The same for the 64 bytes at p, sixteen at a time.
std::uint64_t EventBits(const unsigned char* p, bool brace) {
#if defined(__SSE2__)
  // "<", "=" and ">" are 3C to 3E: one range.
  const __m128i low = _mm_set1_epi8(0x3C), two = _mm_set1_epi8(2), doubleQuote = _mm_set1_epi8('"'),
                singleQuote = _mm_set1_epi8('\''), open = _mm_set1_epi8(brace ? '{' : '"');
  std::uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p) + k);
    const __m128i angle = _mm_cmpeq_epi8(_mm_max_epu8(_mm_sub_epi8(v, low), two), two);
    const __m128i quote = _mm_or_si128(_mm_cmpeq_epi8(v, doubleQuote), _mm_cmpeq_epi8(v, singleQuote));
    const __m128i hit = _mm_or_si128(_mm_or_si128(angle, quote), _mm_cmpeq_epi8(v, open));
    bits |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * k);
  }
  return bits;
#else
  return EventBitsOf(p, 64, brace);
#endif
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
// ends before to, holds nothing the lexer reads in a state of its own but
// quoted values, and no asked place (it ends at asked or before): text goes
// on after it as before it. Only <script>, <style> and <i18n> matter once
// their tag ends, so no other name stops the text. As in the tag's own
// state, a quote opens a value only right after "=" and its blanks, and a
// value without one ends at a blank or ">". The bytes that matter are found
// a block at a time and taken in order, a bit each, not sought one by one.
std::size_t MarkupLexer::PlainTextEnd(std::string_view line, std::size_t i, std::size_t to, std::size_t asked) const {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const bool braces = rules_.braces, brace = rules_.mustache || braces;
  enum class In : unsigned char { Text, Tag, Value } in = In::Text;
  std::size_t tag = 0;         // the "<" of the tag being passed over
  std::size_t from = i;        // bytes before it are read already (a name, a value without quotes)
  unsigned char quote = 0;     // of the value being passed over
  for (std::size_t base = i; base < to; base += 64) {
    std::uint64_t bits = base + 64 <= line.size() ? EventBits(p + base, brace)
                                                   : EventBitsOf(p + base, std::min<std::size_t>(64, to - base), brace);
    if (to - base < 64) bits &= (std::uint64_t{1} << (to - base)) - 1;
    for (; bits != 0; bits &= bits - 1) {
      const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(bits));
      if (at < from) continue;
      const unsigned char c = p[at];
      if (in == In::Value) {
        if (c == quote) in = In::Tag;
        else if (braces && c == '{') return tag;
        continue;
      }
      if (in == In::Tag) {
        if (c == '>') {
          if (asked <= at) return tag;
          in = In::Text;
        } else if (braces && c == '{') {
          return tag;
        } else if (c == '=') {
          std::size_t k = at + 1;
          while (k < to && IsBlank(static_cast<char>(p[k]))) ++k;
          if (k < to && (p[k] == '"' || p[k] == '\'')) {
            quote = p[k];
            in = In::Value;
            from = k + 1;
          } else if (braces && k < to && p[k] == '{') {
            return tag;
          } else {
            while (k < to && !IsBlank(static_cast<char>(p[k])) && p[k] != '>') ++k;
            from = k;
          }
        }
        continue;
      }
      const unsigned char next = at + 1 < to ? p[at + 1] : 0;
      if (c == '{') {
        if (rules_.mustache && next != '{' && !braces) continue;
        return at;
      }
      if (c != '<') continue;
      if (next == '!' || next == '?') return at;
      const std::size_t nameStart = at + (next == '/' ? 2 : 1);
      if (nameStart >= to || !IsAlpha(line[nameStart])) continue;
      const char first = Lower(line[nameStart]);
      if (first == 's' || first == 'i') return at;
      tag = at;
      in = In::Tag;
      from = nameStart + 1;
    }
  }
  return in == In::Text ? to : tag;
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
