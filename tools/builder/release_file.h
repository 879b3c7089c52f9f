#pragma once
// The release file: what a client folder alone cannot say about a release.
// Its format is described in tools/builder/README.md.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tools/builder/packer.h"

namespace zv {
class Json;
}

namespace zv::builder {

inline constexpr uint32_t kMaxChunkSize = 16u << 20;  // the launcher's limit
inline constexpr int kMaxLevel = 12;

struct ReleaseVariant {
  std::string id;
  std::string label;  // empty: the launcher shows the id
  std::filesystem::path folder;
};

struct ReleaseAddon {
  std::string id;
  std::string name;  // empty: the launcher shows the id
  std::filesystem::path folder;  // files for every variant; empty: none
  std::vector<ReleaseVariant> variants;
  std::string keyIni;
  bool keyIniOnce = true;
  std::string defaultKey;  // empty: not written, the launcher's default applies
  std::vector<std::string> cleanup;
};

struct Release {
  std::string build;  // empty: not given
  std::string launcher;  // client path of the launcher's executable; empty: none
  std::vector<std::string> exclude;
  std::vector<std::string> once;
  std::vector<std::string> remove;
  std::vector<std::pair<std::string, std::string>> sources;  // client path, server name
  uint32_t chunkSize = kDefaultChunkSize;
  int level = kDefaultLevel;
  std::vector<ReleaseAddon> addons;
};

// Reads and checks a release file. Folders in it are taken relative to the
// file's own folder. The error names the file and the offending key.
[[nodiscard]] bool loadRelease(const std::filesystem::path& file, Release& release, std::string& error);

// The same for a parsed document; baseFolder resolves relative folders.
[[nodiscard]] bool parseRelease(const Json& root, const std::filesystem::path& baseFolder, Release& release,
                                std::string& error);

}  // namespace zv::builder
