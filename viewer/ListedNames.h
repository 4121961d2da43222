// How the file list names the report's files: each path relative to the
// folder that all of them share, and the part of it that tells the file
// apart from the others, which a shortened name must keep in view.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ListedNames {
  // Bytes of the folder every path starts with, its last separator
  // included; 0 when the paths share no folder below a root.
  std::size_t commonLength = 0;
  // For each path: where, in its name without the common folder, the last
  // components begin that no other path ends with (the file name alone
  // when that is unique). A path listed twice counts once.
  std::vector<std::size_t> distinctFrom;
};

// The names of CP936 path texts, "/" or "\" separated, in list order.
ListedNames NameFiles(const std::vector<std::string>& paths);
