#include <zlib.h>

#include "updater/inflater.h"

namespace zv {

// uncompress keeps no state between calls.
Inflater::Inflater() = default;

Inflater::~Inflater() = default;

bool Inflater::inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t expected) {
  uLongf produced = static_cast<uLongf>(expected);
  return uncompress(out, &produced, in, static_cast<uLong>(inSize)) == Z_OK && produced == expected;
}

const char* Inflater::libraryName() { return "zlib"; }

}  // namespace zv
