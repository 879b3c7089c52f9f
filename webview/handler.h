// Handler: a reference-counted COM object implementing one WebView2 handler
// interface by forwarding Invoke to a stored callable. The web view keeps its
// own references; the creator gives up its one right after handing the
// object over (ComRef does that when it goes out of scope).
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "webview/com_object.h"
#include "webview/com_ref.h"

namespace zv {

template <typename Interface, typename... Args>
class Handler final : public ComObject<Interface> {
 public:
  using Callback = std::function<HRESULT(Args...)>;

  static ComRef<Interface> make(Callback callback) {
    return ComRef<Interface>::adopt(new Handler(std::move(callback)));
  }

  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return callback_(args...); }

 private:
  explicit Handler(Callback callback) : callback_(std::move(callback)) {}

  Callback callback_;
};

}  // namespace zv
