#include "webview/locator_settings.h"

#include <windows.h>
#include <objbase.h>

#include "webview/locator_rules.h"
#include "webview/registry_key.h"
#include "webview/proc_address.h"

namespace zv {

namespace {

constexpr const wchar_t* kPolicyRoot = L"Software\\Policies\\Microsoft\\Edge\\WebView2\\";

std::optional<std::wstring> environmentValue(const wchar_t* name) {
  const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD written = GetEnvironmentVariableW(name, value.data(), needed);
  value.resize(written < needed ? written : 0);
  return value;
}

// The process's application user model id: the packaged identity when there
// is one, else an explicitly set id. Both functions are newer than the
// oldest Windows we run on, so they are looked up at run time.
std::wstring applicationUserModelId() {
  using PackagedId = LONG(WINAPI*)(UINT32*, PWSTR);
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    if (auto get = procAddress<PackagedId>(kernel, "GetCurrentApplicationUserModelId")) {
      wchar_t id[256] = {};
      UINT32 length = 256;
      if (get(&length, id) == ERROR_SUCCESS) return id;
    }
  }
  using ExplicitId = HRESULT(WINAPI*)(PWSTR*);
  std::wstring result;
  if (HMODULE shell = LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (auto get = procAddress<ExplicitId>(shell, "GetCurrentProcessExplicitAppUserModelID")) {
      PWSTR id = nullptr;
      if (SUCCEEDED(get(&id)) && id) result = id;
      CoTaskMemFree(id);
    }
    FreeLibrary(shell);
  }
  return result;
}

class PolicyReader {
 public:
  explicit PolicyReader(const std::wstring& exeFileName) {
    // Whether policies exist at all is decided once for every setting.
    present_ = static_cast<bool>(RegistryKey(HKEY_CURRENT_USER, kPolicyRoot)) ||
               static_cast<bool>(RegistryKey(HKEY_LOCAL_MACHINE, kPolicyRoot));
    if (!present_) return;
    const std::wstring appId = applicationUserModelId();
    if (!appId.empty()) names_.push_back(appId);
    names_.push_back(exeFileName);
  }

  std::optional<std::wstring> read(const wchar_t* setting, bool wildcard, bool numeric) const {
    if (!present_) return std::nullopt;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      const RegistryKey key(root, std::wstring(kPolicyRoot) + setting);
      if (!key) continue;
      for (const std::wstring& name : names_) {
        if (auto value = key.read(name, numeric)) return value;
      }
      if (wildcard) {
        if (auto value = key.read(L"*", numeric)) return value;
      }
    }
    return std::nullopt;
  }

 private:
  bool present_ = false;
  std::vector<std::wstring> names_;
};

std::optional<std::wstring> readSetting(const PolicyReader& policies, const wchar_t* variable,
                                        const wchar_t* policy, bool wildcard, bool numeric) {
  if (auto value = environmentValue(variable)) return value;
  if (!policy) return std::nullopt;
  return policies.read(policy, wildcard, numeric);
}

}  // namespace

LocatorSettings readLocatorSettings(const std::wstring& exeFileName) {
  const PolicyReader policies(exeFileName);
  LocatorSettings settings;
  settings.useEdgeBrowser = environmentValue(L"WEBVIEW2_USE_EDGE_VIEW") == L"1";
  settings.browserFolder =
      readSetting(policies, L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", L"BrowserExecutableFolder", true, false);
  settings.userDataFolder = readSetting(policies, L"WEBVIEW2_USER_DATA_FOLDER", L"UserDataFolder", false, false);

  const bool channelWildcard = !settings.useEdgeBrowser;
  if (auto list = readSetting(policies, L"WEBVIEW2_RELEASE_CHANNELS", L"ReleaseChannels", channelWildcard, true)) {
    settings.channels = parseChannelList(*list);
  }
  auto kind = readSetting(policies, L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"ChannelSearchKind", channelWildcard, true);
  if (!kind) {
    kind = readSetting(policies, L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", L"ReleaseChannelPreference",
                       channelWildcard, true);
  }
  settings.reversed = kind && *kind == L"1";
  return settings;
}

}  // namespace zv
