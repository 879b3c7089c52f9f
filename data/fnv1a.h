#pragma once
// FNV-1a, 32 bits: the short, stable hash behind the install tag, the
// instance lock name and the UI pack marker.

#include <cstddef>
#include <cstdint>

namespace zv {

inline uint32_t fnv1a(const void* data, size_t size, uint32_t hash = 2166136261u) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace zv
