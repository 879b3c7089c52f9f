#pragma once
// Compression of one chunk of a packed file into a zlib stream (RFC 1950).
// Built on libdeflate where the build has it (smaller and several times
// faster than zlib at the same level) and on zlib otherwise; the streams are
// the same format either way, and the launcher inflates both with zlib.

#include <cstddef>
#include <cstdint>

namespace zv::builder {

class ChunkCompressor {
 public:
  // level from 1 to maxLevel(); higher levels are taken as maxLevel().
  explicit ChunkCompressor(int level);
  ~ChunkCompressor();
  ChunkCompressor(const ChunkCompressor&) = delete;
  ChunkCompressor& operator=(const ChunkCompressor&) = delete;

  // Compresses size bytes into out, which has room for size - 1 bytes.
  // Returns the stream's length, or 0 when the chunk is better stored raw:
  // the stream would not be shorter, or a few samples spread over a large
  // chunk do not compress at all (audio, archives: data that would cost a
  // full compression for nothing).
  size_t compress(const uint8_t* data, size_t size, uint8_t* out);

  // The highest level this build offers (12 with libdeflate, 9 with zlib).
  static int maxLevel();
  // Which library does the work, for messages.
  static const char* libraryName();

 private:
  bool looksIncompressible(const uint8_t* data, size_t size);

  void* main_ = nullptr;   // the chosen level
  void* probe_ = nullptr;  // the fastest level, for the samples
};

// The library underneath, one file per library.
namespace deflate_backend {
void* create(int level);
void destroy(void* state);
// A zlib stream of data into out when it fits into capacity, else 0.
size_t compress(void* state, const uint8_t* data, size_t size, uint8_t* out, size_t capacity);
}  // namespace deflate_backend

}  // namespace zv::builder
