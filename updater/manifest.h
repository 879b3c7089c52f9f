#pragma once
// The publisher's description of one release: every client file with its size
// and digest, the launcher itself, files to delete and the optional add-ons.
// Parsing is the security gate: every path that later reaches the disk is
// checked here, so the rest of the updater trusts a Manifest as it is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class Json;

struct ManifestFile {
  std::string path;     // relative to the client folder, "/"-separated, case as written
  int64_t size = 0;     // of the final, unpacked file
  std::string sha256;   // of the final file, 64 lowercase hex digits
  int64_t packed = 0;   // of the packed file on the server: what is downloaded
  bool once = false;    // only has to exist; never compared or replaced
  std::string source;   // name on the server instead of path, when not empty
  std::string variant;  // add-on files: the variant it belongs to; empty: every variant
  // From "chunks", optional: the SHA-256 of each unpacked chunk of chunkSize
  // bytes (the last one shorter), in order, 64 lowercase hex digits apiece;
  // chunkSize 0: none given.
  uint32_t chunkSize = 0;
  std::string chunkSha256;

  bool operator==(const ManifestFile&) const = default;
};

// One SHA-256 digest in hexadecimal.
inline constexpr size_t kDigestDigits = 64;

struct AddonVariant {
  std::string id;
  std::string label;
};

struct ManifestAddon {
  std::string id;  // also the key of the add-on's installed record
  std::string name;
  std::vector<AddonVariant> variants;
  std::string keyIni;  // INI file receiving the toggle key; empty: none
  std::string defaultKey = "insert";
  std::vector<std::string> cleanup;  // only patterns isValidCleanupPattern accepts
  std::vector<ManifestFile> files;
};

struct Manifest {
  int32_t format = 1;  // the only version there is
  std::string generated;
  std::string build;
  // The release's place in its publisher's series, from 1 up, strictly
  // increasing from one build to the next; 0: the release carries none.
  int64_t sequence = 0;
  ManifestFile launcher;  // empty path: no launcher update in this release
  std::vector<ManifestFile> files;
  std::vector<std::string> remove;
  std::vector<ManifestAddon> addons;
};

// The highest release sequence: the largest integer a JSON number holds exactly.
inline constexpr int64_t kMaxReleaseSequence = (int64_t{1} << 53) - 1;

// Replaces out with the manifest of the JSON text, reading the base client's
// entries (a client has tens of thousands) without a Json value for each. On
// false, error holds the first offence (e.g. "unsafe path in manifest: ../x")
// and out must be discarded; a text that is not JSON is an "unknown manifest
// format".
[[nodiscard]] bool parseManifestText(std::string_view text, Manifest& out, std::string& error);

// One file entry ("launcher", "files" and add-on files).
[[nodiscard]] bool parseManifestFile(const Json& entry, ManifestFile& out, std::string& error);

// The manifest's add-on with exactly this id, or nullptr.
const ManifestAddon* findAddon(const Manifest& manifest, std::string_view id);

// 1 to 32 bytes of a-z, 0-9, "-" and "_": add-on and variant ids.
bool isValidAddonId(std::string_view id);

// A clean-up pattern: wildcards ("*", "?") only in the last segment, and that
// segment holds a letter or digit every match must contain (see
// wildcardNeedsLiteral), so a pattern cannot select every file of a folder.
bool isValidCleanupPattern(std::string_view pattern);

}  // namespace zv
