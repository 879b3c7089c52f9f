#include "app/host/dpi.h"

#include "app/host/gdi_handles.h"
#include "webview/proc_address.h"

namespace zv {
namespace {

using DpiForSystemFn = UINT(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);

int screenDpi() {
  const ScreenDc screen(GetDC(nullptr));
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int systemDpi() {
  static const DpiForSystemFn forSystem = procAddress<DpiForSystemFn>(GetModuleHandleW(L"user32"), "GetDpiForSystem");
  if (forSystem != nullptr) {
    const UINT dpi = forSystem();
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return screenDpi();
}

int windowDpi(HWND window) {
  static const DpiForWindowFn forWindow = procAddress<DpiForWindowFn>(GetModuleHandleW(L"user32"), "GetDpiForWindow");
  if (forWindow != nullptr) {
    const UINT dpi = forWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return systemDpi();
}

}  // namespace zv
