#pragma once
// DPI queries that exist only on newer Windows versions, looked up at run
// time: a static import that the system lacks would stop the program from
// loading at all.

#include <windows.h>

namespace zv {

// GetDpiForSystem, else the screen's LOGPIXELSX.
int systemDpi();
// GetDpiForWindow, else systemDpi().
int windowDpi(HWND window);

}  // namespace zv
