#include "finder/engine/DirectoryWalker.h"

#include "platform/CodePage.h"
#include "platform/NativePath.h"

namespace {

void AppendSeparator(std::string& directory) {
  const char separator = platform::SeparatorFor(directory);
  if (directory.empty() || (directory.back() != separator && directory.back() != '/')) directory += separator;
}

}  // namespace

int SplitList(std::string_view text, char separator, std::vector<std::string>& list) {
  list.clear();
  if (text.empty()) return 0;
  std::size_t offset = 0;
  for (std::size_t p = text.find(separator); p != std::string_view::npos; p = text.find(separator, offset)) {
    list.emplace_back(text.substr(offset, p - offset));
    offset = p + 1;
  }
  list.emplace_back(text.substr(offset));
  return static_cast<int>(list.size());
}

DirectoryWalker::DirectoryWalker(std::atomic<unsigned char>* runningFlag, FileCallback callback, void* userObject)
    : runningFlag_(runningFlag), callback_(callback), userObject_(userObject) {}

bool DirectoryWalker::IsCancelled() const {
  return ended_ || (runningFlag_ != nullptr && runningFlag_->load(std::memory_order_relaxed) == 0);
}

bool DirectoryWalker::Excluded(const std::string& path, bool folder) const {
  if (!exclude_ || path.size() <= rootLength_) return false;
  std::string relative = path.substr(rootLength_);
  // Names below a drive path are joined with "\"; the filter reads "/".
  for (std::size_t i = 0; i < relative.size(); ++i) {
    if (platform::GbkCharLength(relative, i) == 2)
      ++i;
    else if (relative[i] == '\\')
      relative[i] = '/';
  }
  return exclude_->Excludes(root_, relative, folder);
}

void DirectoryWalker::Walk(const std::string& directory, bool includeSubdirectories, const std::string& patterns) {
  std::string withSeparator = directory;
  AppendSeparator(withSeparator);
  root_ = directory;
  rootLength_ = withSeparator.size();
  if (!includeSubdirectories) {
    SearchFiles(directory, patterns);
    return;
  }
  walked_.clear();
  platform::FileIdentity root;
  if (platform::GetIdentity(directory, root)) walked_.insert(root);
  WalkTree(directory, patterns);
}

void DirectoryWalker::WalkTree(std::string directory, const std::string& patterns) {
  AppendSeparator(directory);
  int error = 0;
  const std::vector<platform::FoundEntry> entries = platform::FindFiles(directory + "*.*", &error);
  if (error != 0) {
    // Nothing inside can be listed either.
    Tell(directory, error);
    return;
  }
  for (const platform::FoundEntry& entry : entries) {
    if (IsCancelled()) break;
    if (!entry.isDirectory) continue;
    // A folder reached a second time (through a link) is not walked again:
    // links to folders up the path would loop, links across the tree would
    // multiply the walk.
    if (Excluded(directory + entry.name, true) || !walked_.insert(entry.identity).second) continue;
    WalkTree(directory + entry.name, patterns);
  }
  SearchFiles(directory, patterns);
}

void DirectoryWalker::SearchFiles(const std::string& directory, const std::string& patterns) {
  std::string prefix = directory;
  AppendSeparator(prefix);
  std::vector<std::string> pieces;
  SplitList(patterns, ';', pieces);
  for (const std::string& piece : pieces) {
    if (IsCancelled()) return;
    if (piece.empty()) continue;
    int error = 0;
    for (const platform::FoundEntry& entry : platform::FindFiles(prefix + piece, &error)) {
      if (IsCancelled()) break;
      if (entry.isDirectory || Excluded(prefix + entry.name, false)) continue;
      if (!callback_(userObject_, prefix + entry.name, entry)) {
        ended_ = true;
        return;
      }
    }
    if (error != 0) {
      // The folder cannot be listed for any piece: said once.
      Tell(prefix, error);
      return;
    }
  }
}

void DirectoryWalker::Tell(const std::string& folder, int error) const {
  if (problems_) problems_->CannotRead(folder, ReadProblem::Folder, error);
}
