#include "webview/runtime_locator.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"
#include "webview/com_ref.h"
#include "webview/handler.h"
#include "webview/locator_settings.h"
#include "webview/locator_trace.h"
#include "webview/runtime_handover.h"
#include "webview/runtime_search.h"

namespace zv {

namespace {

using EnvironmentCompleted = ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;

// One creation request: what the caller asked for, the caller's handler, and
// whether the one repeat has been spent (by a failure here or a failure
// reported later through the handler).
struct Request {
  std::wstring browserFolder;
  std::wstring userDataFolder;
  bool hasUserDataFolder = false;
  ComRef<ICoreWebView2EnvironmentOptions> options;
  ComRef<EnvironmentCompleted> callerHandler;
  EnvironmentCompleted* retryHandler = nullptr;  // owned by whoever holds it (the runtime)
  bool repeated = false;
};

HRESULT attemptOnce(Request& request) {
  const std::filesystem::path exe = executablePath();
  LocatorSettings settings = readLocatorSettings(exe.filename().native());
  if (!settings.browserFolder && !request.browserFolder.empty()) settings.browserFolder = request.browserFolder;
  std::wstring userData = request.userDataFolder;
  bool hasUserData = request.hasUserDataFolder;
  if (settings.userDataFolder) {
    userData = *settings.userDataFolder;
    hasUserData = true;
  }

  RuntimeChoice choice;
  LocatorFailure failure;
  std::vector<std::wstring> notes;
  const bool handedOver =
      findRuntime(settings, exe.parent_path(), choice, failure, notes) &&
      handOverToRuntime(choice, hasUserData ? userData.c_str() : nullptr, request.options.get(),
                        request.retryHandler, failure);
  for (const std::wstring& note : notes) OutputDebugStringW(note.c_str());
  if (!handedOver) {
    OutputDebugStringW(failure.text.c_str());
    traceLocatorOutcome(failure.text);
    return failure.code;
  }
  traceLocatorOutcome(L"WebView2: creating the environment with " + choice.clientLibrary.native());
  return S_OK;
}

// Stands between the runtime and the caller: a failure reported through the
// handler spends the one repeat before the caller hears of it, and the
// environment is checked to be what the caller expects.
HRESULT onEnvironmentCreated(const std::shared_ptr<Request>& request, HRESULT result,
                             ICoreWebView2Environment* environment) {
  if ((FAILED(result) || !environment) && !request->repeated) {
    request->repeated = true;
    const HRESULT again = attemptOnce(*request);
    if (SUCCEEDED(again)) return S_OK;
    return request->callerHandler->Invoke(again, nullptr);
  }
  ComRef<ICoreWebView2Environment> checked;
  if (SUCCEEDED(result) && environment) {
    checked = ComRef<ICoreWebView2Environment>::share(environment).query<ICoreWebView2Environment>();
    if (!checked) result = E_NOINTERFACE;
  }
  if (SUCCEEDED(result) && !checked) result = E_FAIL;
  return request->callerHandler->Invoke(result, checked.get());
}

}  // namespace

HRESULT CreateCoreWebView2EnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                                 ICoreWebView2EnvironmentOptions* options,
                                                 EnvironmentCompleted* handler) {
  if (!handler) return E_POINTER;
  auto request = std::make_shared<Request>();
  if (browserExecutableFolder) request->browserFolder = browserExecutableFolder;
  if (userDataFolder) {
    request->userDataFolder = userDataFolder;
    request->hasUserDataFolder = true;
  }
  request->options = ComRef<ICoreWebView2EnvironmentOptions>::share(options);
  request->callerHandler = ComRef<EnvironmentCompleted>::share(handler);

  // The wrapper holds the request; the request only points back at the
  // wrapper, which the runtime keeps alive while a completion is due.
  ComRef<EnvironmentCompleted> wrapper =
      Handler<EnvironmentCompleted, HRESULT, ICoreWebView2Environment*>::make(
          [request](HRESULT result, ICoreWebView2Environment* environment) {
            return onEnvironmentCreated(request, result, environment);
          });
  request->retryHandler = wrapper.get();

  HRESULT result = attemptOnce(*request);
  if (FAILED(result) && !request->repeated) {
    request->repeated = true;
    result = attemptOnce(*request);
  }
  return result;
}

}  // namespace zv
