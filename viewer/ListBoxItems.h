// What the report loading needs of a list box: the window adapts its list
// widget to this, tests collect the entries in a vector.
#pragma once

#include <string>

class ListBoxItems {
 public:
  virtual ~ListBoxItems() = default;
  virtual void Clear() = 0;
  // Appends an entry (a CP936 text) at the end; the list is never sorted.
  virtual void AddItem(const std::string& ansiText) = 0;
};
