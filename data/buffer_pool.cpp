#include "data/buffer_pool.h"

#include <new>

namespace zv {

void BufferPool::Release::operator()(uint8_t* buffer) const {
  ::operator delete[](buffer, std::align_val_t{kAlignment});
}

BufferPool::Lease::~Lease() {
  if (!buffer_) return;  // moved from
  std::lock_guard lock(pool_->mutex_);
  pool_->free_.push_back(std::move(buffer_));
}

BufferPool::Lease BufferPool::lease() {
  {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      Buffer buffer = std::move(free_.back());
      free_.pop_back();
      return Lease(this, std::move(buffer));
    }
    // Room for every buffer's return now, so that a lease's end never allocates.
    free_.reserve(++made_);
  }
  // Left uninitialised: every byte is read into before it is used.
  return Lease(this, Buffer(static_cast<uint8_t*>(::operator new[](bufferSize_, std::align_val_t{kAlignment}))));
}

}  // namespace zv
