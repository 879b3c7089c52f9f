#include "webview/web_view.h"

#include <system_error>
#include <utility>

#include "platform/text_path.h"
#include "webview/com_ref.h"
#include "webview/handler.h"
#include "webview/navigation.h"
#include "webview/runtime_locator.h"
#include "webview/runtime_missing.h"
#include "webview/webview2_abi.h"

namespace zv {

namespace {

using EnvironmentCreated =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCreated =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using WebMessageReceived =
    Handler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*>;
using NewWindowRequested =
    Handler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs*>;
using NavigationStarting =
    Handler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*>;

// A string the web view allocated; freed with CoTaskMemFree.
class TaskString {
 public:
  TaskString() = default;
  ~TaskString() { CoTaskMemFree(text_); }
  TaskString(const TaskString&) = delete;
  TaskString& operator=(const TaskString&) = delete;
  LPWSTR* put() { return &text_; }
  std::wstring_view view() const { return text_ ? std::wstring_view(text_) : std::wstring_view(); }
  std::string utf8() const { return pathToUtf8(std::filesystem::path(std::wstring(view()))); }

 private:
  LPWSTR text_ = nullptr;
};

}  // namespace

struct WebViewState {
  WebViewSetup setup;
  ComRef<ICoreWebView2Controller> controller;
  ComRef<ICoreWebView2> view;
  bool closed = false;

  void failed(HRESULT code) {
    if (!closed) showRuntimeMissing(setup.mainWindow, code, setup.openUrl);
  }
  void openOutside(const std::string& url) {
    if (setup.openUrl) setup.openUrl(url);
  }
};

namespace {

void registerHandlers(const std::weak_ptr<WebViewState>& weak, ICoreWebView2* view) {
  EventRegistrationToken token{};
  {
    auto handler = WebMessageReceived::make([weak](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
      const auto state = weak.lock();
      TaskString message;
      // A message that is not a string is not a page command.
      if (state && args && SUCCEEDED(args->TryGetWebMessageAsString(message.put())) && state->setup.onPageMessage) {
        state->setup.onPageMessage(message.utf8());
      }
      return S_OK;
    });
    (void)view->add_WebMessageReceived(handler.get(), &token);
  }
  {
    auto handler = NewWindowRequested::make([weak](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
      const auto state = weak.lock();
      if (!state || !args) return S_OK;
      TaskString uri;
      if (SUCCEEDED(args->get_Uri(uri.put()))) state->openOutside(uri.utf8());
      // The view never opens a window of its own.
      (void)args->put_Handled(TRUE);
      return S_OK;
    });
    (void)view->add_NewWindowRequested(handler.get(), &token);
  }
  {
    auto handler = NavigationStarting::make([weak](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
      const auto state = weak.lock();
      if (!state || !args) return S_OK;
      TaskString uri;
      if (FAILED(args->get_Uri(uri.put()))) return S_OK;
      if (!staysInView(uri.view())) {
        (void)args->put_Cancel(TRUE);
        state->openOutside(uri.utf8());
      }
      return S_OK;
    });
    (void)view->add_NavigationStarting(handler.get(), &token);
  }
}

// The view's settings, bounds, colour, handlers and first navigation.
void setupView(WebViewState& state, const std::weak_ptr<WebViewState>& weak, ICoreWebView2Controller* controller) {
  ComRef<ICoreWebView2Controller> owned = ComRef<ICoreWebView2Controller>::share(controller);
  ComRef<ICoreWebView2> view;
  if (FAILED(owned->get_CoreWebView2(view.put())) || !view) {
    state.failed(E_NOINTERFACE);
    return;
  }
  state.controller = owned;
  state.view = view;

  RECT client{};
  GetClientRect(state.setup.mainWindow, &client);
  (void)owned->put_Bounds(client);

  // Without the newer controller interface the page paints over the default
  // white until it loads; nothing else depends on it.
  if (auto controller2 = owned.query<ICoreWebView2Controller2>()) {
    const uint32_t rgb = state.setup.backgroundRgb;
    const CoreWebView2Color color{255, static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8),
                                  static_cast<BYTE>(rgb)};
    (void)controller2->put_DefaultBackgroundColor(color);
  }

  ComRef<ICoreWebView2Settings> settings;
  if (SUCCEEDED(view->get_Settings(settings.put())) && settings) {
    const BOOL dev = state.setup.devMode ? TRUE : FALSE;
    (void)settings->put_AreDefaultContextMenusEnabled(dev);
    (void)settings->put_AreDevToolsEnabled(dev);
    (void)settings->put_IsStatusBarEnabled(FALSE);
    (void)settings->put_IsZoomControlEnabled(FALSE);
  }

  registerHandlers(weak, view.get());
  const std::wstring url = startUrl(state.setup.pagePath, state.setup.lightMode, state.setup.themeId);
  (void)view->Navigate(url.c_str());
}

}  // namespace

WebView::WebView() : state_(std::make_shared<WebViewState>()) {}

WebView::~WebView() { close(); }

void WebView::create(WebViewSetup setup) {
  state_->setup = std::move(setup);
  const std::filesystem::path userData = state_->setup.dataFolder / L"WebView2";
  std::error_code ignored;
  std::filesystem::create_directories(userData, ignored);

  // The handlers hold the state weakly: the runtime may keep them past the
  // window's life, and a late completion after close() must find nothing.
  const std::weak_ptr<WebViewState> weak = state_;
  auto onEnvironment = EnvironmentCreated::make([weak](HRESULT result, ICoreWebView2Environment* environment) {
    const auto state = weak.lock();
    if (!state || state->closed) return S_OK;
    if (FAILED(result) || !environment) {
      state->failed(result);
      return S_OK;
    }
    auto onController = ControllerCreated::make([weak](HRESULT result, ICoreWebView2Controller* controller) {
      const auto state = weak.lock();
      if (!state || state->closed) {
        // The window went away while the controller was being made.
        if (controller) (void)controller->Close();
        return S_OK;
      }
      if (FAILED(result) || !controller) {
        state->failed(result);
        return S_OK;
      }
      setupView(*state, weak, controller);
      return S_OK;
    });
    (void)environment->CreateCoreWebView2Controller(state->setup.mainWindow, onController.get());
    return S_OK;
  });
  const HRESULT result =
      CreateCoreWebView2EnvironmentWithOptions(nullptr, userData.c_str(), nullptr, onEnvironment.get());
  if (FAILED(result)) state_->failed(result);
}

void WebView::setBounds(const RECT& client) {
  if (state_->controller) (void)state_->controller->put_Bounds(client);
}

bool WebView::postJson(std::string_view json) {
  if (!state_->view) return false;
  const std::wstring wide = pathFromUtf8(json).native();
  return SUCCEEDED(state_->view->PostWebMessageAsJson(wide.c_str()));
}

void WebView::close() {
  state_->closed = true;
  if (state_->controller) (void)state_->controller->Close();
  state_->controller.reset();
  state_->view.reset();
}

}  // namespace zv
