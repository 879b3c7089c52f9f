#pragma once
// Test packs in the UI pack format, written out by hand so that the reader is
// checked against the format rather than against itself.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zv::test {

inline std::string le16(uint32_t v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// One entry: name length, name, data size, data.
inline std::string packEntry(const std::string& name, const std::string& data) {
  return le16(uint32_t(name.size())) + name + le32(uint32_t(data.size())) + data;
}

inline std::string packOf(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string pack = "ZUI1" + le32(uint32_t(files.size()));
  for (const auto& [name, data] : files) pack += packEntry(name, data);
  return pack;
}

}  // namespace zv::test
