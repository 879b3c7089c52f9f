// The web view runtime locator's decisions, free of registry and environment
// access so that each rule can be checked on its own: the release channels,
// which of them are searched and in what order, runtime versions and the
// minimum, and where a runtime folder keeps its client library.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// 0 Stable, 1 Beta, 2 Dev, 3 Canary, 4 Internal.
inline constexpr int kReleaseChannelCount = 5;

struct ReleaseChannel {
  const wchar_t* clientStateGuid;  // EdgeUpdate ClientState subkey
  const wchar_t* packageFamily;    // the packaged runtime of this channel
};
const ReleaseChannel& releaseChannel(int number);

// "0,2, 3": the channels a comma-separated list names. A listed number
// outside 0 to 4 (or no number at all) selects Stable.
std::vector<int> parseChannelList(std::wstring_view text);

// The channels to search: 0 to 4, or 4 to 0 when reversed, keeping only those
// in the list when one was given.
std::vector<int> channelSearchOrder(const std::optional<std::vector<int>>& list, bool reversed);

// Up to four dot-separated numbers; missing ones count as 0.
using RuntimeVersion = std::array<uint32_t, 4>;
[[nodiscard]] bool parseRuntimeVersion(std::wstring_view text, RuntimeVersion& version);
inline constexpr RuntimeVersion kMinimumRuntimeVersion{86, 0, 616, 0};

// A drive path ("C:\...") or one starting with two backslashes is taken as it
// is; anything else is relative to the launcher's own folder.
std::filesystem::path resolveBrowserFolder(std::wstring_view folder, const std::filesystem::path& exeFolder);

// <runtime folder>\EBWebView\<architecture>\EmbeddedBrowserWebView.dll
std::filesystem::path clientLibraryPath(const std::filesystem::path& runtimeFolder);

}  // namespace zv
