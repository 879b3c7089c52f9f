#pragma once
// The packed file format the launcher unpacks: "ZV1\0", the unpacked size
// (64 bits), the chunk size and chunk count (32 bits each), one table word
// per chunk, then the chunks' data. All integers little-endian. A table word
// holds the chunk's data length in bits 0-30; bit 31 marks a raw chunk,
// otherwise the data is a zlib stream of the chunk.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace zv::builder {

inline constexpr size_t kPackedHeaderSize = 20;
inline constexpr uint32_t kRawChunk = 0x80000000u;

// The launcher refuses a chunk whose data is longer than this for the
// file's chunk size.
uint32_t packedBound(uint32_t chunkSize);

uint64_t chunkCount(uint64_t size, uint32_t chunkSize);

// The 20 header bytes.
void writePackedHeader(uint8_t out[kPackedHeaderSize], uint64_t size, uint32_t chunkSize, uint32_t count);

// Decodes a packed file by the launcher's rules (header against the
// expected size, chunk bound, exact chunk lengths) without writing anything,
// and gives the SHA-256 of its content as 64 lowercase digits. The error is
// the launcher's message for the same fault ("packed file is damaged", ...).
[[nodiscard]] bool unpackedDigest(const std::filesystem::path& packed, uint64_t expectedSize, std::string& digestHex,
                                  std::string& error);

}  // namespace zv::builder
