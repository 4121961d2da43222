// The viewer's file list as a plain list of the names it was given.
#pragma once

#include <string>
#include <vector>

#include "viewer/ListBoxItems.h"

struct ListedItems : ListBoxItems {
  void Clear() override { items.clear(); }
  void AddItem(const std::string& ansiText) override { items.push_back(ansiText); }
  std::vector<std::string> items;
};
