#include "finder/app/findings/PathExclusions.h"

#include <fnmatch.h>

namespace {

std::vector<std::string_view> SplitNames(std::string_view path) {
  std::vector<std::string_view> names;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    if (!name.empty() && name != ".") names.push_back(name);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return names;
}

}  // namespace

bool PathExclusions::Add(std::string_view glob, std::string& error) {
  Pattern pattern;
  std::string_view body = glob;
  while (!body.empty() && body.back() == '/') {
    pattern.foldersOnly = true;
    body.remove_suffix(1);
  }
  const std::vector<std::string_view> names = SplitNames(body);
  if (names.empty()) {
    error = "the exclusion pattern '" + std::string(glob) + "' names nothing";
    return false;
  }
  if (body.find('/') == std::string_view::npos) pattern.names.emplace_back("**");
  for (const std::string_view name : names) {
    if (name == "**" && !pattern.names.empty() && pattern.names.back() == "**") continue;
    pattern.names.emplace_back(name);
  }
  // "a/**" is what a holds, not a itself (a file named a stays): at least one
  // name must follow a.
  if (pattern.names.size() > 1 && pattern.names.back() == "**") {
    pattern.names.back() = "*";
    pattern.names.emplace_back("**");
  }
  patterns_.push_back(std::move(pattern));
  return true;
}

bool PathExclusions::Excludes(std::string_view relativePath, bool isFolder) const {
  if (patterns_.empty()) return false;
  const std::vector<std::string_view> names = SplitNames(relativePath);
  if (names.empty()) return false;  // the search root itself
  for (const Pattern& pattern : patterns_) {
    if (pattern.foldersOnly && !isFolder) continue;
    if (Matches(pattern, names)) return true;
  }
  return false;
}

bool PathExclusions::Matches(const Pattern& pattern, const std::vector<std::string_view>& names) {
  // matched[j]: the pattern's names from i on match the path's names from j
  // on; filled from the last pattern name backwards.
  const std::size_t count = names.size();
  std::vector<char> matched(count + 1, 0), next(count + 1, 0);
  next[count] = 1;
  std::string name;
  for (std::size_t i = pattern.names.size(); i-- > 0;) {
    const std::string& glob = pattern.names[i];
    if (glob == "**") {
      matched[count] = next[count];
      for (std::size_t j = count; j-- > 0;) matched[j] = next[j] || matched[j + 1];
    } else {
      matched[count] = 0;
      for (std::size_t j = 0; j < count; ++j) {
        matched[j] = 0;
        if (!next[j + 1]) continue;
        name.assign(names[j]);
        matched[j] = fnmatch(glob.c_str(), name.c_str(), 0) == 0;
      }
    }
    matched.swap(next);
  }
  return next[0];
}
