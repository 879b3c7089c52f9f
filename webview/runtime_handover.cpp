#include "webview/runtime_handover.h"

#include <cwchar>

#include "webview/proc_address.h"

namespace zv {

namespace {

// The runtime's undocumented entry. The first argument is a C++ bool that
// every known loader sets; a full 32-bit 1 fills its stack slot either way.
using CreateEnvironmentInternal = HRESULT(STDMETHODCALLTYPE*)(
    int alwaysOne, int runtimeKind, PCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

HRESULT lastErrorCode() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// "0x" and eight upper-case hexadecimal digits.
std::wstring hresultText(HRESULT code) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
  return text;
}

}  // namespace

bool handOverToRuntime(const RuntimeChoice& choice, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
                       ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler,
                       LocatorFailure& failure) {
  // The runtime's own dependencies live beside its client library.
  HMODULE library = LoadLibraryExW(choice.clientLibrary.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) {
    const HRESULT code = lastErrorCode();
    failure = {code, L"WebView2: CoreWebView2Environment failed when trying to LoadLibrary: hr=" +
                         hresultText(code) + L" path=" + choice.clientLibrary.native()};
    return false;
  }
  const auto create =
      procAddress<CreateEnvironmentInternal>(library, "CreateWebViewEnvironmentWithOptionsInternal");
  if (!create) {
    const HRESULT code = lastErrorCode();
    FreeLibrary(library);
    failure = {code, L"WebView2: CoreWebView2Environment failed when trying to call into "
                     L"EmbeddedBrowserWebView.dll. hr=" + hresultText(code)};
    return false;
  }
  const HRESULT result = create(1, static_cast<int>(choice.kind), userDataFolder, options, handler);
  // A library that can tell when it may be unloaded keeps itself loaded while
  // its objects live, so our reference is not needed past the call.
  if (GetProcAddress(library, "DllCanUnloadNow")) FreeLibrary(library);
  if (FAILED(result)) {
    failure = {result, L"WebView2: CoreWebView2Environment creation failed: hr=" + hresultText(result)};
    return false;
  }
  return true;
}

}  // namespace zv
