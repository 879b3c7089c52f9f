#include "app/host/art_window.h"

#include <dwmapi.h>

#include <algorithm>
#include <string>

#include "app/host/art_decode.h"
#include "app/host/dpi.h"
#include "app/host/gdi_handles.h"
#include "platform/log.h"
#include "platform/text_path.h"

namespace zv {
namespace {

constexpr wchar_t kArtClass[] = L"ZarvoLauncherArt";
// Not in mingw-w64's dwmapi.h: the frame colour attribute and its values.
constexpr DWORD kBorderColorAttribute = 34;
constexpr COLORREF kBorderDefault = 0xFFFFFFFF;
constexpr COLORREF kBorderNone = 0xFFFFFFFE;

LRESULT CALLBACK artProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN: {
      // Dragging the picture drags the launcher.
      HWND main = reinterpret_cast<HWND>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (main != nullptr) {
        SetForegroundWindow(main);
        ReleaseCapture();
        SendMessageW(main, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      }
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// A 32-bit top-down DIB section with the given pixels, owned by the caller.
HBITMAP makeBitmap(const ArtPixels& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) std::copy(pixels.bgra.begin(), pixels.bgra.end(), static_cast<uint8_t*>(bits));
  return bitmap;
}

// Changes a shift so that the span [start, end] ends up inside [low, high]:
// these rules come last, so the span always fits.
int fitShift(int shift, int low, int high, int start, int end) {
  if (start + shift < low) shift = low - start;
  if (end + shift > high) shift = high - end;
  return shift;
}

}  // namespace

ArtWindow::~ArtWindow() { destroy(); }

bool ArtWindow::create(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = artProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kArtClass;
  RegisterClassExW(&windowClass);
  window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kArtClass, L"", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, instance, nullptr);
  return window_ != nullptr;
}

void ArtWindow::setMainWindow(HWND main) {
  main_ = main;
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
}

void ArtWindow::destroy() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
}

POINT ArtWindow::position() const {
  RECT main{};
  GetWindowRect(main_, &main);
  return {main.left + MulDiv(picture_.x, artDpi_, 96), main.top + MulDiv(picture_.y, artDpi_, 96)};
}

bool ArtWindow::draw(const ThemePicture& picture) {
  const int dpi = windowDpi(main_);
  ArtPixels pixels;
  std::string error;
  if (!decodeArt(joinRelative(uiFolder_, picture.file), MulDiv(picture.height, dpi, 96), pixels, error)) return false;
  const GdiObject bitmap(makeBitmap(pixels));
  if (bitmap.get() == nullptr) return false;
  artDpi_ = dpi;
  const ScreenDc screen(GetDC(nullptr));
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  const Selection selected(memory.get(), bitmap.get());
  POINT at = position();
  SIZE size{pixels.width, pixels.height};
  POINT origin{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  const bool updated =
      UpdateLayeredWindow(window_, screen.get(), &at, &size, memory.get(), &origin, 0, &blend, ULW_ALPHA) != FALSE;
  if (updated) {
    drawnWidth_ = pixels.width;
    drawnHeight_ = pixels.height;
  }
  return updated;
}

void ArtWindow::load(const ThemePicture& picture) {
  if (window_ == nullptr || main_ == nullptr) return;
  picture_ = picture;
  drawnWidth_ = 0;
  drawnHeight_ = 0;
  if (!picture_.file.empty() && !draw(picture_)) writeLog(logPath_, "theme picture not loaded: " + picture_.file);
  matchMainFrame();
  keepOnScreen();
  show(IsWindowVisible(main_) && !IsIconic(main_));
}

void ArtWindow::matchMainFrame() {
  // A drawn picture is the window's outline; a shadow or border around the
  // rectangle would show through its transparent parts.
  const ULONG_PTR style = GetClassLongPtrW(main_, GCL_STYLE);
  const ULONG_PTR wanted = drawn() ? (style & ~static_cast<ULONG_PTR>(CS_DROPSHADOW)) : (style | CS_DROPSHADOW);
  if (wanted != style) SetClassLongPtrW(main_, GCL_STYLE, static_cast<LONG_PTR>(wanted));
  const COLORREF border = drawn() ? kBorderNone : kBorderDefault;
  DwmSetWindowAttribute(main_, kBorderColorAttribute, &border, sizeof border);
}

void ArtWindow::follow() {
  if (window_ == nullptr || !drawn()) return;
  const POINT at = position();
  SetWindowPos(window_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ArtWindow::show(bool visible) {
  if (window_ == nullptr) return;
  if (visible && drawn() && !picture_.file.empty()) {
    const bool wasVisible = IsWindowVisible(window_) != FALSE;
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    // X puts a window it maps on top of all others, and Wine without a
    // window manager never lowers one there. Raising the picture raises the
    // window it owns over it again, in Windows' order and in X's.
    if (!wasVisible) SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    ShowWindow(window_, SW_HIDE);
  }
}

void ArtWindow::keepOnScreen() {
  if (enteredSizeMove_ || !drawn()) return;
  RECT main{};
  if (!GetWindowRect(main_, &main)) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const POINT at = position();
  const RECT art{at.x, at.y, at.x + drawnWidth_, at.y + drawnHeight_};
  RECT both{};
  UnionRect(&both, &main, &art);
  // The picture fits as far as it can; the window itself always fits, so
  // its rules come last.
  int dx = both.right > work.right ? work.right - both.right : 0;
  if (both.left + dx < work.left) dx = work.left - both.left;
  dx = fitShift(dx, work.left, work.right, main.left, main.right);
  int dy = both.bottom > work.bottom ? work.bottom - both.bottom : 0;
  if (both.top + dy < work.top) dy = work.top - both.top;
  dy = fitShift(dy, work.top, work.bottom, main.top, main.bottom);
  if (dx != 0 || dy != 0) {
    SetWindowPos(main_, nullptr, main.left + dx, main.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace zv
