#include "textifier/DocumentLines.h"

#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

namespace textifier {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;

bool IsLineBreak(char32_t c) { return c == '\n' || c == '\r' || c == 0x0B || c == 0x0C || c == 0x2028 || c == 0x2029; }

void AppendChar(char32_t c, std::string& out) {
  if (c < 0x80) {
    if (c >= 0x20 || c == '\t') out += static_cast<char>(c);
    return;
  }
  if (c == 0xA0) {
    out += ' ';
    return;
  }
  static const platform::CountedForms& forms = platform::CountedForms::Get();
  if (const std::uint32_t form = forms.Lookup(c)) {
    char bytes[4];
    out.append(bytes, static_cast<std::size_t>(platform::CountedForms::Bytes(form, bytes)));
    return;
  }
  // The few characters CP936 writes in one byte (the euro sign) and the C1
  // controls, which go.
  if (c < 0xA0) return;
  if (c <= 0xFFFF) {
    char bytes[3];
    const int length = platform::WideCharToAnsi(static_cast<std::uint16_t>(c), bytes) - 1;
    out.append(bytes, static_cast<std::size_t>(length));
    return;
  }
  out += '?';
}

// Calls each(c, isBreak) for every character of utf8; bytes that make no
// character (libxml2 and poppler hand over valid UTF-8, but a reader's own
// texts need not be) are dropped.
template <typename Each>
void ForEachChar(std::string_view utf8, Each each) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    if (p[i] < 0x80) {
      each(static_cast<char32_t>(p[i]));
      ++i;
      continue;
    }
    char32_t c = 0;
    const int length = platform::DecodeUtf8(p + i, n - i, c);
    if (length <= 0) {
      ++i;
      continue;
    }
    each(c);
    i += static_cast<std::size_t>(length);
  }
}

}  // namespace

void AppendSystemText(std::string_view utf8, std::string& out) {
  ForEachChar(utf8, [&out](char32_t c) {
    if (!IsLineBreak(c)) AppendChar(c, out);
  });
}

void SystemTextLines::Line(std::string_view utf8, std::string_view locator) {
  std::string where;
  AppendSystemText(locator, where);
  // A CR LF pair is one break; so is a lone CR or LF.
  char32_t previous = 0;
  ForEachChar(utf8, [&](char32_t c) {
    if (IsLineBreak(c)) {
      if (!(c == '\n' && previous == '\r')) EndLine(where);
    } else {
      AppendChar(c, text_);
    }
    previous = c;
  });
  EndLine(where);
}

void SystemTextLines::EndLine(const std::string& locator) {
  text_ += "\r\n";
  locators_ += locator;
  locators_ += "\r\n";
  ++lines_;
  if (flush_ && text_.size() + locators_.size() >= kFlushAt && !flush_(text_, locators_)) failed_ = true;
}

bool SystemTextLines::Finish() {
  if (flush_ && !flush_(text_, locators_)) failed_ = true;
  return !failed_;
}

}  // namespace textifier
