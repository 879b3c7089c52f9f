#pragma once
// Item numbers of a list of named items, found by name without a copy of
// the name: an open-addressing table of numbers, hashed by the name the
// caller's nameOf(number) gives. The list keeps the names; this keeps 4 to
// 16 bytes per item.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace zv {

class NameIndex {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  void clear() {
    slots_.clear();
    count_ = 0;
  }

  // Room for this many items without growing (each growth hashes every
  // name again). Only for an empty index.
  void reserve(size_t items) {
    size_t size = 64;
    while (size < items * 2) size *= 2;
    if (count_ == 0 && size > slots_.size()) slots_.assign(size, 0);
  }

  // The number of the item with this name, or npos.
  template <typename NameOf>
  size_t find(std::string_view name, const NameOf& nameOf) const {
    if (slots_.empty()) return npos;
    for (size_t slot = first(name);; slot = next(slot)) {
      const uint32_t held = slots_[slot];
      if (held == 0) return npos;
      if (nameOf(held - 1) == name) return held - 1;
    }
  }

  // Item number item takes name, unless an item of that name is there
  // already: then that item's number is returned, else item.
  template <typename NameOf>
  size_t insert(std::string_view name, size_t item, const NameOf& nameOf) {
    if ((count_ + 1) * 2 > slots_.size()) grow(nameOf);
    for (size_t slot = first(name);; slot = next(slot)) {
      const uint32_t held = slots_[slot];
      if (held == 0) {
        slots_[slot] = static_cast<uint32_t>(item + 1);
        ++count_;
        return item;
      }
      if (nameOf(held - 1) == name) return held - 1;
    }
  }

 private:
  size_t first(std::string_view name) const { return std::hash<std::string_view>{}(name) & (slots_.size() - 1); }
  size_t next(size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

  template <typename NameOf>
  void grow(const NameOf& nameOf) {
    std::vector<uint32_t> old(slots_.empty() ? 64 : slots_.size() * 2, 0);
    old.swap(slots_);
    for (const uint32_t held : old) {
      if (held == 0) continue;
      size_t slot = first(nameOf(held - 1));
      while (slots_[slot] != 0) slot = next(slot);
      slots_[slot] = held;
    }
  }

  std::vector<uint32_t> slots_;  // item number + 1; 0: free
  size_t count_ = 0;
};

}  // namespace zv
