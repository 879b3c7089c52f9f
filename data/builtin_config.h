#pragma once
// The configuration built into the program, used when no ZarvoLauncher.json
// lies next to the launcher. The publisher's tool replaces it with the real
// server's settings; this copy points at a local demo server and has no
// signing key, so updates report that they are not configured.

#include <string_view>

namespace zv {

extern const std::string_view builtinConfigText;

}  // namespace zv
