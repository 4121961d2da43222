#include "finder/app/findings/PathList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "finder/app/findings/FindingText.h"

namespace {

// A stream read to its end; 0 or the errno of the failed read (EISDIR for a
// folder).
int ReadToEnd(std::FILE* in, std::string& content) {
  char block[64 * 1024];
  for (;;) {
    errno = 0;
    const std::size_t got = std::fread(block, 1, sizeof block, in);
    content.append(block, got);
    if (got < sizeof block) return std::ferror(in) ? (errno != 0 ? errno : EIO) : 0;
  }
}

}  // namespace

void SplitPathList(std::string_view list, bool nulSeparated, std::vector<std::string>& paths) {
  const char separator = nulSeparated ? '\0' : '\n';
  while (!list.empty()) {
    const std::size_t end = list.find(separator);
    std::string_view entry = list.substr(0, end);
    if (!nulSeparated && !entry.empty() && entry.back() == '\r') entry.remove_suffix(1);
    if (!entry.empty()) paths.emplace_back(entry);
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
}

bool ReadPathList(const std::string& file, bool nulSeparated, std::vector<std::string>& paths, std::string& error) {
  std::string content;
  int failure = 0;
  if (file == "-") {
    failure = ReadToEnd(stdin, content);
  } else if (std::FILE* in = std::fopen(file.c_str(), "rb"); in == nullptr) {
    failure = errno;
  } else {
    // Any readable file will do, a pipe too (--files-from <(git ls-files)).
    failure = ReadToEnd(in, content);
    std::fclose(in);
  }
  if (failure != 0) {
    std::string shown;
    if (file == "-") {
      shown = "standard input";
    } else {
      findings::AppendTerminalSafe(shown, file);
    }
    error = "cannot read the path list " + shown + ": " + std::strerror(failure);
    return false;
  }
  SplitPathList(content, nulSeparated, paths);
  return true;
}
