#include "tools/builder/chunk_compressor.h"

#include <new>
#include <vector>

namespace zv::builder {
namespace {

constexpr size_t kSampleSize = 16 * 1024;
constexpr size_t kSamples = 4;
// Below this a chunk is simply compressed: sampling would not save much.
constexpr size_t kSampledFrom = 16 * kSampleSize;

}  // namespace

ChunkCompressor::ChunkCompressor(int level) {
  main_ = deflate_backend::create(level < maxLevel() ? level : maxLevel());
  probe_ = deflate_backend::create(1);
  if (!main_ || !probe_) {
    deflate_backend::destroy(main_);
    deflate_backend::destroy(probe_);
    throw std::bad_alloc();
  }
}

ChunkCompressor::~ChunkCompressor() {
  deflate_backend::destroy(main_);
  deflate_backend::destroy(probe_);
}

bool ChunkCompressor::looksIncompressible(const uint8_t* data, size_t size) {
  if (size < kSampledFrom) return false;
  std::vector<uint8_t> out(kSampleSize);
  for (size_t i = 0; i < kSamples; ++i) {
    const size_t at = (size - kSampleSize) / (kSamples - 1) * i;
    // Any sample that saves 3% or more means the chunk is worth the work.
    if (deflate_backend::compress(probe_, data + at, kSampleSize, out.data(), kSampleSize * 97 / 100) != 0) {
      return false;
    }
  }
  return true;
}

size_t ChunkCompressor::compress(const uint8_t* data, size_t size, uint8_t* out) {
  if (size < 2 || looksIncompressible(data, size)) return 0;
  return deflate_backend::compress(main_, data, size, out, size - 1);
}

}  // namespace zv::builder
