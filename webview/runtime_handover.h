// Handing the environment creation to the chosen runtime's client library.
#pragma once

#include <windows.h>

#include "webview/runtime_search.h"
#include "webview/webview2_abi.h"

namespace zv {

// Loads the client library and calls its creation entry with the runtime
// kind, the user data folder, the options and the completion handler. The
// library is released again when it manages its own lifetime (it exports
// DllCanUnloadNow). A failure to load or to find the entry fills failure.
[[nodiscard]] bool handOverToRuntime(const RuntimeChoice& choice, PCWSTR userDataFolder,
                                     ICoreWebView2EnvironmentOptions* options,
                                     ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler,
                                     LocatorFailure& failure);

}  // namespace zv
