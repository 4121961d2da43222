// The row map: line-number texts to the rest of their report lines, in the
// order they were added. Keys compare exactly ("7", "07" and "7 " differ).
#pragma once

#include <string>
#include <string_view>

#include "viewer/support/Dictionary.h"

class ClsMap {
 public:
  // Raises RunTimeError(DuplicateKey) when the key is present; the old value stays.
  void Add(std::string_view key, std::string_view value);
  // The value of the key, or "" when it is absent (the key is not added).
  std::string GetValue(std::string_view key) const;
  // The entries in the order of addition.
  const Dictionary<std::string>& GetObject() const { return items_; }
  bool Exists(std::string_view key) const { return items_.Exists(key); }

 private:
  Dictionary<std::string> items_;
};

// The error that a dictionary raises for a key it already holds.
[[noreturn]] void RaiseDuplicateKey();
