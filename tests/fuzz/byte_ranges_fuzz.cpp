// ByteRangesReader on any multipart body, fed in pieces of any size: no
// crash, every byte handed on lies in a range asked for, in order and once,
// and a body said to be complete delivered every byte asked for.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "net/byte_ranges.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "byte ranges fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte sets the piece size; the rest is the body.
  const size_t piece = data[0] % 64 + 1;
  const std::vector<zv::ByteRange> asked{{0, 9}, {20, 29}, {100, 100}};
  zv::ByteRangesReader reader;
  if (!reader.start(asked, "multipart/byteranges; boundary=B", "")) return 0;
  size_t range = 0;
  uint64_t next = 0;  // the next offset expected
  uint64_t delivered = 0;
  const zv::RangePieceFn take = [&](uint64_t offset, const char*, size_t count) {
    while (range < asked.size() && offset > asked[range].last) ++range;
    check(range < asked.size() && offset >= asked[range].first && offset + count - 1 <= asked[range].last,
          "bytes outside the ranges asked for");
    check(offset >= next, "bytes out of order or twice");
    next = offset + count;
    delivered += count;
    return true;
  };
  for (size_t at = 1; at < size; at += piece) {
    if (!reader.feed(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at), take)) return 0;
  }
  check(!reader.complete() || delivered == 21, "complete without every byte");
  return 0;
}
