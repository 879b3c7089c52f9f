#include <zlib.h>

#include "tools/builder/chunk_compressor.h"

namespace zv::builder {

int ChunkCompressor::maxLevel() { return 9; }

const char* ChunkCompressor::libraryName() { return "zlib"; }

namespace deflate_backend {

void* create(int level) {
  auto* stream = new z_stream{};
  if (deflateInit(stream, level) == Z_OK) return stream;
  delete stream;
  return nullptr;
}

void destroy(void* state) {
  if (!state) return;
  auto* stream = static_cast<z_stream*>(state);
  deflateEnd(stream);
  delete stream;
}

size_t compress(void* state, const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
  auto* stream = static_cast<z_stream*>(state);
  if (deflateReset(stream) != Z_OK) return 0;
  // Chunks are at most 16 MiB, so the sizes fit zlib's 32-bit counters.
  stream->next_in = const_cast<Bytef*>(data);
  stream->avail_in = static_cast<uInt>(size);
  stream->next_out = out;
  stream->avail_out = static_cast<uInt>(capacity);
  // Z_STREAM_END only when the whole stream fitted.
  return deflate(stream, Z_FINISH) == Z_STREAM_END ? stream->total_out : 0;
}

}  // namespace deflate_backend
}  // namespace zv::builder
