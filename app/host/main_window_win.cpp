#include "app/host/main_window.h"

#include <dwmapi.h>

#include <memory>

#include "app/host/host_messages.h"

namespace zv {
namespace {

constexpr int kWidth96 = 1000;
constexpr int kHeight96 = 620;
// Not in mingw-w64's dwmapi.h: the corner preference and "rounded".
constexpr DWORD kCornerAttribute = 33;
constexpr DWORD kCornersRounded = 2;

}  // namespace

MainWindow::~MainWindow() {
  HWND window = window_.exchange(nullptr);
  if (window != nullptr) DestroyWindow(window);
}

bool MainWindow::create(const MainWindowSetup& setup, const Preferences& prefs) {
  picture_ = prefs.art;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  // The drop shadow would outline the rectangle around a theme picture.
  windowClass.style = prefs.art.file.empty() ? CS_DROPSHADOW : 0;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = setup.instance;
  windowClass.hIcon = LoadIconW(setup.instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(setup.instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = CreateSolidBrush(setup.background);
  windowClass.lpszClassName = setup.className.c_str();
  RegisterClassExW(&windowClass);

  const int width = MulDiv(kWidth96, setup.dpi, 96);
  const int height = MulDiv(kHeight96, setup.dpi, 96);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, setup.className.c_str(), setup.title.c_str(),
                                WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width, height, art_.handle(), nullptr,
                                setup.instance, this);
  if (window == nullptr) return false;
  const DWORD corners = kCornersRounded;
  DwmSetWindowAttribute(window, kCornerAttribute, &corners, sizeof corners);
  art_.setMainWindow(window);
  return true;
}

void MainWindow::show() {
  HWND window = handle();
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  taskbar_.attach(window);
  art_.load(picture_);
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.store(window);
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->onMessage(message, wParam, lParam);
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = handle();
  // The taskbar takes progress only once it has made the window's button.
  static const UINT taskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");
  if (message == taskbarButtonCreated && taskbarButtonCreated != 0) {
    taskbar_.attach(window);
    return 0;
  }
  switch (message) {
    case WM_MOVE:
      art_.follow();
      return 0;
    case WM_SIZE: {
      RECT client{};
      GetClientRect(window, &client);
      webView_.setBounds(client);
      art_.show(wParam != SIZE_MINIMIZED);
      return 0;
    }
    case WM_ENTERSIZEMOVE:
      art_.markUserMoved();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      art_.load(picture_);
      return 0;
    }
    case WM_CLOSE:
      // Cancels a running job and waits for it: nothing of it may outlive
      // the window it reports to.
      if (bridge_ != nullptr) bridge_->close();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      webView_.close();
      taskbar_.detach();
      window_.store(nullptr);
      art_.destroy();
      PostQuitMessage(0);
      return 0;
    case MsgPageEvent: {
      std::unique_ptr<PageEvent> event(reinterpret_cast<PageEvent*>(lParam));
      if (bridge_ != nullptr) bridge_->deliverPageEvent(std::move(*event));
      return 0;
    }
    case MsgSelfUpdate: {
      std::unique_ptr<std::filesystem::path> path(reinterpret_cast<std::filesystem::path*>(lParam));
      if (bridge_ != nullptr) bridge_->finishSelfUpdate(*path);
      taskbar_.jobEnded();
      return 0;
    }
    case MsgJobEnded:
      if (bridge_ != nullptr) bridge_->jobEnded();
      taskbar_.jobEnded();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void MainWindow::post(UINT message, LPARAM lParam) {
  HWND window = window_.load();
  if (window != nullptr && PostMessageW(window, message, 0, lParam)) return;
  // The window is gone: nobody will free what the message carried.
  if (message == MsgPageEvent) delete reinterpret_cast<PageEvent*>(lParam);
  if (message == MsgSelfUpdate) delete reinterpret_cast<std::filesystem::path*>(lParam);
}

void MainWindow::postPageEvent(PageEvent event) {
  post(MsgPageEvent, reinterpret_cast<LPARAM>(new PageEvent(std::move(event))));
}

void MainWindow::postSelfUpdate(std::filesystem::path newLauncher) {
  post(MsgSelfUpdate, reinterpret_cast<LPARAM>(new std::filesystem::path(std::move(newLauncher))));
}

void MainWindow::postJobEnded() { post(MsgJobEnded, 0); }

void MainWindow::sendToPage(const PageEvent& event) {
  taskbar_.onPageEvent(event.values);
  (void)webView_.postJson(event.json);
}

void MainWindow::minimize() { ShowWindow(handle(), SW_MINIMIZE); }

void MainWindow::requestClose() { PostMessageW(handle(), WM_CLOSE, 0, 0); }

void MainWindow::beginDrag() {
  ReleaseCapture();
  SendMessageW(handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::showArt(const ThemePicture& picture) {
  picture_ = picture;
  art_.load(picture_);
}

void MainWindow::destroy() {
  HWND window = handle();
  if (window != nullptr) DestroyWindow(window);
}

}  // namespace zv
