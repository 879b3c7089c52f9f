#include <string>

#include "tests/windows/webview_standin/journal.h"
#include "tests/windows/webview_standin/standin.h"

namespace zv::standin {

namespace {

LPWSTR taskCopy(const std::wstring& text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy) text.copy(copy, text.size()), copy[text.size()] = L'\0';
  return copy;
}

std::wstring flag(BOOL value) { return value ? L"1" : L"0"; }

class Settings final : public Object<ICoreWebView2Settings> {
 public:
  HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) override { return note(L"statusBar", value); }
  HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) override { return note(L"devTools", value); }
  HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) override {
    return note(L"contextMenus", value);
  }
  HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) override { return note(L"zoomControl", value); }

 private:
  static HRESULT note(const wchar_t* name, BOOL value) {
    journal(std::wstring(L"setting ") + name + L" " + flag(value));
    return S_OK;
  }
};

class MessageArgs final : public Object<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  MessageArgs(std::wstring text, bool isString) : text_(std::move(text)), isString_(isString) {}
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) override {
    if (!message) return E_POINTER;
    *message = nullptr;
    if (!isString_) return E_INVALIDARG;  // what the runtime answers for an object
    *message = taskCopy(text_);
    return *message ? S_OK : E_OUTOFMEMORY;
  }

 private:
  std::wstring text_;
  bool isString_;
};

// Event arguments that carry a URI and one flag the launcher sets.
template <typename Interface>
class UriArgs : public Object<Interface> {
 public:
  explicit UriArgs(std::wstring uri) : uri_(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override {
    if (!uri) return E_POINTER;
    *uri = taskCopy(uri_);
    return S_OK;
  }
  BOOL flag() const { return flag_; }

 protected:
  HRESULT setFlag(BOOL value) {
    flag_ = value;
    return S_OK;
  }

 private:
  std::wstring uri_;
  BOOL flag_ = FALSE;
};

class NewWindowArgs final : public UriArgs<ICoreWebView2NewWindowRequestedEventArgs> {
 public:
  using UriArgs::UriArgs;
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override { return setFlag(handled); }
};

class NavigationArgs final : public UriArgs<ICoreWebView2NavigationStartingEventArgs> {
 public:
  using UriArgs::UriArgs;
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override { return setFlag(cancel); }
};

}  // namespace

class View final : public Object<ICoreWebView2> {
 public:
  View() { setCurrentView(this); }

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override {
    if (!settings) return E_POINTER;
    *settings = new Settings();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
    journal(std::wstring(L"navigate ") + (uri ? uri : L""));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                   EventRegistrationToken* token) override {
    return remember(navigation_, handler, token, L"navigationStarting");
  }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                   EventRegistrationToken* token) override {
    return remember(message_, handler, token, L"webMessageReceived");
  }
  HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                   EventRegistrationToken* token) override {
    return remember(newWindow_, handler, token, L"newWindowRequested");
  }
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override {
    journal(std::wstring(L"post ") + (json ? json : L""));
    return S_OK;
  }

  void raiseMessage(const std::wstring& text, bool isString) {
    if (!message_) return;
    auto args = ComRef<ICoreWebView2WebMessageReceivedEventArgs>::adopt(new MessageArgs(text, isString));
    (void)message_->Invoke(this, args.get());
  }
  void raiseNavigation(const std::wstring& uri) {
    if (!navigation_) return;
    auto* args = new NavigationArgs(uri);
    (void)navigation_->Invoke(this, args);
    journal(L"navigation " + uri + (args->flag() ? L" cancelled" : L" allowed"));
    args->Release();
  }
  void raiseNewWindow(const std::wstring& uri) {
    if (!newWindow_) return;
    auto* args = new NewWindowArgs(uri);
    (void)newWindow_->Invoke(this, args);
    journal(L"newwindow " + uri + (args->flag() ? L" handled" : L" unhandled"));
    args->Release();
  }
  // Closing the controller drops the handlers, as the runtime does.
  void closed() {
    message_.reset();
    navigation_.reset();
    newWindow_.reset();
    setCurrentView(nullptr);
  }

 private:
  template <typename Handler>
  HRESULT remember(ComRef<Handler>& slot, Handler* handler, EventRegistrationToken* token, const wchar_t* name) {
    if (!handler || !token) return E_POINTER;
    slot = ComRef<Handler>::share(handler);
    token->value = ++tokens_;
    journal(std::wstring(L"handler ") + name);
    return S_OK;
  }

  ComRef<ICoreWebView2WebMessageReceivedEventHandler> message_;
  ComRef<ICoreWebView2NavigationStartingEventHandler> navigation_;
  ComRef<ICoreWebView2NewWindowRequestedEventHandler> newWindow_;
  INT64 tokens_ = 0;
};

void runCommand(View& view, const std::wstring& command) {
  const size_t space = command.find(L' ');
  const std::wstring verb = command.substr(0, space);
  const std::wstring argument = space == std::wstring::npos ? std::wstring() : command.substr(space + 1);
  if (verb == L"message") view.raiseMessage(argument, true);
  else if (verb == L"nonstring") view.raiseMessage(L"{}", false);
  else if (verb == L"navigate") view.raiseNavigation(argument);
  else if (verb == L"newwindow") view.raiseNewWindow(argument);
  else journal(L"unknown command " + command);
}

namespace {

class Controller final : public Object<ICoreWebView2Controller2, ICoreWebView2Controller> {
 public:
  Controller() : view_(ComRef<View>::adopt(new View())) {}
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
    journal(L"bounds " + std::to_wstring(bounds.left) + L" " + std::to_wstring(bounds.top) + L" " +
            std::to_wstring(bounds.right) + L" " + std::to_wstring(bounds.bottom));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    journal(L"close");
    if (view_) view_->closed();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) override {
    if (!view) return E_POINTER;
    view_->AddRef();
    *view = view_.get();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(CoreWebView2Color color) override {
    journal(L"background " + std::to_wstring(color.A) + L" " + std::to_wstring(color.R) + L" " +
            std::to_wstring(color.G) + L" " + std::to_wstring(color.B));
    return S_OK;
  }

 private:
  ComRef<View> view_;
};

// ZV_STANDIN_FAIL=controller: controller creation reports this code, which
// the launcher's dialog must show.
constexpr HRESULT kControllerFailure = static_cast<HRESULT>(0x8007139F);

bool failControllers() {
  wchar_t value[32] = {};
  return GetEnvironmentVariableW(L"ZV_STANDIN_FAIL", value, 32) > 0 && std::wstring(value) == L"controller";
}

class Environment final : public Object<ICoreWebView2Environment> {
 public:
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
    if (!handler) return E_POINTER;
    journal(std::wstring(L"controller parent=") + (IsWindow(parent) ? L"window" : L"none"));
    auto kept = ComRef<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>::share(handler);
    post([kept] {
      if (failControllers()) {
        (void)kept->Invoke(kControllerFailure, nullptr);
        return;
      }
      auto controller = ComRef<ICoreWebView2Controller>::adopt(new Controller());
      (void)kept->Invoke(S_OK, controller.get());
    });
    return S_OK;
  }
};

}  // namespace

ComRef<ICoreWebView2Environment> makeEnvironment() {
  return ComRef<ICoreWebView2Environment>::adopt(new Environment());
}

}  // namespace zv::standin
