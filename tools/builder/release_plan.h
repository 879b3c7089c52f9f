#pragma once
// What one build publishes: every file with its client path, the name its
// packed form has on the server and the source it is read from, put together
// from the client folder and the release file, with every rule checked that
// can be checked before anything is hashed or written.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tools/builder/release_file.h"

namespace zv::builder {

struct PlannedFile {
  std::string path;            // client path, as found on disk
  std::string serverName;      // the packed file is files/<serverName>.zv
  std::string variant;         // add-on files only; empty: every variant
  bool once = false;
  std::filesystem::path file;  // read from here
  uint64_t size = 0;
  std::string sha256;          // filled by hashing
  uint64_t packed = 0;         // filled by packing or taken from the last build
  std::string chunkSha256;     // likewise: each chunk's SHA-256 when there are several
};

struct PlannedAddon {
  ReleaseAddon release;  // as the release file describes it
  std::vector<PlannedFile> files;
};

struct Plan {
  std::string build;
  std::string generated;
  int64_t sequence = 0;  // the release's place in the output folder's series; 0 only in checks before a build
  bool hasLauncher = false;
  PlannedFile launcher;
  std::vector<PlannedFile> files;
  std::vector<std::string> remove;
  std::vector<PlannedAddon> addons;
  uint32_t chunkSize = kDefaultChunkSize;
  int level = kDefaultLevel;
  std::vector<std::string> warnings;  // told to the publisher, not fatal
};

// Paths never published: what the launcher itself keeps in a client folder
// (its work folder, log and configuration).
extern const std::vector<std::string> kDefaultExclusions;

// Walks the client folder and the add-on folders and applies the release
// file. Refusals name the file: unpublishable names, names that differ only
// in letter case, add-on files on client paths, a key INI that nothing
// ships, two files under one server name.
[[nodiscard]] bool makePlan(const std::filesystem::path& sourceDir, const Release& release, Plan& plan,
                            std::string& error);

// Every file of the plan: the launcher first, then the client's files, then
// each add-on's.
std::vector<PlannedFile*> allFiles(Plan& plan);

}  // namespace zv::builder
