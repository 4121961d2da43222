// --exclude GLOB: which files and folders a walk passes over, by their path
// relative to the search root with "/" separators. As in .gitignore:
//   *  ?  [a-z]   within one name (never across "/"); "\" quotes a character
//   **            as a whole name: any number of folders, none included
//   trailing /    folders only
//   no inner /    the last name at any depth ("*.min.js", "vendor/")
//   inner or leading /   anchored at the root ("docs/old/*.html", "/a.txt")
// Names are compared exactly, case included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class PathExclusions {
 public:
  // false, with error, for a pattern that names nothing ("", "/").
  bool Add(std::string_view glob, std::string& error);
  bool Empty() const { return patterns_.empty(); }

  // True when the file or folder is excluded; a walk skips an excluded
  // folder's whole subtree.
  bool Excludes(std::string_view relativePath, bool isFolder) const;

 private:
  struct Pattern {
    std::vector<std::string> names;  // "**" stands for any number of names
    bool foldersOnly = false;
  };
  static bool Matches(const Pattern& pattern, const std::vector<std::string_view>& names);

  std::vector<Pattern> patterns_;
};
