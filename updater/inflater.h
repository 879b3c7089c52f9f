#pragma once
// Inflates whole zlib streams (RFC 1950), one chunk of a packed file at a
// time. Built on libdeflate where the build has it (several times faster:
// it inflates a whole buffer in one go, with no stream state to keep) and on
// zlib otherwise; updater/inflater_libdeflate.cpp and _zlib.cpp, one of which
// the build picks.

#include <cstddef>
#include <cstdint>

namespace zv {

class Inflater {
 public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // True only when in is one whole valid stream whose data is exactly
  // expected bytes long; out has room for exactly that many. Nothing is
  // written beyond out + expected, whatever the stream says.
  [[nodiscard]] bool inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t expected);

  // Which library does the work, for the benches.
  static const char* libraryName();

 private:
  void* state_ = nullptr;
};

}  // namespace zv
