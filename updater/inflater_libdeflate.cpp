#include <libdeflate.h>

#include "updater/inflater.h"

namespace zv {

Inflater::Inflater() : state_(libdeflate_alloc_decompressor()) {}

Inflater::~Inflater() { libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(state_)); }

bool Inflater::inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t expected) {
  if (state_ == nullptr) return false;  // out of memory when made
  // With no length to report back, libdeflate fails unless the data fills
  // out exactly: a shorter or a longer stream is refused.
  return libdeflate_zlib_decompress(static_cast<libdeflate_decompressor*>(state_), in, inSize, out, expected,
                                    nullptr) == LIBDEFLATE_SUCCESS;
}

const char* Inflater::libraryName() { return "libdeflate"; }

}  // namespace zv
