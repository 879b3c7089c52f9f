#pragma once
// The bytes of a ranged answer (RFC 9110, section 14): one range in a 206
// answer's body with its Content-Range, or several as the parts of a
// multipart/byteranges body. The reader checks that the answer holds exactly
// the ranges asked for, in the order asked for, and hands their bytes on as
// they arrive, so an answer of any size costs one piece of memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/fetcher.h"

namespace zv {

// The value of a Range header asking for ranges: "bytes=0-9,20-29".
std::string rangeHeaderValue(const std::vector<ByteRange>& ranges);

class ByteRangesReader {
 public:
  // contentType and contentRange: the answer's headers (empty when absent).
  // False: the answer cannot hold the ranges asked for.
  [[nodiscard]] bool start(const std::vector<ByteRange>& asked, std::string_view contentType,
                           std::string_view contentRange);
  // The next piece of the body. False: the body departs from the ranges
  // asked for (damaged() tells) or piece returned false.
  [[nodiscard]] bool feed(const char* data, size_t size, const RangePieceFn& piece);
  // Every byte asked for arrived.
  bool complete() const { return next_ == asked_.size() && left_ == 0 && (boundary_.empty() || closed_); }
  bool damaged() const { return damaged_; }

 private:
  bool fail() {
    damaged_ = true;
    return false;
  }
  // Starts reading the next range asked for, which contentRange (a
  // Content-Range value) must name exactly.
  bool takeRange(std::string_view contentRange);
  // Takes the part head gathered in head_ when it is whole: headEnd is then
  // the number of head_'s bytes it used (0: more are needed). False: not a
  // head of the next range asked for.
  bool takePartHead(size_t& headEnd);

  std::vector<ByteRange> asked_;
  std::string boundary_;  // "--" + the boundary; empty for a single range
  std::string head_;      // of the part being read, up to its blank line
  size_t next_ = 0;       // the range the next part must carry
  uint64_t at_ = 0;       // offset of the next byte of the current range
  uint64_t left_ = 0;     // bytes of the current range still to come
  bool closed_ = false;   // the closing boundary was seen
  bool damaged_ = false;
};

}  // namespace zv
