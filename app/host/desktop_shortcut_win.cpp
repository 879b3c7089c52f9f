#include "app/host/desktop_shortcut.h"

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <system_error>

#include "data/install_tag.h"
#include "platform/known_folders.h"
#include "platform/text_path.h"

namespace zv {
namespace {

using Microsoft::WRL::ComPtr;

bool saveShellLink(const std::filesystem::path& file, const std::filesystem::path& launcherPath,
                   const std::filesystem::path& clientFolder, const std::wstring& description) {
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return false;
  link->SetPath(launcherPath.c_str());
  link->SetWorkingDirectory(clientFolder.c_str());
  link->SetIconLocation(launcherPath.c_str(), 0);
  link->SetDescription(description.c_str());
  ComPtr<IPersistFile> persist;
  if (FAILED(link.As(&persist))) return false;
  return SUCCEEDED(persist->Save(file.c_str(), TRUE));
}

// The shortcut's file name without ".lnk": serverName with characters a file
// name cannot hold replaced by "_"; "Lineage II" when serverName is empty.
std::wstring shortcutName(const std::string& serverName) {
  if (serverName.empty()) return L"Lineage II";
  std::wstring name = pathFromUtf8(serverName).wstring();
  for (wchar_t& c : name) {
    if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
  }
  return name;
}

}  // namespace

void ensureDesktopShortcut(const LauncherConfig& config, Preferences& prefs, const std::filesystem::path& launcherPath,
                           const std::filesystem::path& clientFolder) {
  if (!config.desktopShortcut) return;
  const std::string key = "shortcut-" + std::to_string(installHash(clientFolder));
  const Json& made = prefs.prefsDocument.get(key);
  if (made.isBool() && made.boolOr(false)) return;
  std::filesystem::path desktop;
  if (!desktopFolder(desktop)) return;
  const std::filesystem::path file = desktop / (shortcutName(config.serverName) + L".lnk");
  std::error_code ec;
  // A shortcut of the same name (another client folder's, or the player's
  // own) is left as it is.
  if (!std::filesystem::exists(file, ec) &&
      !saveShellLink(file, launcherPath, clientFolder, pathFromUtf8(config.serverName).wstring())) {
    return;
  }
  if (!prefs.prefsDocument.isObject()) prefs.prefsDocument = Json::object();
  prefs.prefsDocument.set(key, true);
  (void)savePreferences(prefs);
}

}  // namespace zv
