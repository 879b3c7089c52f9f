#pragma once
// Little-endian fields inside a byte string, as the PE format stores them.
// Callers check the bounds.

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::builder {

inline uint32_t get16(std::string_view bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8;
}

inline uint32_t get32(std::string_view bytes, size_t at) { return get16(bytes, at) | get16(bytes, at + 2) << 16; }

inline void put16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

inline void put32(std::string& bytes, size_t at, uint32_t value) {
  put16(bytes, at, value & 0xFFFF);
  put16(bytes, at + 2, value >> 16);
}

}  // namespace zv::builder
