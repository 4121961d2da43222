// The file map: source paths to their row maps, in the order they were added.
// Row maps are shared, so a window that still shows one keeps it alive after
// the file map has been replaced.
#pragma once

#include <memory>
#include <string_view>

#include "viewer/support/ClsMap.h"
#include "viewer/support/Dictionary.h"

class ClsObjMap {
 public:
  // Raises RunTimeError(DuplicateKey) when the key is present; the old value stays.
  void Add(std::string_view key, std::shared_ptr<ClsMap> value);
  // The row map of the key, or nullptr when it is absent.
  std::shared_ptr<ClsMap> GetValue(std::string_view key) const;
  // The entries in the order of addition.
  const Dictionary<std::shared_ptr<ClsMap>>& GetObject() const { return items_; }
  bool Exists(std::string_view key) const { return items_.Exists(key); }

 private:
  Dictionary<std::shared_ptr<ClsMap>> items_;
};
