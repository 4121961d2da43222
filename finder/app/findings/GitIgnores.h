// Which files Git passes over, for a search inside a Git work tree: the
// rules of .gitignore files, .git/info/exclude and the global excludes file,
// read by libgit2 as Git reads them. Files Git tracks are judged by the
// rules alone, as a file walk sees them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

struct git_repository;

class GitIgnores {
 public:
  GitIgnores();
  ~GitIgnores();
  GitIgnores(const GitIgnores&) = delete;
  GitIgnores& operator=(const GitIgnores&) = delete;

  // True when the file or folder at relative (native, "/" between names)
  // below the folder root (native) is ignored by the work tree that holds
  // root; false outside any work tree.
  bool Ignored(const std::string& root, std::string_view relative, bool folder) const;

 private:
  struct Tree {
    git_repository* repository = nullptr;  // none: root lies in no work tree
    std::string prefix;                    // root's path below the work tree, "" or ending in "/"
  };
  const Tree& TreeOf(const std::string& root) const;

  // Each root's work tree, found when it is first asked of.
  mutable std::map<std::string, Tree> trees_;
  mutable bool started_ = false;  // libgit2 was started (for the first root in a work tree)
};
