#include "viewer/support/ClsMap.h"

#include "viewer/support/RunTimeError.h"

void RaiseDuplicateKey() {
  throw RunTimeError(RunTimeErrorCode::DuplicateKey, "This key is already associated with an element of this collection");
}

void ClsMap::Add(std::string_view key, std::string_view value) {
  if (!items_.Add(key, std::string(value))) RaiseDuplicateKey();
}

std::string ClsMap::GetValue(std::string_view key) const {
  const std::string* value = items_.Find(key);
  return value ? *value : std::string();
}
