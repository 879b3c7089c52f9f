#pragma once
// What the last build into an output folder packed, so that a rebuild can
// keep every packed file whose content did not change. Kept in the output
// folder as .zarvo-build.json; losing it only costs a full repack.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace zv::builder {

struct BuiltFile {
  std::string sha256;
  uint64_t size = 0;
  uint64_t packed = 0;
  std::string chunkSha256;  // as the manifest's "chunks"; empty for a file of one chunk
};

struct BuildState {
  int64_t sequence = 0;  // of the last release built here; 0: none
  uint32_t chunkSize = 0;
  int level = 0;
  std::map<std::string, BuiltFile> files;  // by server name
};

std::filesystem::path buildStatePath(const std::filesystem::path& outDir);

// A missing or unreadable state gives an empty one.
BuildState loadBuildState(const std::filesystem::path& outDir);

// The sequence the next release built into outDir gets: one above the
// highest of the state's and the published manifest.json's, so that losing
// either one never hands out a number twice.
int64_t nextReleaseSequence(const std::filesystem::path& outDir, const BuildState& state);

[[nodiscard]] bool saveBuildState(const std::filesystem::path& outDir, const BuildState& state);

}  // namespace zv::builder
