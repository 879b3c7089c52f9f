#include <zlib.h>

#include "updater/inflater.h"

namespace zv {

// One stream state for all chunks, reset between them: uncompress would make
// and free its window for every chunk.
Inflater::Inflater() {
  auto* stream = new z_stream{};
  if (inflateInit(stream) == Z_OK) {
    state_ = stream;
  } else {
    delete stream;
  }
}

Inflater::~Inflater() {
  auto* stream = static_cast<z_stream*>(state_);
  if (stream == nullptr) return;
  inflateEnd(stream);
  delete stream;
}

bool Inflater::inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t expected) {
  auto* stream = static_cast<z_stream*>(state_);
  if (stream == nullptr || inflateReset(stream) != Z_OK) return false;
  stream->next_in = const_cast<Bytef*>(in);  // zlib's interface is not const
  stream->avail_in = static_cast<uInt>(inSize);
  stream->next_out = out;
  stream->avail_out = static_cast<uInt>(expected);
  // The stream must end exactly when out is full: ending early leaves room,
  // and a longer one stops without its end, for want of room.
  return ::inflate(stream, Z_FINISH) == Z_STREAM_END && stream->avail_out == 0;
}

const char* Inflater::libraryName() { return "zlib"; }

}  // namespace zv
