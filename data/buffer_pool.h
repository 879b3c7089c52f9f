#pragma once
// Fixed-size buffers shared by threads that each need one for a while. A
// lease takes a free buffer or makes one, and gives it back when it ends, so
// the pool holds only as many buffers as were ever leased at once and a long
// run of calls leaves the heap flat. Buffers are never over-aligned and are
// freed by the pool's owner, never at a thread's exit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zv {

class BufferPool {
 public:
  explicit BufferPool(size_t bufferSize) : bufferSize_(bufferSize) {}
  BufferPool(const BufferPool&) = delete;
  BufferPool& operator=(const BufferPool&) = delete;

  class Lease {
   public:
    Lease(Lease&& other) noexcept = default;
    Lease& operator=(Lease&&) = delete;
    Lease(const Lease&) = delete;
    ~Lease();
    uint8_t* data() const { return buffer_.get(); }
    size_t size() const { return pool_->bufferSize_; }

   private:
    friend class BufferPool;
    Lease(BufferPool* pool, std::unique_ptr<uint8_t[]> buffer) : pool_(pool), buffer_(std::move(buffer)) {}
    BufferPool* pool_;
    std::unique_ptr<uint8_t[]> buffer_;
  };

  // The contents of a leased buffer are whatever its last user left.
  Lease lease();

 private:
  const size_t bufferSize_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<uint8_t[]>> free_;
  size_t made_ = 0;
};

}  // namespace zv
