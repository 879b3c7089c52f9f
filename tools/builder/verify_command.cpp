#include "tools/builder/verify_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

#include "data/json.h"
#include "platform/file.h"
#include "platform/file_info.h"
#include "platform/text_path.h"
#include "tools/builder/progress.h"
#include "tools/builder/publish.h"
#include "data/hex.h"
#include "updater/manifest.h"
#include "updater/ordered_parallel.h"
#include "updater/packed_file.h"
#include "crypto/sha256.h"
#include "updater/signature.h"

namespace zv::builder {
namespace {

namespace fs = std::filesystem;

std::vector<const ManifestFile*> entriesOf(const Manifest& manifest) {
  std::vector<const ManifestFile*> entries;
  if (!manifest.launcher.path.empty()) entries.push_back(&manifest.launcher);
  for (const ManifestFile& file : manifest.files) entries.push_back(&file);
  for (const ManifestAddon& addon : manifest.addons) {
    for (const ManifestFile& file : addon.files) entries.push_back(&file);
  }
  return entries;
}

// A folder for the unpacked files, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path(ec) / ("zarvo-verify-" + std::to_string(stamp));
    fs::create_directories(path_, ec);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Whether the file's chunks have the entry's chunk digests (true when the
// entry has none). Read again after unpacking: a mismatch here is a fault
// of the build, not of the transfer, and worth telling apart.
bool chunksMatch(const fs::path& file, const ManifestFile& entry) {
  if (entry.chunkSize == 0) return true;
  File in;
  std::string error;
  if (!in.open(file, File::Mode::Read, error)) return false;
  std::vector<uint8_t> chunk(entry.chunkSize);
  std::string digests;
  for (;;) {
    size_t filled = 0;
    if (!readFully(in, chunk.data(), chunk.size(), filled)) return false;
    if (filled == 0) break;
    Sha256 digest;
    digest.update(chunk.data(), filled);
    uint8_t bytes[Sha256::kDigestSize];
    digest.final(bytes);
    digests += toHex(bytes, sizeof bytes);
    if (filled < chunk.size()) break;
  }
  return digests == entry.chunkSha256;
}

// "" when the entry's packed file is sound, else the problem. The file is
// unpacked by the launcher's own code, which checks size and digest.
std::string checkEntry(const fs::path& outDir, const ManifestFile& entry, const fs::path& scratch) {
  const std::string name = entry.source.empty() ? entry.path : entry.source;
  const fs::path packed = packedFilePath(outDir, name);
  uint64_t size = 0;
  if (!fileSize(packed, size)) return "files/" + name + ".zv is missing";
  if (size != static_cast<uint64_t>(entry.packed)) {
    return "files/" + name + ".zv has " + std::to_string(size) + " bytes, the manifest says " +
           std::to_string(entry.packed);
  }
  Failure failure;
  const bool ok =
      applyPacked(packed, scratch, static_cast<uint64_t>(entry.size), entry.sha256, nullptr, nullptr, failure);
  const bool chunksOk = ok && chunksMatch(scratch, entry);
  (void)removeFile(scratch);
  if (!ok) return failureText(failure);
  return chunksOk ? std::string() : "the chunk digests do not match the file";
}

}  // namespace

int runVerify(const fs::path& outDir, const std::string& publicKeyHex, bool showProgress) {
  std::vector<uint8_t> key;
  if (publicKeyHex.size() != 64 || !hexToBytes(publicKeyHex, key)) {
    std::fprintf(stderr, "zarvo-builder: the public key must be 64 hexadecimal digits\n");
    return 2;
  }
  std::vector<std::string> problems;
  std::string manifestText, signatureText;
  if (!readTextFile(outDir / "manifest.json", manifestText)) {
    std::printf("manifest.json: cannot be read\n1 problem found\n");
    return 1;
  }
  if (!readTextFile(outDir / "manifest.sig", signatureText)) {
    problems.push_back("manifest.sig: cannot be read");
  } else if (!verifyManifestSignature(manifestText, signatureText, publicKeyHex)) {
    problems.push_back("manifest.sig: manifest signature does not match (under this public key)");
  }
  Manifest manifest;
  std::string error;
  if (!parseManifestText(manifestText, manifest, error)) {
    problems.push_back("manifest.json: " + error);
  } else {
    const std::vector<const ManifestFile*> entries = entriesOf(manifest);
    uint64_t bytes = 0;
    for (const ManifestFile* entry : entries) bytes += static_cast<uint64_t>(entry->size);
    ScratchFolder scratch;
    Progress progress(showProgress);
    progress.begin("checking", entries.size(), bytes);
    std::vector<std::string> fileProblems;
    std::mutex mutex;
    forEachParallel(entries.size(), [&](size_t i) {
      const std::string problem = checkEntry(outDir, *entries[i], scratch.path() / std::to_string(i));
      progress.add(1, static_cast<uint64_t>(entries[i]->size));
      if (problem.empty()) return;
      std::lock_guard lock(mutex);
      fileProblems.push_back(entries[i]->path + ": " + problem);
    });
    progress.end();
    std::sort(fileProblems.begin(), fileProblems.end());
    problems.insert(problems.end(), fileProblems.begin(), fileProblems.end());
    if (problems.empty()) {
      std::printf("%zu files verified, build \"%s\"\n", entries.size(), manifest.build.c_str());
      return 0;
    }
  }
  for (const std::string& problem : problems) std::printf("%s\n", problem.c_str());
  std::printf("%zu problem%s found\n", problems.size(), problems.size() == 1 ? "" : "s");
  return 1;
}

}  // namespace zv::builder
