#pragma once
// Showing a web page in the user's browser.

#include <string_view>

namespace zv {

// Hands the URL to the system's default browser: the shell's "open" on
// Windows, xdg-open elsewhere when it is installed (otherwise nothing
// happens). The caller decides which URLs are acceptable.
void openUrl(std::string_view url);

}  // namespace zv
