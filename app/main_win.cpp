// ZarvoLauncher.exe: the launcher players run. Start-up in order (folders,
// one instance per client folder, the leftover of a self-update, the
// publisher's configuration, the player's preferences, COM, the desktop
// shortcut, the page's files, the theme, both windows, the web view), then
// the message loop until the main window closes.

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/host/art_window.h"
#include "app/host/desktop_shortcut.h"
#include "app/host/dpi.h"
#include "app/host/main_window.h"
#include "app/host/ui_content.h"
#include "bridge/bridge.h"
#include "bridge/self_update_swap.h"
#include "data/install_tag.h"
#include "data/launcher_config.h"
#include "data/preferences.h"
#include "platform/instance_lock.h"
#include "platform/known_folders.h"
#include "platform/module_resource.h"
#include "platform/process.h"
#include "platform/text_path.h"

namespace zv {
namespace {

// The restarted launcher of a self-update waits this long for the old one.
constexpr unsigned kRestartWaitMs = 10000;
constexpr unsigned kBuiltinConfigResource = 200;
constexpr wchar_t kCaption[] = L"ZarvoLauncher";

class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// The switches are found anywhere in the command line's text, as earlier
// launchers did: a shortcut's arguments may run them into other words.
bool hasSwitch(const wchar_t* commandLine, const wchar_t* name) {
  return commandLine != nullptr && std::wcsstr(commandLine, name) != nullptr;
}

std::filesystem::path chooseDataFolder(const std::filesystem::path& clientFolder) {
  std::filesystem::path base;
  if (userDataFolder(base)) return base / "ZarvoLauncher";
  return clientFolder / ".zarvo_update";
}

// The file next to the launcher, else the copy the publisher's tool built
// in. A file that exists is never passed over, even when it is broken.
bool loadConfiguration(const std::filesystem::path& clientFolder, LauncherConfig& config, std::string& error) {
  const std::filesystem::path file = clientFolder / "ZarvoLauncher.json";
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) return loadLauncherConfigFile(file, config, error);
  std::string_view builtin;
  if (!moduleResource(kBuiltinConfigResource, builtin)) {
    error =
        "This launcher has no settings yet: prepare it with ZarvoBuilder (make_update.bat), or put "
        "ZarvoLauncher.json next to it.";
    return false;
  }
  return loadLauncherConfig(builtin, config, error);
}

void bringForward(const std::wstring& className) {
  HWND running = FindWindowW(className.c_str(), nullptr);
  if (running == nullptr) return;
  ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
}

// The web view wants 0xRRGGBB; the window colour is a COLORREF (0x00BBGGRR).
uint32_t rgbFromColorref(COLORREF color) {
  return (static_cast<uint32_t>(GetRValue(color)) << 16) | (static_cast<uint32_t>(GetGValue(color)) << 8) |
         GetBValue(color);
}

int runLauncher(HINSTANCE instance, const wchar_t* commandLine) {
  const bool devMode = hasSwitch(commandLine, L"--dev");
  const bool restarted = hasSwitch(commandLine, L"--updated");
  const std::filesystem::path launcherPath = executablePath();
  const std::filesystem::path clientFolder = launcherPath.parent_path();
  const std::filesystem::path dataFolder = chooseDataFolder(clientFolder);
  const std::string installTag = makeInstallTag(clientFolder);
  const std::wstring className = L"ZarvoLauncherWindow_" + pathFromUtf8(installTag).wstring();

  InstanceLock lock;
  if (!lock.acquire(installHash(clientFolder), dataFolder, restarted ? kRestartWaitMs : 0)) {
    bringForward(className);
    return 0;
  }
  removeOldLauncher(launcherPath);

  LauncherConfig config;
  std::string error;
  if (!loadConfiguration(clientFolder, config, error)) {
    MessageBoxW(nullptr, pathFromUtf8(error).c_str(), kCaption, MB_ICONERROR | MB_OK);
    return 1;
  }
  Preferences prefs = loadPreferences(config, dataFolder, installTag);

  ComApartment com;
  if (!com.ok()) return 1;
  ensureDesktopShortcut(config, prefs, launcherPath, clientFolder);
  const std::filesystem::path pagePath =
      prepareUiContent(UiPlaces{clientFolder, dataFolder, installTag}, moduleResource);
  resolveTheme(prefs, config, pagePath.parent_path());

  ArtWindow art(pagePath.parent_path(), clientFolder / "ZarvoLauncher.log");
  if (!art.create(instance)) return 1;
  MainWindow window(art);
  MainWindowSetup setup;
  setup.instance = instance;
  setup.className = className;
  setup.title = pathFromUtf8(config.serverName).wstring();
  setup.background = windowBackgroundColor(prefs);
  setup.dpi = systemDpi();
  if (!window.create(setup, prefs)) return 1;
  BridgeSetup places;
  places.launcherPath = launcherPath;
  places.clientFolder = clientFolder;
  Bridge bridge(config, prefs, places, window, window);
  window.attach(bridge);
  window.show();

  WebViewSetup view;
  view.mainWindow = window.handle();
  view.dataFolder = dataFolder;
  view.pagePath = pagePath;
  view.devMode = devMode;
  view.lightMode = prefs.prefMode == "light";
  view.themeId = prefs.prefTheme;
  view.backgroundRgb = rgbFromColorref(setup.background);
  view.onPageMessage = [&bridge](const std::string& text) { bridge.handlePageMessage(text); };
  // Links the page opens in a new window follow the page's own "openUrl".
  view.openUrl = [&bridge](const std::string& url) { bridge.openUrl(url); };
  window.markWebViewStarted();
  window.webView().create(std::move(view));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace
}  // namespace zv

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return zv::runLauncher(instance, GetCommandLineW()); }
