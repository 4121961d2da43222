// A text-keyed hash dictionary that enumerates its entries in the order they
// were added, keys compared byte for byte. It only grows: the viewer's maps
// never remove a key. The entries lie in one vector; an open-addressing table
// of indices finds them, so a key is stored once and lookups allocate nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

template <class Value>
class Dictionary {
 public:
  struct Entry {
    std::string key;
    Value value;
  };

  // False, leaving the dictionary unchanged, when the key is present.
  bool Add(std::string_view key, Value value) {
    if ((entries_.size() + 1) * 4 > slots_.size() * 3) Grow();
    const std::size_t hash = Hash(key);
    std::size_t slot = hash & (slots_.size() - 1);
    for (; slots_[slot] != kEmpty; slot = (slot + 1) & (slots_.size() - 1))
      if (Matches(slots_[slot], hash, key)) return false;
    entries_.push_back({std::string(key), std::move(value)});
    try {
      hashes_.push_back(hash);
    } catch (...) {
      entries_.pop_back();  // out of memory: leave the dictionary as it was
      throw;
    }
    slots_[slot] = static_cast<std::uint32_t>(entries_.size() - 1);
    return true;
  }

  // The value of a key, or nullptr when it is absent.
  const Value* Find(std::string_view key) const {
    if (entries_.empty()) return nullptr;
    const std::size_t hash = Hash(key);
    for (std::size_t slot = hash & (slots_.size() - 1); slots_[slot] != kEmpty; slot = (slot + 1) & (slots_.size() - 1))
      if (Matches(slots_[slot], hash, key)) return &entries_[slots_[slot]].value;
    return nullptr;
  }

  bool Exists(std::string_view key) const { return Find(key) != nullptr; }
  std::size_t Count() const { return entries_.size(); }

  // The entry added index-th (from 0), for a list that shows entries by row.
  const Entry& At(std::size_t index) const { return entries_[index]; }
  // The entries in the order of addition.
  auto begin() const { return entries_.cbegin(); }
  auto end() const { return entries_.cend(); }

 private:
  static constexpr std::uint32_t kEmpty = UINT32_MAX;

  static std::size_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }

  bool Matches(std::uint32_t index, std::size_t hash, std::string_view key) const {
    return hashes_[index] == hash && entries_[index].key == key;
  }

  void Grow() {
    // Indices are 32-bit; a report line is at least two bytes, so a map of
    // four billion keys would not fit in memory anyway.
    slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, kEmpty);
    for (std::uint32_t index = 0; index < entries_.size(); ++index) {
      std::size_t slot = hashes_[index] & (slots_.size() - 1);
      while (slots_[slot] != kEmpty) slot = (slot + 1) & (slots_.size() - 1);
      slots_[slot] = index;
    }
  }

  std::vector<Entry> entries_;
  std::vector<std::size_t> hashes_;   // hash of each entry's key, so growing rehashes nothing
  std::vector<std::uint32_t> slots_;  // entry index or kEmpty; size a power of two
};
