#include "viewer/support/ClsObjMap.h"

void ClsObjMap::Add(std::string_view key, std::shared_ptr<ClsMap> value) {
  if (!items_.Add(key, std::move(value))) RaiseDuplicateKey();
}

std::shared_ptr<ClsMap> ClsObjMap::GetValue(std::string_view key) const {
  const std::shared_ptr<ClsMap>* value = items_.Find(key);
  return value ? *value : nullptr;
}
