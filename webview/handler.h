// Handler: a reference-counted COM object implementing one WebView2 handler
// interface by forwarding Invoke to a stored callable. The web view keeps its
// own references; the creator gives up its one right after handing the
// object over (ComRef does that when it goes out of scope).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

#include "webview/com_ref.h"

namespace zv {

template <typename Interface, typename... Args>
class Handler final : public Interface {
 public:
  using Callback = std::function<HRESULT(Args...)>;

  static ComRef<Interface> make(Callback callback) {
    return ComRef<Interface>::adopt(new Handler(std::move(callback)));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Interface::iid)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return callback_(args...); }

 private:
  explicit Handler(Callback callback) : callback_(std::move(callback)) {}
  ~Handler() = default;

  Callback callback_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace zv
