#include "webview/navigation.h"

#include <windows.h>
#include <shlwapi.h>

#include "data/text_rules.h"
#include "platform/text_path.h"

namespace zv {

std::wstring startUrl(const std::filesystem::path& pagePath, bool lightMode, std::string_view themeId) {
  constexpr DWORD kBufferChars = 4096;
  std::wstring url(kBufferChars, L'\0');
  DWORD length = kBufferChars;
  if (SUCCEEDED(UrlCreateFromPathW(pagePath.c_str(), url.data(), &length, 0)) && length < kBufferChars) {
    url.resize(length);
  } else {
    url = L"file:///" + pagePath.native().substr(0, kBufferChars - 1);
  }
  url += lightMode ? L"?mode=light" : L"?mode=dark";
  if (isValidThemeName(themeId)) url += L"&theme=" + pathFromUtf8(themeId).native();
  return url;
}

bool staysInView(std::wstring_view uri) { return uri.starts_with(L"file:") || uri.starts_with(L"about:"); }

}  // namespace zv
