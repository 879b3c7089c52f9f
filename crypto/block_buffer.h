#pragma once
// The part SHA-256 and SHA-512 share: gathering input into whole blocks and
// the closing padding (0x80, zeros, the message length in bits, big-endian).

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zv {

// compress(const uint8_t* blocks, size_t count) is called with runs of whole
// blocks; input that does not fill a block waits in the buffer.
template <size_t kBlockSize, size_t kLengthSize>
class BlockBuffer {
 public:
  void reset() {
    bitCount_ = 0;
    waiting_ = 0;
  }

  template <typename Compress>
  void add(const uint8_t* data, size_t length, Compress&& compress) {
    if (length == 0) return;  // data may be null then
    bitCount_ += static_cast<uint64_t>(length) << 3;
    if (waiting_ > 0) {
      const size_t take = length < kBlockSize - waiting_ ? length : kBlockSize - waiting_;
      std::memcpy(block_ + waiting_, data, take);
      waiting_ += take;
      data += take;
      length -= take;
      if (waiting_ < kBlockSize) return;
      compress(block_, 1);
      waiting_ = 0;
    }
    const size_t whole = length / kBlockSize;
    if (whole > 0) {
      compress(data, whole);
      data += whole * kBlockSize;
      length -= whole * kBlockSize;
    }
    std::memcpy(block_, data, length);
    waiting_ = length;
  }

  // Pads and compresses the last block(s); the buffer is then empty.
  template <typename Compress>
  void finish(Compress&& compress) {
    block_[waiting_++] = 0x80;
    if (waiting_ > kBlockSize - kLengthSize) {
      std::memset(block_ + waiting_, 0, kBlockSize - waiting_);
      compress(block_, 1);
      waiting_ = 0;
    }
    std::memset(block_ + waiting_, 0, kBlockSize - waiting_);
    // Counts above 2^64 bits do not occur; the higher length bytes stay zero.
    for (size_t i = 0; i < 8; ++i) {
      block_[kBlockSize - 1 - i] = static_cast<uint8_t>(bitCount_ >> (8 * i));
    }
    compress(block_, 1);
    reset();
  }

 private:
  uint64_t bitCount_ = 0;
  uint8_t block_[kBlockSize] = {};
  size_t waiting_ = 0;
};

}  // namespace zv
