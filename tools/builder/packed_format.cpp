#include "tools/builder/packed_format.h"

#include <cstring>

namespace zv::builder {
namespace {

void putLittle(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

uint64_t chunkCount(uint64_t size, uint32_t chunkSize) { return (size + chunkSize - 1) / chunkSize; }

void writePackedHeader(uint8_t out[kPackedHeaderSize], uint64_t size, uint32_t chunkSize, uint32_t count) {
  std::memcpy(out, kPackedMagic, sizeof kPackedMagic);
  putLittle(out + 4, size, 8);
  putLittle(out + 12, chunkSize, 4);
  putLittle(out + 16, count, 4);
}

}  // namespace zv::builder
