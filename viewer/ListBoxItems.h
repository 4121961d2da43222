// What the report loading needs of a list box: the viewer's logic collects
// the entries that the window's list then shows; tests collect them too.
#pragma once

#include <string>

class ListBoxItems {
 public:
  virtual ~ListBoxItems() = default;
  virtual void Clear() = 0;
  // Appends an entry (a CP936 text) at the end; the list is never sorted.
  virtual void AddItem(const std::string& ansiText) = 0;
};
