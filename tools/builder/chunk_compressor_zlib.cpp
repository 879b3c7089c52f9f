#include <zlib.h>

#include <new>

#include "tools/builder/chunk_compressor.h"

namespace zv::builder {

ChunkCompressor::ChunkCompressor(int level) {
  auto* stream = new z_stream{};
  if (deflateInit(stream, level < maxLevel() ? level : maxLevel()) != Z_OK) {
    delete stream;
    throw std::bad_alloc();
  }
  state_ = stream;
}

ChunkCompressor::~ChunkCompressor() {
  auto* stream = static_cast<z_stream*>(state_);
  deflateEnd(stream);
  delete stream;
}

size_t ChunkCompressor::compress(const uint8_t* data, size_t size, uint8_t* out) {
  if (size < 2) return 0;
  auto* stream = static_cast<z_stream*>(state_);
  if (deflateReset(stream) != Z_OK) return 0;
  // Chunks are at most 16 MiB, so the sizes fit zlib's 32-bit counters.
  stream->next_in = const_cast<Bytef*>(data);
  stream->avail_in = static_cast<uInt>(size);
  stream->next_out = out;
  stream->avail_out = static_cast<uInt>(size - 1);
  // Z_STREAM_END only when the whole stream fitted into size - 1 bytes.
  return deflate(stream, Z_FINISH) == Z_STREAM_END ? stream->total_out : 0;
}

int ChunkCompressor::maxLevel() { return 9; }

const char* ChunkCompressor::libraryName() { return "zlib"; }

}  // namespace zv::builder
