#pragma once
// Owners for the GDI handles the host draws with: each is released on every
// way out of the function that made it.

#include <windows.h>

namespace zv {

template <typename Handle, auto release>
class GdiHandle {
 public:
  explicit GdiHandle(Handle handle) : handle_(handle) {}
  ~GdiHandle() {
    if (handle_ != nullptr) release(handle_);
  }
  GdiHandle(const GdiHandle&) = delete;
  GdiHandle& operator=(const GdiHandle&) = delete;
  Handle get() const { return handle_; }

 private:
  Handle handle_;
};

inline void releaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }

// GetDC(nullptr).
using ScreenDc = GdiHandle<HDC, releaseScreenDc>;
// CreateCompatibleDC.
using MemoryDc = GdiHandle<HDC, DeleteDC>;
// A bitmap, brush or other GDI object. Declared before any selection of it,
// so that it is deleted after being deselected.
using GdiObject = GdiHandle<HGDIOBJ, DeleteObject>;

// An object selected into a device context until the end of the scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace zv
