#include "webview/locator_rules.h"

#include <cwctype>

namespace zv {

namespace {

constexpr ReleaseChannel kChannels[kReleaseChannelCount] = {
    {L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}", L"Microsoft.WebView2Runtime.Stable_8wekyb3d8bbwe"},
    {L"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}", L"Microsoft.WebView2Runtime.Beta_8wekyb3d8bbwe"},
    {L"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}", L"Microsoft.WebView2Runtime.Dev_8wekyb3d8bbwe"},
    {L"{65C35B14-6C1D-4122-AC46-7148CC9D6497}", L"Microsoft.WebView2Runtime.Canary_8wekyb3d8bbwe"},
    {L"{BE59E8FD-089A-411B-A3B0-051D9E417818}", L"Microsoft.WebView2Runtime.Internal_8wekyb3d8bbwe"},
};

std::wstring_view trim(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  return text;
}

// Digits only, and no overflow past 32 bits.
bool parseNumber(std::wstring_view text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t result = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    result = result * 10 + static_cast<uint64_t>(c - L'0');
  }
  if (result > UINT32_MAX) return false;
  value = static_cast<uint32_t>(result);
  return true;
}

}  // namespace

const ReleaseChannel& releaseChannel(int number) {
  return kChannels[number >= 0 && number < kReleaseChannelCount ? number : 0];
}

std::vector<int> parseChannelList(std::wstring_view text) {
  std::vector<int> channels;
  while (true) {
    const size_t comma = text.find(L',');
    uint32_t number = 0;
    const bool valid = parseNumber(trim(text.substr(0, comma)), number) && number < kReleaseChannelCount;
    channels.push_back(valid ? static_cast<int>(number) : 0);
    if (comma == std::wstring_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return channels;
}

std::vector<int> channelSearchOrder(const std::optional<std::vector<int>>& list, bool reversed) {
  std::vector<int> order;
  for (int i = 0; i < kReleaseChannelCount; ++i) {
    const int channel = reversed ? kReleaseChannelCount - 1 - i : i;
    bool listed = !list;
    if (list) {
      for (int wanted : *list) listed = listed || wanted == channel;
    }
    if (listed) order.push_back(channel);
  }
  return order;
}

bool parseRuntimeVersion(std::wstring_view text, RuntimeVersion& version) {
  RuntimeVersion parsed{};
  for (size_t part = 0;; ++part) {
    if (part == parsed.size()) return false;
    const size_t dot = text.find(L'.');
    if (!parseNumber(text.substr(0, dot), parsed[part])) return false;
    if (dot == std::wstring_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  version = parsed;
  return true;
}

std::filesystem::path resolveBrowserFolder(std::wstring_view folder, const std::filesystem::path& exeFolder) {
  const bool drivePath = folder.size() >= 3 && std::iswalpha(folder[0]) && folder[1] == L':' && folder[2] == L'\\';
  const bool doubleBackslash = folder.size() >= 2 && folder[0] == L'\\' && folder[1] == L'\\';
  if (drivePath || doubleBackslash) return std::filesystem::path(std::wstring(folder));
  // Joined as text: path's operator/ would let "D:rt" replace the base.
  std::wstring joined = exeFolder.native();
  if (!joined.empty() && joined.back() != L'\\') joined += L'\\';
  return std::filesystem::path(joined + std::wstring(folder));
}

std::filesystem::path clientLibraryPath(const std::filesystem::path& runtimeFolder) {
#if defined(__x86_64__)
  constexpr const wchar_t* kArchitecture = L"x64";
#elif defined(__aarch64__)
  constexpr const wchar_t* kArchitecture = L"arm64";
#else
  constexpr const wchar_t* kArchitecture = L"x86";
#endif
  return runtimeFolder / L"EBWebView" / kArchitecture / L"EmbeddedBrowserWebView.dll";
}

}  // namespace zv
