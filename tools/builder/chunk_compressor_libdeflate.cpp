#include <libdeflate.h>

#include "tools/builder/chunk_compressor.h"

namespace zv::builder {

int ChunkCompressor::maxLevel() { return 12; }

const char* ChunkCompressor::libraryName() { return "libdeflate"; }

namespace deflate_backend {

void* create(int level) { return libdeflate_alloc_compressor(level); }

void destroy(void* state) { libdeflate_free_compressor(static_cast<libdeflate_compressor*>(state)); }

size_t compress(void* state, const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
  // libdeflate gives 0 when the stream does not fit.
  return libdeflate_zlib_compress(static_cast<libdeflate_compressor*>(state), data, size, out, capacity);
}

}  // namespace deflate_backend
}  // namespace zv::builder
