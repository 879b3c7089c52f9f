// The settings that steer the web view runtime search: an environment
// variable wins; otherwise the WebView2 policies in the registry apply, by
// application id, executable name or "*".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zv {

struct LocatorSettings {
  std::optional<std::wstring> browserFolder;   // a fixed runtime folder: no search
  std::optional<std::wstring> userDataFolder;  // replaces the caller's
  bool useEdgeBrowser = false;                 // the stable channel comes from Edge itself
  std::optional<std::vector<int>> channels;    // only these channels are searched
  bool reversed = false;                       // least stable channel first
};

// exeFileName: the launcher's executable name, one of the policy value names.
LocatorSettings readLocatorSettings(const std::wstring& exeFileName);

}  // namespace zv
