#include "viewer/ModAPI.h"

#include <utility>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"

bool DetachedProgramStarter::Start(const std::string& program, const std::vector<std::string>& nativeArguments) {
  const bool bareName = program.find_first_of("/\\") == std::string::npos && !platform::IsDrivePath(program);
  if (bareName && !program.empty()) {
    const std::string shipped = ShippedFileFolder(ShippedFileKind::Helper) + "/" + program;
    if (platform::PathExists(shipped) && !platform::IsDirectory(shipped) &&
        platform::StartDetached(shipped, nativeArguments))
      return true;
  }
  return platform::StartDetached(program, nativeArguments);
}

namespace {

// A character's bytes: GBK's one or two, or a GB18030 four-byte form, which
// a report holds for a character that GBK lacks.
std::size_t CharLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0; };
  const auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  if (platform::IsGbkLeadByte(byte(i)) && digit(byte(i + 1)) && platform::IsGbkLeadByte(byte(i + 2)) &&
      digit(byte(i + 3)))
    return 4;
  return platform::GbkCharLength(text, i);
}

bool MeansAKey(char c) { return std::string_view("^+%~{}()[]").find(c) != std::string_view::npos; }

}  // namespace

std::vector<KeyStroke> ParseKeys(std::string_view keys) {
  std::vector<KeyStroke> strokes;
  KeyStroke next;
  for (std::size_t i = 0; i < keys.size();) {
    const std::size_t length = CharLength(keys, i);
    const char c = keys[i];
    if (length == 1 && (c == '^' || c == '+' || c == '%')) {
      (c == '^' ? next.control : c == '+' ? next.shift : next.alt) = true;
      ++i;
      continue;
    }
    if (length == 1 && c == '~') {
      next.enter = true;
      ++i;
    } else if (length == 1 && c == '{') {
      // "{}}" names the closing brace itself; otherwise the name runs to the
      // first "}".
      const std::size_t close = keys.substr(i + 1, 2) == "}}" ? i + 2 : keys.find('}', i + 1);
      const std::string_view name =
          close == std::string_view::npos ? std::string_view() : keys.substr(i + 1, close - i - 1);
      if (platform::CompareIgnoringAsciiCase(name, "enter") == 0) {
        next.enter = true;
      } else if (!name.empty() && CharLength(name, 0) == name.size()) {
        next.text = name;
      } else {
        // Not a name this notation knows: the brace is typed.
        next.text.assign(1, '{');
        strokes.push_back(std::exchange(next, KeyStroke()));
        ++i;
        continue;
      }
      i = close + 1;
    } else {
      next.text = keys.substr(i, length);
      i += length;
    }
    strokes.push_back(std::exchange(next, KeyStroke()));
  }
  return strokes;
}

std::string LiteralKeys(std::string_view text) {
  std::string keys;
  keys.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    if (length == 1 && MeansAKey(text[i])) {
      keys += '{';
      keys += text[i];
      keys += '}';
    } else {
      keys.append(text.substr(i, length));
    }
    i += length;
  }
  return keys;
}
