#include "finder/engine/DirectoryWalker.h"

#include <algorithm>

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
  return runningFlag_ != nullptr && runningFlag_->load(std::memory_order_relaxed) == 0;
}

void DirectoryWalker::Walk(const std::string& directory, bool includeSubdirectories, const std::string& patterns) {
  if (!includeSubdirectories) {
    SearchFiles(directory, patterns);
    return;
  }
  ancestors_.clear();
  platform::FileIdentity root;
  if (platform::GetIdentity(directory, root)) ancestors_.push_back(root);
  WalkTree(directory, patterns);
}

void DirectoryWalker::WalkTree(std::string directory, const std::string& patterns) {
  AppendSeparator(directory);
  for (const platform::FoundEntry& entry : platform::FindFiles(directory + "*.*")) {
    if (IsCancelled()) break;
    if (!entry.isDirectory) continue;
    if (std::find(ancestors_.begin(), ancestors_.end(), entry.identity) != ancestors_.end()) continue;
    ancestors_.push_back(entry.identity);
    WalkTree(directory + entry.name, patterns);
    ancestors_.pop_back();
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
    for (const platform::FoundEntry& entry : platform::FindFiles(prefix + piece)) {
      if (IsCancelled()) break;
      if (entry.isDirectory) continue;
      callback_(userObject_, prefix + entry.name, entry);
    }
  }
}
