#pragma once
// Fixed-size buffers shared by threads that each need one for a while. A
// lease takes a free buffer or makes one, and gives it back when it ends, so
// the pool holds only as many buffers as were ever leased at once and a long
// run of calls leaves the heap flat. Buffers start on a 4 KiB boundary, so
// that whole blocks of them can be written past the file cache (File::
// preferUncached), and are freed by the pool's owner, never at a thread's
// exit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zv {

class BufferPool {
  struct Release {
    void operator()(uint8_t* buffer) const;
  };
  using Buffer = std::unique_ptr<uint8_t[], Release>;

 public:
  static constexpr size_t kAlignment = 4096;

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
    Lease(BufferPool* pool, Buffer buffer) : pool_(pool), buffer_(std::move(buffer)) {}
    BufferPool* pool_;
    Buffer buffer_;
  };

  // The contents of a leased buffer are whatever its last user left.
  Lease lease();

 private:
  const size_t bufferSize_;
  std::mutex mutex_;
  std::vector<Buffer> free_;
  size_t made_ = 0;
};

}  // namespace zv
