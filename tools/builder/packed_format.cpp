#include "tools/builder/packed_format.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "platform/file.h"
#include "updater/hex.h"
#include "updater/sha256.h"

namespace zv::builder {
namespace {

constexpr uint32_t kMaxChunkSize = 16u << 20;

void putLittle(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t getLittle(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[i];
  return value;
}

// Reads exactly size bytes; false at the end of the file or on an error.
bool readFull(File& file, uint8_t* buffer, size_t size) {
  std::string ignored;
  while (size > 0) {
    size_t got = 0;
    if (!file.read(buffer, size, got, ignored) || got == 0) return false;
    buffer += got;
    size -= got;
  }
  return true;
}

}  // namespace

uint32_t packedBound(uint32_t n) {
  const uint32_t a = n + (n / 31744) * 5 + 133;
  const uint32_t b = (n * 110) / 100 + 128;
  return (a > b ? a : b) + 64;
}

uint64_t chunkCount(uint64_t size, uint32_t chunkSize) { return (size + chunkSize - 1) / chunkSize; }

void writePackedHeader(uint8_t out[kPackedHeaderSize], uint64_t size, uint32_t chunkSize, uint32_t count) {
  std::memcpy(out, "ZV1\0", 4);
  putLittle(out + 4, size, 8);
  putLittle(out + 12, chunkSize, 4);
  putLittle(out + 16, count, 4);
}

bool unpackedDigest(const std::filesystem::path& packed, uint64_t expectedSize, std::string& digestHex,
                    std::string& error) {
  File file;
  std::string ignored;
  if (!file.open(packed, File::Mode::Read, ignored)) {
    error = "cannot open downloaded file";
    return false;
  }
  uint8_t header[kPackedHeaderSize];
  if (!readFull(file, header, sizeof header) || std::memcmp(header, "ZV1\0", 4) != 0) {
    error = "not a packed file";
    return false;
  }
  const uint64_t size = getLittle(header + 4, 8);
  const auto chunkSize = static_cast<uint32_t>(getLittle(header + 12, 4));
  const uint64_t count = getLittle(header + 16, 4);
  if (size != expectedSize || chunkSize == 0 || chunkSize > kMaxChunkSize || count != chunkCount(size, chunkSize)) {
    error = "packed file header does not match the manifest";
    return false;
  }
  std::vector<uint8_t> table(count * 4);
  if (!readFull(file, table.data(), table.size())) {
    error = "packed file is truncated";
    return false;
  }
  std::vector<uint8_t> input;
  std::vector<uint8_t> output(count > 0 ? chunkSize : 0);
  Sha256 digest;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t expected = i + 1 < count ? chunkSize : size - i * chunkSize;
    const auto word = static_cast<uint32_t>(getLittle(table.data() + 4 * i, 4));
    const uint32_t length = word & ~kRawChunk;
    if (length > packedBound(chunkSize)) {
      error = "packed file is damaged";
      return false;
    }
    input.resize(length);
    if (!readFull(file, input.data(), length)) {
      error = "packed file is truncated";
      return false;
    }
    if (word & kRawChunk) {
      if (length != expected) {
        error = "packed file is damaged";
        return false;
      }
      digest.update(input.data(), length);
      continue;
    }
    uLongf produced = static_cast<uLongf>(expected);
    if (uncompress(output.data(), &produced, input.data(), length) != Z_OK || produced != expected) {
      error = "packed file is damaged";
      return false;
    }
    digest.update(output.data(), produced);
  }
  uint8_t bytes[Sha256::kDigestSize];
  digest.final(bytes);
  digestHex = toHex(bytes, sizeof bytes);
  return true;
}

}  // namespace zv::builder
