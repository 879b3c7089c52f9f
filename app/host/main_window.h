#pragma once
// The launcher's main window: a borderless popup that the web view fills.
// It is the host side of the bridge: events from any thread arrive as posted
// messages (host_messages.h) and are handed to the Bridge on this thread, and
// the page's window actions (minimise, close, drag, theme picture) act on it.

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "app/host/art_window.h"
#include "app/host/taskbar_progress.h"
#include "bridge/bridge.h"
#include "bridge/event_sink.h"
#include "bridge/host_window.h"
#include "webview/web_view.h"

namespace zv {

struct MainWindowSetup {
  HINSTANCE instance = nullptr;
  std::wstring className;  // "ZarvoLauncherWindow_<installTag>"
  std::wstring title;      // the server's name
  COLORREF background = 0;
  int dpi = 96;  // the system's, for the first size
};

class MainWindow final : public EventSink, public HostWindow {
 public:
  explicit MainWindow(ArtWindow& art) : art_(art) {}
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the class and creates the window, centred in the primary work
  // area and owned by the art window. False when it cannot be created.
  [[nodiscard]] bool create(const MainWindowSetup& setup, const Preferences& prefs);
  HWND handle() const { return window_.load(); }
  // The bridge takes the page's commands; set before the message loop runs.
  void attach(Bridge& bridge) { bridge_ = &bridge; }
  WebView& webView() { return webView_; }
  // Shows the window and starts what is only possible with a visible one:
  // the theme picture and the taskbar button.
  void show();

  // EventSink, any thread.
  void postPageEvent(PageEvent event) override;
  void postSelfUpdate(std::filesystem::path newLauncher) override;
  void postJobEnded() override;

  // HostWindow, main thread.
  bool pageViewExists() const override { return webViewStarted_; }
  void sendToPage(const PageEvent& event) override;
  void minimize() override;
  void requestClose() override;
  void beginDrag() override;
  bool artDrawn() const override { return art_.drawn(); }
  void showArt(const ThemePicture& picture) override;
  void destroy() override;
  void* nativeHandle() const override { return handle(); }

  // The web view is being created; events may go to it from now on.
  void markWebViewStarted() { webViewStarted_ = true; }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void post(UINT message, LPARAM lParam);

  ArtWindow& art_;
  // Read by other threads when they post; cleared when the window is gone.
  std::atomic<HWND> window_{nullptr};
  Bridge* bridge_ = nullptr;
  WebView webView_;
  TaskbarProgress taskbar_;
  ThemePicture picture_;
  bool webViewStarted_ = false;
};

}  // namespace zv
