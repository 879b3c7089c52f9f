#include "webview/runtime_missing.h"

#include <cwchar>

namespace zv {

namespace {

constexpr const char* kRuntimeDownloadPage = "https://developer.microsoft.com/microsoft-edge/webview2/";

// The dialog's text with the failing code in eight upper-case hex digits.
std::wstring runtimeMissingText(HRESULT code) {
  wchar_t text[512];
  std::swprintf(text, 512,
                L"Launcheriui reikalingas Microsoft Edge WebView2 Runtime (0x%08lX).\n"
                L"The launcher needs the Microsoft Edge WebView2 Runtime.\n\n"
                L"Atsisi\u0173sti dabar? / Download it now?",
                static_cast<unsigned long>(code));
  return text;
}

}  // namespace

void showRuntimeMissing(HWND mainWindow, HRESULT code, const std::function<void(const std::string&)>& openUrl) {
  const std::wstring text = runtimeMissingText(code);
  if (MessageBoxW(mainWindow, text.c_str(), L"ZarvoLauncher", MB_YESNO | MB_ICONWARNING) == IDYES && openUrl) {
    openUrl(kRuntimeDownloadPage);
  }
  PostMessageW(mainWindow, WM_CLOSE, 0, 0);
}

}  // namespace zv
