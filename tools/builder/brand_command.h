#pragma once
// The brand command: a launcher executable with the publisher's
// configuration built in (resource RCDATA 200), so that it starts without a
// ZarvoLauncher.json beside it.

#include <cstdint>
#include <filesystem>
#include <string>

namespace zv {
struct LauncherConfig;
}

namespace zv::builder {

inline constexpr uint32_t kBuiltinConfigId = 200;

// The executable's bytes with configText as its RCDATA 200; every other
// resource is kept as it is. Refuses a file that is no executable, a signed
// one, and one without room for another section. A configuration the
// launcher would refuse is refused here with the launcher's message; config
// receives it as the launcher will read it.
[[nodiscard]] bool brandLauncher(std::string executable, const std::string& configText, LauncherConfig& config,
                                 std::string& branded, std::string& error);

// Whether the file is a Windows executable without a configuration built in
// (false for a branded one and for anything that is no executable).
bool lacksBuiltinConfig(const std::filesystem::path& executable);

// zarvo-builder brand EXE CONFIG OUT: problems go to standard error.
// Returns the exit code.
int runBrand(const std::filesystem::path& executable, const std::filesystem::path& config,
             const std::filesystem::path& out);

}  // namespace zv::builder
