#include <libdeflate.h>

#include <new>

#include "tools/builder/chunk_compressor.h"

namespace zv::builder {

ChunkCompressor::ChunkCompressor(int level) {
  state_ = libdeflate_alloc_compressor(level < maxLevel() ? level : maxLevel());
  if (!state_) throw std::bad_alloc();
}

ChunkCompressor::~ChunkCompressor() { libdeflate_free_compressor(static_cast<libdeflate_compressor*>(state_)); }

size_t ChunkCompressor::compress(const uint8_t* data, size_t size, uint8_t* out) {
  if (size < 2) return 0;
  // libdeflate gives 0 when the stream does not fit, which is exactly the
  // "store it raw" answer.
  return libdeflate_zlib_compress(static_cast<libdeflate_compressor*>(state_), data, size, out, size - 1);
}

int ChunkCompressor::maxLevel() { return 12; }

const char* ChunkCompressor::libraryName() { return "libdeflate"; }

}  // namespace zv::builder
