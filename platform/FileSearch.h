// The directory search that stands in for FindFirstFileA / FindNextFileA.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

struct FoundEntry {
  std::string name;  // without directory; CP936, or the native bytes where CP936 lacks a character
  bool isDirectory = false;
  // Of what the entry points to (links are followed). Filled for directories,
  // which the walk needs to stop at loops; may be zero for files, which then
  // cost no stat call.
  FileIdentity identity;
};

// Windows wildcard matching: "*" any run of characters, "?" any one
// character (a GBK double-byte character counts as one), ASCII letters
// without regard to case; "*.*" matches every name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Orders names as the listing returns them: ASCII letters without regard to
// case, ties broken by the exact bytes.
bool NameLess(std::string_view a, std::string_view b);

// Lists the entries of the folder named by the part of pathWithPattern before
// its last separator whose names match the part after it ("dir/*.txt",
// "c:\x\*.*", "a.txt" for the current folder). Only directories and regular
// files are listed (a link counts as what it points to); never "." or "..".
// Entries come in name order. A folder that cannot be read lists nothing;
// error, when given, then receives its errno value (0 otherwise).
std::vector<FoundEntry> FindFiles(std::string_view pathWithPattern, int* error = nullptr);

// Identity of an existing file or directory (links followed); false when
// there is none.
bool GetIdentity(std::string_view ansiPath, FileIdentity& identity);
// Identity of an open file; false for a bad descriptor.
bool GetIdentity(int fd, FileIdentity& identity);

}  // namespace platform
