// The launcher page's embedded browser: creation through our own runtime
// locator, the view's settings and navigation policy, and the message channel
// between the page and the main window. Windows only; main thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zv {

// What the web view needs from the main window. Main thread only.
struct WebViewSetup {
  HWND mainWindow = nullptr;
  std::filesystem::path dataFolder;  // user data goes to dataFolder / "WebView2"
  std::filesystem::path pagePath;    // navigated as a file URL + "?mode=" + "&theme="
  bool devMode = false;
  bool lightMode = false;  // "?mode=light", else "dark"
  std::string themeId;     // "&theme=<id>" when it passes isValidThemeName
  uint32_t backgroundRgb = 0;  // 0xRRGGBB (windowBackgroundColor), drawn fully opaque
  std::function<void(const std::string& utf8)> onPageMessage;  // a string web message from the page
  std::function<void(const std::string& url)> openUrl;         // the page command "openUrl" rule
};

struct WebViewState;

class WebView {
 public:
  WebView();
  ~WebView();  // closes like close()
  WebView(const WebView&) = delete;
  WebView& operator=(const WebView&) = delete;

  // Starts the asynchronous creation through our own runtime locator; every
  // failure ends in the runtime-missing dialog and a WM_CLOSE posted to
  // setup.mainWindow.
  void create(WebViewSetup setup);
  // WM_SIZE; a no-op before the controller exists.
  void setBounds(const RECT& client);
  // PostWebMessageAsJson; false without a view.
  [[nodiscard]] bool postJson(std::string_view json);
  // WM_DESTROY: Close() the controller, release it and the view.
  void close();

 private:
  // Shared with the runtime's handlers, which hold it weakly.
  std::shared_ptr<WebViewState> state_;
};

}  // namespace zv
