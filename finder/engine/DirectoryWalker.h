// Lists a directory (and, on request, its subdirectories) and hands every file
// whose name matches one of the patterns to a callback. Subdirectories come
// before a directory's own files; entries come in name order.
#pragma once

#include <atomic>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/SearchScope.h"
#include "finder/engine/Sinks.h"
#include "platform/FileSearch.h"

// Told of each matching file; false ends the walk.
using FileCallback = bool (*)(void* userObject, const std::string& fullPath, const platform::FoundEntry& entry);

// Fills list with the pieces of text between separators (empty pieces too)
// and returns their number; 0 for an empty text.
int SplitList(std::string_view text, char separator, std::vector<std::string>& list);

class DirectoryWalker {
 public:
  DirectoryWalker(std::atomic<unsigned char>* runningFlag, FileCallback callback, void* userObject);
  virtual ~DirectoryWalker() = default;

  // Folders that cannot be listed are told here; none by default.
  void SetProblemSink(ProblemSink* problems) { problems_ = problems; }
  // Files and folders below the walked folder that the filter names are
  // passed over; none by default.
  void SetExclusion(const PathFilter* exclude) { exclude_ = exclude; }

  void Walk(const std::string& directory, bool includeSubdirectories, const std::string& patterns);
  void SearchFiles(const std::string& directory, const std::string& patterns);

 private:
  bool IsCancelled() const;
  void WalkTree(std::string directory, const std::string& patterns);
  void Tell(const std::string& folder, int error) const;

  std::atomic<unsigned char>* runningFlag_;
  FileCallback callback_;
  void* userObject_;
  bool Excluded(const std::string& path, bool folder) const;

  ProblemSink* problems_ = nullptr;
  bool ended_ = false;  // the callback ended the walk
  const PathFilter* exclude_ = nullptr;
  std::string root_;            // the walked folder
  std::size_t rootLength_ = 0;  // of the walked folder with its separator
  // Directories walked in this search, each (device and inode) once.
  std::set<platform::FileIdentity> walked_;
};
