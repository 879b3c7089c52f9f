// Our own CreateCoreWebView2EnvironmentWithOptions: finds an installed
// WebView2 runtime by the settings, channel order and version rules and hands
// the environment creation to it. No WebView2Loader.dll is shipped.
#pragma once

#include <windows.h>

#include "webview/webview2_abi.h"

namespace zv {

// Same contract as the SDK loader's function: the handler is called later on
// this (single-threaded apartment) thread; a failure returned here means it
// will not be called. The whole attempt is repeated once when it fails.
HRESULT CreateCoreWebView2EnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                                 ICoreWebView2EnvironmentOptions* options,
                                                 ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace zv
