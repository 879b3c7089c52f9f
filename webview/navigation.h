// Where the web view goes: the page's start URL and the rule that keeps the
// view on local content.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zv {

// The page as a file URL with "?mode=light" or "?mode=dark", then
// "&theme=<id>" when the id is a valid theme name.
std::wstring startUrl(const std::filesystem::path& pagePath, bool lightMode, std::string_view themeId);

// True for "file:" and "about:" URIs (exact, case-sensitive prefixes): the
// view may go there; anything else is handed to the browser instead.
bool staysInView(std::wstring_view uri);

}  // namespace zv
