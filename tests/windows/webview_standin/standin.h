// A stand-in for the WebView2 runtime, loaded by the launcher's own runtime
// locator like the real EmbeddedBrowserWebView.dll. Its environment,
// controller and view record every call in the journal; a test drives the
// page side (messages, navigations, new-window requests) through an inbox
// folder of command files.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "webview/com_ref.h"
#include "webview/webview2_abi.h"

namespace zv::standin {

// IUnknown for one interface and the interfaces it derives from.
template <typename Interface, typename... Bases>
class Object : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Interface::iid) || (IsEqualIID(iid, Bases::iid) || ...)) {
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

 protected:
  virtual ~Object() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

// Runs a task later on the thread that created the environment, from its
// message loop, as the real runtime raises its completions and events.
void post(std::function<void()> task);

// Starts the message window (completions, inbox polling) on this thread.
void startOnThisThread();

// The view the inbox commands go to: the last one created.
class View;
void setCurrentView(View* view);

ComRef<ICoreWebView2Environment> makeEnvironment();

// Inbox commands, one per file: "message TEXT", "nonstring",
// "navigate URI", "newwindow URI".
void runCommand(View& view, const std::wstring& command);

}  // namespace zv::standin
