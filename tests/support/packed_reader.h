#pragma once
// A reader of packed files written from the format description alone, with
// stock zlib's one-call inflate, for tests that check our packer from the
// outside. Any deviation from what the launcher accepts fails the test.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace zv::test {

struct PackedContent {
  std::string content;
  uint32_t chunkSize = 0;
  uint32_t rawChunks = 0;
  uint32_t zlibChunks = 0;
};

inline uint32_t littleWord(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// The launcher's bound on a chunk's data for a chunk size n.
inline uint32_t chunkDataBound(uint32_t n) {
  const uint32_t a = n + (n / 31744) * 5 + 133;
  const uint32_t b = (n * 110) / 100 + 128;
  return std::max(a, b) + 64;
}

inline PackedContent unpackWithZlib(const std::string& packed) {
  PackedContent out;
  if (packed.size() < 20 || packed.compare(0, 4, std::string("ZV1\0", 4)) != 0) {
    ADD_FAILURE() << "not a packed file";
    return out;
  }
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i) size = size << 8 | static_cast<uint8_t>(packed[4 + i]);
  out.chunkSize = littleWord(packed, 12);
  const uint32_t count = littleWord(packed, 16);
  EXPECT_TRUE(out.chunkSize >= 1 && out.chunkSize <= (16u << 20));
  EXPECT_EQ(count, (size + out.chunkSize - 1) / out.chunkSize);
  size_t at = 20 + 4 * size_t{count};
  for (uint32_t i = 0; i < count && at <= packed.size(); ++i) {
    const uint32_t entry = littleWord(packed, 20 + 4 * size_t{i});
    const uint32_t length = entry & 0x7fffffffu;
    const auto expected = static_cast<size_t>(std::min<uint64_t>(out.chunkSize, size - uint64_t{i} * out.chunkSize));
    EXPECT_LE(length, chunkDataBound(out.chunkSize));
    if (at + length > packed.size()) {
      ADD_FAILURE() << "chunk " << i << " runs past the end";
      return out;
    }
    if (entry & 0x80000000u) {
      EXPECT_EQ(length, expected);
      out.content.append(packed, at, length);
      ++out.rawChunks;
    } else {
      std::string chunk(expected, '\0');
      uLongf produced = expected;
      EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(chunk.data()), &produced,
                           reinterpret_cast<const Bytef*>(packed.data() + at), length),
                Z_OK);
      EXPECT_EQ(produced, expected);
      out.content += chunk;
      ++out.zlibChunks;
    }
    at += length;
  }
  EXPECT_EQ(at, packed.size());
  return out;
}

}  // namespace zv::test
