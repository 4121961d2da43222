#include "platform/NativePath.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"

namespace platform {
namespace {

char AsciiLower(char c) { return static_cast<char>(platform::AsciiLower(static_cast<unsigned char>(c))); }

// True when text[i] starts a double-byte character, so that text[i + 1] (which
// may be 0x5C) belongs to it. "/" is never a trail byte, so even UTF-8 bytes
// read this way never hide a "/".
bool StartsDoubleByte(std::string_view text, std::size_t i) { return GbkCharLength(text, i) == 2; }

bool Exists(const std::string& native) {
  struct stat st;
  return lstat(native.c_str(), &st) == 0;
}

// An XDG base folder; the base directory rules ignore a relative value.
std::string BaseFolder(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  return HomeFolder() + fallback;
}

std::string DataHome() { return BaseFolder("XDG_DATA_HOME", "/.local/share"); }

// Splits CP936 text at separators; a backslash counts only where a character
// starts.
std::vector<std::string_view> SplitComponents(std::string_view text, bool backslashSeparates) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '/' || (backslashSeparates && c == '\\')) {
      if (i > start) parts.push_back(text.substr(start, i - start));
      start = i + 1;
    } else if (StartsDoubleByte(text, i)) {
      ++i;
    }
  }
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

std::string WithSlashes(std::string_view text) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size(); ++i) {
    if (result[i] == '\\')
      result[i] = '/';
    else if (StartsDoubleByte(result, i))
      ++i;
  }
  return result;
}

struct Candidates {
  std::string converted;  // empty when the component has no UTF-8 form
  std::string raw;        // empty when equal to converted
};

// Finds an existing name built from each component either converted or as
// its own bytes. found gets the full name; when only the folder part
// exists, parentOnly gets that folder joined with the last component, so a
// file about to be created still lands in the right folder.
bool FindMixed(std::string& built, const std::vector<Candidates>& parts, std::size_t index, std::string& parentOnly) {
  if (index == parts.size()) return true;
  const std::size_t mark = built.size();
  for (const std::string* choice : {&parts[index].converted, &parts[index].raw}) {
    if (choice->empty()) continue;
    if (mark > 0 && built.back() != '/') built += '/';
    built += *choice;
    if (Exists(built) && FindMixed(built, parts, index + 1, parentOnly)) return true;
    if (index + 1 == parts.size() && parentOnly.empty()) parentOnly = built;
    built.resize(mark);
  }
  return false;
}

std::string MixedFallback(const std::string& prefix, std::string_view rest, bool drive) {
  std::vector<Candidates> parts;
  for (std::string_view piece : SplitComponents(rest, drive)) {
    Candidates candidates;
    if (!AnsiToUtf8(piece, candidates.converted)) candidates.converted.clear();
    if (candidates.converted != piece) candidates.raw.assign(piece);
    parts.push_back(std::move(candidates));
  }
  if (parts.empty()) return {};
  std::string built = prefix;
  if (built.empty() && !rest.empty() && rest.front() == '/') built.push_back('/');
  if (drive) built += '/';
  std::string parentOnly;
  if (FindMixed(built, parts, 0, parentOnly)) {
    if (rest.back() == '/' || (drive && rest.back() == '\\')) built += '/';
    return built;
  }
  return parentOnly;
}

std::string Resolve(std::string_view ansiPath) {
  std::string prefix;
  std::string_view rest = ansiPath;
  const bool drive = IsDrivePath(ansiPath);
  if (drive) {
    prefix = DriveFolder(ansiPath[0]);
    rest = ansiPath.substr(2);
  }
  std::string converted;
  const bool convertible = AnsiToUtf8(rest, converted);
  if (convertible && drive) {
    // Every 0x5C in UTF-8 is a real backslash.
    for (char& c : converted)
      if (c == '\\') c = '/';
  }
  const std::string raw = drive ? WithSlashes(rest) : std::string(rest);
  // Plain ASCII: both forms agree, nothing to look up.
  if (convertible && converted == raw) return prefix + converted;

  if (convertible) {
    std::string name = prefix + converted;
    if (Exists(name)) return name;
  }
  std::string rawName = prefix + raw;
  if (Exists(rawName)) return rawName;
  std::string mixed = MixedFallback(prefix, rest, drive);
  if (!mixed.empty()) return mixed;
  return convertible ? prefix + converted : rawName;
}

}  // namespace

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

bool IsDrivePath(std::string_view text) {
  if (text.size() < 3) return false;
  const char letter = AsciiLower(text[0]);
  return letter >= 'a' && letter <= 'z' && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

std::string DriveFolder(char letter) {
  return DataHome() + "/glyphwell/drive_" + AsciiLower(letter);
}

char SeparatorFor(std::string_view directoryText) { return IsDrivePath(directoryText) ? '\\' : '/'; }

std::string ToNative(std::string_view ansiPath) { return Resolve(ansiPath); }

std::string UserFolder(UserFolderKind kind) {
  return (kind == UserFolderKind::Settings ? BaseFolder("XDG_CONFIG_HOME", "/.config") : DataHome()) + "/glyphwell";
}

bool MakePrivateFolders(const std::string& nativeFolder) {
  // Missing levels are made private to the user, as the base directory rules
  // ask for; existing ones are left as they are.
  for (std::size_t slash = nativeFolder.find('/', 1); slash != std::string::npos;
       slash = nativeFolder.find('/', slash + 1))
    mkdir(nativeFolder.substr(0, slash).c_str(), 0700);
  mkdir(nativeFolder.c_str(), 0700);
  struct stat st;
  return stat(nativeFolder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ToNativeForWrite(std::string_view ansiPath) {
  if (IsDrivePath(ansiPath) && AsciiLower(ansiPath[0]) == 'c') MakePrivateFolders(DriveFolder('c'));
  return Resolve(ansiPath);
}

void SplitLastComponent(std::string_view path, std::string& directory, std::string& name) {
  std::size_t cut = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '/' || path[i] == '\\')
      cut = i + 1;
    else if (StartsDoubleByte(path, i))
      ++i;
  }
  directory.assign(path.substr(0, cut));
  name.assign(path.substr(cut));
}

}  // namespace platform
