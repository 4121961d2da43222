#include "finder/app/findings/GitIgnores.h"

#include <git2.h>

#include <filesystem>
#include <system_error>

namespace {

// Whether a ".git" (a folder, or the file of a linked work tree) stands in
// folder or above it: a work tree has one, so without it libgit2 need not
// start, which costs milliseconds (it reads every CA certificate of the
// system, though nothing here goes near a network).
bool MayLieInWorkTree(const std::filesystem::path& folder) {
  for (std::filesystem::path at = folder;; at = at.parent_path()) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(at / ".git", error))) return true;
    if (at == at.parent_path()) return false;
  }
}

}  // namespace

GitIgnores::GitIgnores() = default;

GitIgnores::~GitIgnores() {
  for (auto& [root, tree] : trees_) git_repository_free(tree.repository);
  if (started_) git_libgit2_shutdown();
}

const GitIgnores::Tree& GitIgnores::TreeOf(const std::string& root) const {
  const auto known = trees_.find(root);
  if (known != trees_.end()) return known->second;
  Tree& tree = trees_[root];
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(root.empty() ? "." : root, error);
  if (error || !MayLieInWorkTree(real)) return tree;
  if (!started_) git_libgit2_init();
  started_ = true;
  git_repository* repository = nullptr;
  if (git_repository_open_ext(&repository, real.c_str(), 0, nullptr) != 0) return tree;
  const char* workdir = git_repository_workdir(repository);  // canonical, ending in "/"
  const std::string folder = real.string() + "/";
  if (!workdir || folder.compare(0, std::string_view(workdir).size(), workdir) != 0) {
    git_repository_free(repository);  // a bare repository, or root inside .git
    return tree;
  }
  tree.repository = repository;
  tree.prefix = folder.substr(std::string_view(workdir).size());
  return tree;
}

bool GitIgnores::Ignored(const std::string& root, std::string_view relative, bool folder) const {
  const Tree& tree = TreeOf(root);
  if (!tree.repository) return false;
  // A trailing "/" says it is a folder, so that "build/" rules apply to it.
  const std::string path = tree.prefix + std::string(relative) + (folder ? "/" : "");
  int ignored = 0;
  return git_ignore_path_is_ignored(&ignored, tree.repository, path.c_str()) == 0 && ignored == 1;
}
