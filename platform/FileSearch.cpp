#include "platform/FileSearch.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"

namespace platform {
namespace {

// Length of the character at text[i]: a GBK double-byte character counts as
// one, so "?" takes both its bytes and a "\" trail byte is no separator.
std::size_t CharLength(std::string_view text, std::size_t i) { return GbkCharLength(text, i); }

bool SameChar(std::string_view name, std::size_t i, std::size_t nameLength, std::string_view pattern, std::size_t j,
              std::size_t patternLength) {
  if (nameLength != patternLength) return false;
  if (nameLength == 2) return name[i] == pattern[j] && name[i + 1] == pattern[j + 1];
  return AsciiUpper(static_cast<unsigned char>(name[i])) == AsciiUpper(static_cast<unsigned char>(pattern[j]));
}

// Greedy matching: on a mismatch only the most recent "*" takes one more
// character, which keeps the work at most name size times pattern size.
bool MatchWildcards(std::string_view name, std::string_view pattern) {
  std::size_t i = 0, j = 0;
  std::size_t starPattern = std::string_view::npos, starName = 0;
  while (i < name.size()) {
    if (j < pattern.size() && pattern[j] == '*') {
      starPattern = ++j;
      starName = i;
      continue;
    }
    if (j < pattern.size()) {
      const std::size_t nameLength = CharLength(name, i);
      const std::size_t patternLength = CharLength(pattern, j);
      if (pattern[j] == '?' || SameChar(name, i, nameLength, pattern, j, patternLength)) {
        i += nameLength;
        j += patternLength;
        continue;
      }
    }
    if (starPattern == std::string_view::npos) return false;
    starName += CharLength(name, starName);
    i = starName;
    j = starPattern;
  }
  while (j < pattern.size() && pattern[j] == '*') ++j;
  return j == pattern.size();
}

void SetIdentity(const struct stat& st, FileIdentity& identity) {
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.inode = static_cast<std::uint64_t>(st.st_ino);
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return false;
  if (MatchWildcards(name, pattern)) return true;
  // A final ".*" also matches where the name has no extension at all, so
  // "*.*" takes every name and "readme.*" takes "readme".
  if (pattern.size() >= 2 && pattern.ends_with(".*")) return MatchWildcards(name, pattern.substr(0, pattern.size() - 2));
  return false;
}

// Letters fold to upper case as NTFS orders them, so "_" sorts after letters.
bool NameLess(std::string_view a, std::string_view b) {
  const int order = CompareIgnoringAsciiCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::vector<FoundEntry> FindFiles(std::string_view pathWithPattern, int* error) {
  std::vector<FoundEntry> found;
  if (error) *error = 0;
  std::string directory, pattern;
  SplitLastComponent(pathWithPattern, directory, pattern);
  if (pattern.empty()) return found;
  const std::string native = directory.empty() ? std::string(".") : ToNative(directory);

  // O_DIRECTORY refuses anything else before it is opened, so a FIFO named
  // as the folder cannot block.
  const int fd = OpenAnyDepth(native, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = errno;
    return found;
  }
  DIR* dir = fdopendir(fd);
  if (!dir) {
    if (error) *error = errno;
    close(fd);
    return found;
  }
  while (const dirent* entry = readdir(dir)) {
    const char* raw = entry->d_name;
    if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))) continue;
    std::string name = Utf8ToAnsiOrRaw(raw);
    // Matching first: most entries of a big folder fail the pattern and then
    // cost no stat at all.
    if (!MatchesPattern(name, pattern)) continue;
    FoundEntry item;
    if (entry->d_type == DT_REG) {
      item.isDirectory = false;
    } else if (entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st;
      if (fstatat(fd, raw, &st, 0) != 0) continue;  // a dangling link, or gone meanwhile
      if (S_ISDIR(st.st_mode))
        item.isDirectory = true;
      else if (!S_ISREG(st.st_mode))
        continue;
      SetIdentity(st, item.identity);
    } else {
      continue;  // FIFOs, sockets and devices
    }
    item.name = std::move(name);
    found.push_back(std::move(item));
  }
  closedir(dir);
  std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) { return NameLess(a.name, b.name); });
  return found;
}

bool GetIdentity(std::string_view ansiPath, FileIdentity& identity) {
  struct stat st;
  if (stat(ToNative(ansiPath).c_str(), &st) != 0) return false;
  SetIdentity(st, identity);
  return true;
}

bool GetIdentity(int fd, FileIdentity& identity) {
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return false;
  SetIdentity(st, identity);
  return true;
}

}  // namespace platform
