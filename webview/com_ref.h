// One owned COM reference: released when the owner goes, so no path through
// the web view code can leak or double-release an interface.
#pragma once

#include <unknwn.h>

#include <utility>

namespace zv {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef& other) : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }

  // Takes over a reference the caller already holds (a new object, or an
  // interface returned through an out parameter).
  static ComRef adopt(T* ptr) {
    ComRef ref;
    ref.ptr_ = ptr;
    return ref;
  }
  // Adds a reference of its own to a borrowed pointer.
  static ComRef share(T* ptr) {
    if (ptr) ptr->AddRef();
    return adopt(ptr);
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // For out parameters: drops what is held and hands out the empty slot.
  T** put() {
    reset();
    return &ptr_;
  }
  void reset() {
    if (ptr_) std::exchange(ptr_, nullptr)->Release();
  }

  // QueryInterface for another interface that declares its own iid.
  template <typename U>
  ComRef<U> query() const {
    ComRef<U> result;
    if (ptr_) (void)ptr_->QueryInterface(U::iid, reinterpret_cast<void**>(result.put()));
    return result;
  }

 private:
  T* ptr_ = nullptr;
};

}  // namespace zv
