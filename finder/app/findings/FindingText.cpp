#include "finder/app/findings/FindingText.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/TextEncoding.h"

namespace findings {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr char kHex[] = "0123456789ABCDEF";
constexpr int kInvalid = 0x100;

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, a cut sequence).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  if (static_cast<unsigned char>(text[i]) < 0x80) return 1;
  char32_t c = 0;
  const int length = platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()) + i, text.size() - i, c);
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

// C1 controls U+0080..U+009F, which some terminals obey as commands.
bool IsC1(std::string_view text, std::size_t i, std::size_t length) {
  return length == 2 && static_cast<unsigned char>(text[i]) == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
}

void AppendHexEscape(std::string& out, const char* prefix, unsigned value, int digits) {
  out += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

// Walks text sequence by sequence and copies the runs that need nothing;
// escape(out, code) writes a sequence that may need something and returns
// true, or returns false to have it copied. code is the byte for ASCII, the
// code point for C1 controls, and kInvalid plus the byte for a byte that is
// not part of well-formed UTF-8.
template <class Escape>
void AppendEscaped(std::string& out, std::string_view text, Escape escape) {
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    // Most bytes of most texts are plain ASCII or CJK: decide those quickly.
    std::size_t length = c < 0x80 ? 1 : SequenceLength(text, i);
    int code = -1;  // nothing to decide
    if (length == 0) {
      code = kInvalid + c;
      length = 1;
    } else if (c < 0x20 || c == 0x7F || c == '"' || c == '\\' || c == '%' || c == ':' || c == ',') {
      code = c;
    } else if (IsC1(text, i, length)) {
      code = static_cast<unsigned char>(text[i + 1]);
    }
    if (code != -1) {
      out.append(text.data() + runStart, i - runStart);
      if (!escape(out, code)) out.append(text.data() + i, length);
      runStart = i + length;
    }
    i += length;
  }
  out.append(text.data() + runStart, text.size() - runStart);
}

}  // namespace

bool IsValidUtf8(std::string_view text) { return platform::IsValidUtf8(text); }

void AppendValidUtf8(std::string& out, std::string_view text) {
  AppendEscaped(out, text, [](std::string& o, int code) {
    if (code < kInvalid) return false;
    o += kReplacement;
    return true;
  });
}

std::int64_t CodePointCount(std::string_view utf8) {
  std::int64_t count = 0;
  for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  AppendEscaped(out, text, [](std::string& o, int code) {
    if (code >= kInvalid) {
      o += kReplacement;
      return true;
    }
    switch (code) {
      case '"': o += "\\\""; return true;
      case '\\': o += "\\\\"; return true;
      case '\n': o += "\\n"; return true;
      case '\r': o += "\\r"; return true;
      case '\t': o += "\\t"; return true;
      case '%': case ':': case ',': return false;
      default: AppendHexEscape(o, "\\u", static_cast<unsigned>(code), 4); return true;
    }
  });
  out += '"';
}

void AppendTerminalSafe(std::string& out, std::string_view text) {
  AppendEscaped(out, text, [](std::string& o, int code) {
    if (code >= 0x20 && code < 0x7F) return false;
    // An invalid byte keeps its value in sight, so the name can still be told.
    AppendHexEscape(o, "\\x", static_cast<unsigned>(code & 0xFF), 2);
    return true;
  });
}

void AppendPercentEncoded(std::string& out, std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~' || c == '/';
    if (unreserved) {
      out += ch;
    } else {
      AppendHexEscape(out, "%", c, 2);
    }
  }
}

void AppendWorkflowData(std::string& out, std::string_view text) {
  AppendEscaped(out, text, [](std::string& o, int code) {
    if (code >= kInvalid) {
      o += kReplacement;
      return true;
    }
    switch (code) {
      case '%': o += "%25"; return true;
      case '\r': o += "%0D"; return true;
      case '\n': o += "%0A"; return true;
      default: return false;
    }
  });
}

void AppendWorkflowProperty(std::string& out, std::string_view text) {
  AppendEscaped(out, text, [](std::string& o, int code) {
    if (code >= kInvalid) {
      o += kReplacement;
      return true;
    }
    switch (code) {
      case '%': o += "%25"; return true;
      case '\r': o += "%0D"; return true;
      case '\n': o += "%0A"; return true;
      case ':': o += "%3A"; return true;
      case ',': o += "%2C"; return true;
      default: return false;
    }
  });
}

std::string CurrentFolder() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path physical = fs::current_path(error);
  if (error) return {};
  // A shell keeps the folder as the user reached it, through links; paths the
  // user types start from that name, so it is the one to cut off.
  if (const char* logical = std::getenv("PWD"); logical && logical[0] == '/') {
    if (fs::equivalent(logical, physical, error) && !error) return fs::path(logical).lexically_normal().string();
  }
  return physical.string();
}

std::string RelativePath(std::string_view path, std::string_view folder) {
  namespace fs = std::filesystem;
  fs::path normal = fs::path(path).lexically_normal();
  if (normal.is_absolute() && !folder.empty()) normal = normal.lexically_relative(fs::path(folder).lexically_normal());
  std::string relative = normal.generic_string();
  if (relative == ".") return {};
  while (relative.size() > 1 && relative.back() == '/') relative.pop_back();
  return relative;
}

PathRelativizer::PathRelativizer(std::string folder) : folder_(folder.empty() ? CurrentFolder() : std::move(folder)) {}

const std::string& PathRelativizer::Relative(std::string_view path) {
  if (!haveLast_ || path != lastPath_) {
    lastPath_.assign(path);
    lastRelative_ = RelativePath(path, folder_);
    haveLast_ = true;
  }
  return lastRelative_;
}

}  // namespace findings
