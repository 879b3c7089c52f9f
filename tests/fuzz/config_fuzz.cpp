// loadLauncherConfig on any bytes: no crash, and a configuration that loads
// always satisfies what the rest of the launcher relies on.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/launcher_config.h"
#include "data/text_rules.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "config fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zv::LauncherConfig config;
  config.serverName = "\x01sentinel";
  std::string error;
  if (!zv::loadLauncherConfig(text, config, error)) {
    check(error.rfind("ZarvoLauncher.json", 0) == 0, "error text without the file name");
    check(config.serverName == "\x01sentinel", "a failed load changed the output");
    return 0;
  }
  check(zv::isSafeRelativePath(config.game), "unsafe game path accepted");
  check(config.workDir.empty() || zv::isSafeRelativePath(config.workDir), "unsafe work folder accepted");
  check(config.options.empty() || zv::isSafeRelativePath(config.options), "unsafe options path accepted");
  check(config.mode == "dark" || config.mode == "light", "mode not normalised");
  check(config.theme.empty() || zv::isValidThemeName(config.theme), "bad theme kept");
  check(config.updateUrl.empty() || config.updateUrl.back() == '/', "update URL without final slash");
  check(zv::asciiLower(config.publicKey) == config.publicKey, "public key not lower case");
  check(zv::asciiLower(config.language) == config.language, "language not lower case");
  for (const zv::LauncherLink& link : config.links) {
    check(link.url.rfind("https://", 0) == 0 || link.url.rfind("http://", 0) == 0, "non-web link kept");
  }
  return 0;
}
