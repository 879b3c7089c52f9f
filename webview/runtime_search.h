// Finding the web view runtime folder: an explicit browser folder, or the
// first release channel (in search order) whose installed runtime is new
// enough and whose client library can be opened.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "webview/locator_settings.h"

namespace zv {

// How the runtime was chosen; handed to the runtime's client library.
enum class RuntimeKind : int { Installed = 0, ExplicitFolder = 1, EdgeBrowser = 2 };

struct RuntimeChoice {
  std::filesystem::path clientLibrary;  // ...\EBWebView\<arch>\EmbeddedBrowserWebView.dll
  RuntimeKind kind = RuntimeKind::Installed;
};

// A failure's code (an HRESULT, what the caller receives) and its text.
struct LocatorFailure {
  HRESULT code = S_OK;
  std::wstring text;
};

// notes receives one debug line per runtime passed over.
[[nodiscard]] bool findRuntime(const LocatorSettings& settings, const std::filesystem::path& exeFolder,
                               RuntimeChoice& choice, LocatorFailure& failure, std::vector<std::wstring>& notes);

}  // namespace zv
