#include "app/host/dpi.h"

#include "app/host/gdi_handles.h"

namespace zv {
namespace {

using DpiForSystemFn = UINT(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);

template <typename Fn>
Fn user32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int screenDpi() {
  const ScreenDc screen(GetDC(nullptr));
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int systemDpi() {
  static const DpiForSystemFn forSystem = user32Function<DpiForSystemFn>("GetDpiForSystem");
  if (forSystem != nullptr) {
    const UINT dpi = forSystem();
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return screenDpi();
}

int windowDpi(HWND window) {
  static const DpiForWindowFn forWindow = user32Function<DpiForWindowFn>("GetDpiForWindow");
  if (forWindow != nullptr) {
    const UINT dpi = forWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return systemDpi();
}

}  // namespace zv
