#include "webview/runtime_search.h"

#include <optional>

#include "webview/locator_rules.h"
#include "webview/packaged_runtime.h"
#include "webview/registry_key.h"

namespace zv {

namespace {

constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr const wchar_t* kEdgeClientKey =
    L"Software\\Microsoft\\EdgeUpdate\\Clients\\{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}";

// EdgeUpdate writes its keys for 32-bit programs, so the 32-bit view is read
// from either architecture.
std::optional<std::wstring> readUpdateValue(HKEY root, const std::wstring& keyPath, const wchar_t* name) {
  return RegistryKey(root, keyPath, KEY_WOW64_32KEY).read(name);
}

bool canOpen(const std::filesystem::path& file) {
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

// The version and library checks every candidate folder goes through.
bool acceptRuntime(const std::filesystem::path& folder, const std::wstring& version, RuntimeChoice& choice,
                   RuntimeKind kind, std::vector<std::wstring>& notes) {
  RuntimeVersion parsed{};
  if (!parseRuntimeVersion(version, parsed) || parsed < kMinimumRuntimeVersion) {
    notes.push_back(L"WebView2: skipped an incompatible version " + folder.native());
    return false;
  }
  const std::filesystem::path library = clientLibraryPath(folder);
  if (!canOpen(library)) {
    notes.push_back(L"WebView2: skipped inaccessible " + library.native());
    return false;
  }
  choice.clientLibrary = library;
  choice.kind = kind;
  return true;
}

std::wstring lastComponent(const std::filesystem::path& folder) {
  std::filesystem::path last = folder.filename();
  if (last.empty()) last = folder.parent_path().filename();
  return last.native();
}

bool searchChannel(int channel, bool useEdge, RuntimeChoice& choice, std::vector<std::wstring>& notes) {
  const RuntimeKind kind = useEdge ? RuntimeKind::EdgeBrowser : RuntimeKind::Installed;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (channel == 0 && useEdge) {
      const auto location = readUpdateValue(root, kEdgeClientKey, L"location");
      const auto version = readUpdateValue(root, kEdgeClientKey, L"pv");
      if (location && version && acceptRuntime(std::filesystem::path(*location) / *version, *version, choice, kind, notes)) {
        return true;
      }
      continue;
    }
    const std::wstring key =
        std::wstring(L"Software\\Microsoft\\EdgeUpdate\\ClientState\\") + releaseChannel(channel).clientStateGuid;
    if (const auto folder = readUpdateValue(root, key, L"EBWebView")) {
      const std::filesystem::path path(*folder);
      if (acceptRuntime(path, lastComponent(path), choice, kind, notes)) return true;
    }
  }
  PackagedRuntime packaged;
  return findPackagedRuntime(releaseChannel(channel).packageFamily, packaged) &&
         acceptRuntime(packaged.folder, packaged.version, choice, kind, notes);
}

}  // namespace

bool findRuntime(const LocatorSettings& settings, const std::filesystem::path& exeFolder, RuntimeChoice& choice,
                 LocatorFailure& failure, std::vector<std::wstring>& notes) {
  if (settings.browserFolder && !settings.browserFolder->empty()) {
    const std::filesystem::path library = clientLibraryPath(resolveBrowserFolder(*settings.browserFolder, exeFolder));
    std::error_code error;
    if (!std::filesystem::is_regular_file(library, error)) {
      failure = {kNotFound, L"WebView2: Failed to find the WebView2 client dll at: " + library.native()};
      return false;
    }
    choice.clientLibrary = library;
    choice.kind = settings.useEdgeBrowser ? RuntimeKind::EdgeBrowser : RuntimeKind::ExplicitFolder;
    return true;
  }
  for (int channel : channelSearchOrder(settings.channels, settings.reversed)) {
    if (searchChannel(channel, settings.useEdgeBrowser, choice, notes)) return true;
  }
  failure = {kNotFound,
             L"WebView2: Failed to find an installed WebView2 runtime or non-stable Microsoft Edge installation.\n"};
  return false;
}

}  // namespace zv
