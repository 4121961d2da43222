#include "viewer/ListedNames.h"

#include <algorithm>
#include <unordered_map>

#include "platform/CodePage.h"
#include "platform/NativePath.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Where each component of a path starts. The second byte of a GBK
// character may be a backslash: separators are looked for character by
// character.
std::vector<std::size_t> ComponentStarts(std::string_view path) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < path.size(); i += platform::GbkCharLength(path, i))
    if (IsSeparator(path[i]) && i + 1 < path.size()) starts.push_back(i + 1);
  return starts;
}

// A root ("/", "c:\") is shared by too many paths to say anything.
std::size_t RootLength(std::string_view path) {
  if (platform::IsDrivePath(path)) return 3;
  return !path.empty() && IsSeparator(path.front()) ? 1 : 0;
}

}  // namespace

ListedNames NameFiles(const std::vector<std::string>& paths) {
  ListedNames names;
  names.distinctFrom.assign(paths.size(), 0);
  if (paths.empty()) return names;

  // The longest folder every path starts with.
  std::size_t common = paths.front().size();
  for (const std::string& path : paths) {
    common = std::min(common, path.size());
    common = static_cast<std::size_t>(std::mismatch(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(common),
                                                    paths.front().begin())
                                          .first -
                                      path.begin());
  }
  const std::string_view first = paths.front();
  std::size_t folderEnd = 0;
  for (std::size_t i = 0; i < common; i += platform::GbkCharLength(first, i))
    if (IsSeparator(first[i])) folderEnd = i + 1;
  if (folderEnd > RootLength(first)) names.commonLength = folderEnd;

  // Each name takes one more component from its end until no other path
  // ends the same way.
  std::vector<std::vector<std::size_t>> starts(paths.size());
  std::vector<std::size_t> open(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    starts[i] = ComponentStarts(std::string_view(paths[i]).substr(names.commonLength));
    open[i] = i;
  }
  for (std::size_t taken = 1; !open.empty(); ++taken) {
    const auto tail = [&](std::size_t i) {
      const std::vector<std::size_t>& s = starts[i];
      return std::string_view(paths[i]).substr(names.commonLength + s[s.size() - std::min(taken, s.size())]);
    };
    // Each tail and the path it was first seen on; "" once a second path has it.
    std::unordered_map<std::string_view, std::string_view> owners;
    for (const std::size_t i : open) {
      const auto [at, added] = owners.emplace(tail(i), paths[i]);
      if (!added && at->second != paths[i]) at->second = {};
    }
    std::erase_if(open, [&](std::size_t i) {
      const bool whole = taken >= starts[i].size();
      if (!whole && owners[tail(i)].empty()) return false;
      names.distinctFrom[i] = starts[i][starts[i].size() - std::min(taken, starts[i].size())];
      return true;
    });
  }
  return names;
}
