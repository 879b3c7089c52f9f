// The dialog that tells the player the WebView2 Runtime is missing and offers
// its download page.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zv {

// Shows the dialog (Yes/No, owned by the main window); Yes opens the download
// page through openUrl. Either way the main window is then asked to close.
void showRuntimeMissing(HWND mainWindow, HRESULT code, const std::function<void(const std::string&)>& openUrl);

}  // namespace zv
